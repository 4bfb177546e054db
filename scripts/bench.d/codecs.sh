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
