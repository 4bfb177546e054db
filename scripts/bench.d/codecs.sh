#!/usr/bin/env bash
# Times libvips (one thread) on the codec work of bench_codecs: decoding and
# encoding the same 4096 x 4096 PNG and JPEG (quality 90). Each figure is the
# best of three runs, process start-up included. vips writes PNG rows
# unfiltered, so its files come out larger than ours; the sizes are printed.
set -euo pipefail
build=${KALVORA_BUILD:-build}
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
mkdir -p "$data"
"$build/bin/kalvora-make-test-image" "$data/codecs.png" "$data/codecs.jpg"
export VIPS_CONCURRENCY=1
megapixels=16.777216

# shellcheck source=best_time.bash
source "$(dirname "$0")/best_time.bash"
best_of_three() { best_time 3 4 "$@"; }

report() {
  awk -v name="$1" -v t="$2" -v mp="$megapixels" \
    'BEGIN { printf "%-28s %8.1f ms %8.2f MP/s\n", name, t * 1000, mp / t }'
}

report "vips png decode 4096"  "$(best_of_three vips copy "$data/codecs.png" "$data/png.v")"
report "vips png encode 4096"  "$(best_of_three vips copy "$data/png.v" "$data/out.png")"
report "vips jpeg decode 4096" "$(best_of_three vips copy "$data/codecs.jpg" "$data/jpeg.v")"
report "vips jpeg encode 4096" "$(best_of_three vips copy "$data/jpeg.v" "$data/out.jpg[Q=90]")"
echo "vips png size $(stat -c %s "$data/out.png") bytes, jpeg size $(stat -c %s "$data/out.jpg") bytes"
rm -f "$data/png.v" "$data/jpeg.v" "$data/out.png" "$data/out.jpg"

# The PNG write of the benchmark project's 4096 x 4096 texture: ours
# (bench_codecs, one thread and eight) against libvips's default PNG save
# (one thread) and ImageMagick's (one thread) of the same pixels, each read
# from its own uncompressed format first; then the peak memory of
# kalvora-render making and writing that texture.
render="$build/bin/kalvora-render"
maker="$build/bin/kalvora-make-bench-project"
if [[ ! -x "$render" || ! -x "$maker" ]]; then
  echo "codecs: kalvora-render or kalvora-make-bench-project not built; texture figures skipped"
  exit 0
fi
[[ -f "$data/render-4096.bricks" ]] || "$maker" "$data" >/dev/null
"$render" "$data/render-4096.bricks" 0 "$data/texture.png" >/dev/null
vips copy "$data/texture.png" "$data/texture.v"
convert-im6.q16 "$data/texture.png" "$data/texture.miff"

# ours_ms THREADS: the mean real time of bench_codecs's texture write.
ours_ms() {
  KALVORA_THREADS=$1 KALVORA_BENCH_TEXTURE="$data/texture.png" "$build/bin/bench_codecs" \
    --benchmark_filter=PngEncodeTexture --benchmark_format=csv --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>/dev/null | awk -F, '/_mean"/ { print $3 }'
}
ours1=$(ours_ms 1)
ours8=$(ours_ms 8)
vips_s=$(best_of_three vips copy "$data/texture.v" "$data/vips.png")
im_s=$(best_of_three convert-im6.q16 -limit thread 1 "$data/texture.miff" "$data/im.png")
awk -v o1="$ours1" -v o8="$ours8" -v v="$vips_s" -v m="$im_s" 'BEGIN {
  printf "texture png write: ours threads=1 %.0f ms, threads=8 %.0f ms; vips %.0f ms; ImageMagick %.0f ms\n",
    o1, o8, v * 1000, m * 1000
  printf "texture png write vs vips: threads=1 %.2f x, threads=8 %.2f x\n", o1 / (v * 1000), o8 / (v * 1000) }'
echo "texture png size: ours $(stat -c %s "$data/texture.png") bytes, vips $(stat -c %s "$data/vips.png") bytes," \
  "ImageMagick $(stat -c %s "$data/im.png") bytes"
if [[ -x /usr/bin/time ]]; then
  for threads in 1 8; do
    kb=$( { /usr/bin/time -v "$render" "$data/render-4096.bricks" 0 "$data/texture.png" --threads "$threads" \
      >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident set size/ { print $2 }')
    awk -v t="$threads" -v kb="$kb" 'BEGIN { printf "kalvora-render 4096 peak RSS threads=%d: %.1f MiB\n", t, kb / 1024 }'
  done
fi
rm -f "$data/texture.v" "$data/texture.miff" "$data/vips.png" "$data/im.png"
