#!/usr/bin/env bash
# Project save and load of 20 brick images of 1024 x 1024 next to libvips
# writing the same 20 images as PNG (vips copy from .v, one thread).
set -euo pipefail
build=${KALVORA_BUILD:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for threads in 1 "$(nproc)"; do
  KALVORA_THREADS=$threads KALVORA_BENCH_DATA="$work" "$build/bin/bench_bricks" 2>/dev/null | grep -E "BrickFile"
done
# The same kind of picture for vips: 20 textured 1024 x 1024 RGBA images.
for i in $(seq 0 19); do
  vips black "$work/b$i.v" 1024 1024 --bands 4 >/dev/null
  vips gaussnoise "$work/n$i.v" 1024 1024 --mean 128 --sigma 30 >/dev/null
  vips bandjoin "$work/n$i.v $work/n$i.v $work/n$i.v $work/n$i.v" "$work/b$i.v" >/dev/null
  vips cast "$work/b$i.v" "$work/c$i.v" uchar >/dev/null
done
start=$(date +%s.%N)
for i in $(seq 0 19); do VIPS_CONCURRENCY=1 vips copy "$work/c$i.v" "$work/o$i.png"; done
end=$(date +%s.%N)
echo "vips copy .v -> .png, 20 images 1024x1024, 1 thread: $(echo "($end - $start) * 1000" | bc -l | cut -d. -f1) ms"
start=$(date +%s.%N)
for i in $(seq 0 19); do VIPS_CONCURRENCY=1 vips copy "$work/o$i.png" "$work/r$i.v"; done
end=$(date +%s.%N)
echo "vips copy .png -> .v, 20 images 1024x1024, 1 thread: $(echo "($end - $start) * 1000" | bc -l | cut -d. -f1) ms"
