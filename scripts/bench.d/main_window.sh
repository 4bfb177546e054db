#!/usr/bin/env bash
# Generating the 4096 x 4096 final of render-4096.bricks through the main
# window beside kalvora-render on the same project, with all threads and
# with one: the window's overhead over the generation alone (kalvora-render's
# ms= counts the generation only, without loading or writing), and the time
# from a cancel click to the run's last report. Each figure is the best of
# five runs.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
bench="$build/bin/bench_main_window"
render="$build/bin/kalvora-render"
maker="$build/bin/kalvora-make-bench-project"
if [[ ! -x "$bench" || ! -x "$render" || ! -x "$maker" ]]; then
  echo "main_window: bench_main_window, kalvora-render or kalvora-make-bench-project not built; skipped"
  exit 0
fi
if [[ ! -f "$data/render-4096.bricks" ]]; then
  "$maker" "$data" >/dev/null
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cores=$(nproc)

# render_ms THREADS: the smallest ms= of five kalvora-render runs.
render_ms() {
  local best="" line ms i
  for ((i = 0; i < 5; i++)); do
    line=$("$render" "$data/render-4096.bricks" 0 "$out/texture.png" --threads "$1")
    ms=${line#ms=}
    ms=${ms%% *}
    if [[ -z "$best" || "$ms" -lt "$best" ]]; then best=$ms; fi
  done
  echo "$best"
}

# window_ms THREADS CASE: the smallest time of the case's five runs, in ms.
window_ms() {
  KALVORA_THREADS=$1 KALVORA_BENCH_PROJECT="$data/render-4096.bricks" \
    "$bench" --benchmark_filter="^$2/" --benchmark_format=csv 2>/dev/null |
    awk -F, '/manual_time"?,/ && !/_(mean|median|stddev|cv)"?,/ { t = $3 + 0; if (best == "" || t < best) best = t }
             END { printf "%.1f\n", best }'
}

for threads in "$cores" 1; do
  alone=$(render_ms "$threads")
  window=$(window_ms "$threads" Generate4096/window)
  headless=$(window_ms "$threads" Generate4096/headless)
  cancel=$(window_ms "$threads" CancelToLastReport4096/window)
  awk -v c="$threads" -v a="$alone" -v w="$window" -v h="$headless" -v k="$cancel" 'BEGIN {
    printf "final 4096 threads=%-2d kalvora-render ms=%-5d window ms=%-7.1f overhead=%5.1f %% (in-process headless ms=%.1f: %5.1f %%) cancel-to-last-report ms=%.1f\n",
      c, a, w, (w / a - 1) * 100, h, (w / h - 1) * 100, k }'
done
