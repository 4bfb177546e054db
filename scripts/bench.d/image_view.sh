#!/usr/bin/env bash
# Frames per second of the preview window with one thread (the run with the
# whole pool is the plain run of bench_image_view before this script).
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
bench="$build/bin/bench_image_view"
if [[ ! -x "$bench" ]]; then
  echo "image_view: bench_image_view not built (the windows are off); skipped"
  exit 0
fi
KALVORA_THREADS=1 "$bench" --benchmark_counters_tabular=true
