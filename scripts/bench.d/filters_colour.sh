#!/bin/bash
# Colour, tone and alpha filters against ImageMagick, one thread each, on a
# 4096 x 4096 image; ImageMagick reads a prepared .mpc so no file decoding
# or encoding is timed. Figures in megapixels per second.
set -e
build=${KALVORA_BUILD:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_filters_colour" --benchmark_min_time=0.5 2>/dev/null | grep real_time
bash "$(dirname "$0")/filters_colour_peer" "$work"
