#!/usr/bin/env bash
# Times the high-quality bicubic resize of bench_resize (4096 x 4096 to
# 1024 x 1024 and 512 x 512 to 160 x 96, four 8-bit channels) next to the
# same work done by libvips and ImageMagick:
#   vips resize in.v out.v SCALE --vscale VSCALE --kernel cubic, minus the
#     time of vips copy in.v out.v, so file input and output are not counted
#     (VIPS_CONCURRENCY=1, then the default);
#   convert-im6.q16 [-limit thread 1] in.mpc -filter Catrom -resize WxH! null:
#     from a prepared .mpc.
# Our figures come from bench_resize run once with KALVORA_THREADS=1 and once
# with the default pool. Peer figures are the best of seven runs; for the small image the vips
# difference can drown in process start-up time and is then shown as noise.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
bench="$build/bin/bench_resize"
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
mkdir -p "$data"
if [[ ! -x "$bench" ]]; then
  echo "resize: bench_resize not built; skipped"
  exit 0
fi
have_vips=1
have_im=1
command -v vips >/dev/null || have_vips=0
command -v convert-im6.q16 >/dev/null || have_im=0
cores=$(nproc)

# Textured RGBA test images: smoothed noise plus fine grain, alpha varying.
make_image() {
  local side=$1 base="$data/resize-$1"
  [[ -f "$base.v" && -f "$base.mpc" ]] && return
  vips gaussnoise "$base-n.v" "$side" "$side" --mean 128 --sigma 60
  vips gaussblur "$base-n.v" "$base-s.v" 3
  vips gaussnoise "$base-g.v" "$side" "$side" --mean 0 --sigma 12
  vips add "$base-s.v" "$base-g.v" "$base-a.v"
  vips bandjoin "$base-a.v $base-s.v $base-g.v $base-n.v" "$base-j.v"
  vips cast "$base-j.v" "$base-c.v" uchar
  vips copy "$base-c.v" "$base.v" --interpretation srgb
  vips copy "$base.v" "$base.png"
  [[ $have_im == 1 ]] && convert-im6.q16 "$base.png" "$base.mpc"
  rm -f "$base-n.v" "$base-s.v" "$base-g.v" "$base-a.v" "$base-j.v" "$base-c.v"
}

# shellcheck source=best_time.bash
source "$(dirname "$0")/best_time.bash"
# best_s COMMAND...: the shortest wall time of seven runs, in seconds.
best_s() { best_time 7 5 "$@" 2>/dev/null; }

# vips_ms CONCURRENCY SIDE SCALE VSCALE: resize time without file I/O.
vips_ms() {
  local conc=$1 side=$2 in="$data/resize-$2.v" resize copy
  resize=$(VIPS_CONCURRENCY=$conc best_s vips resize "$in" "$data/out.v" "$3" --vscale "$4" --kernel cubic)
  copy=$(VIPS_CONCURRENCY=$conc best_s vips copy "$in" "$data/copy.v")
  # Below zero the difference is lost in process start-up noise.
  awk -v r="$resize" -v c="$copy" 'BEGIN { t = (r - c) * 1000; if (t <= 0) print "noise"; else printf "%.2f", t }'
}

# im_ms LIMIT SIDE W H: the ImageMagick resize, reading the .mpc included.
im_ms() {
  local limit=() t
  [[ $1 == 1 ]] && limit=(-limit thread 1)
  t=$(best_s convert-im6.q16 "${limit[@]}" "$data/resize-$2.mpc" -filter Catrom -resize "$3x$4!" null:)
  awk -v t="$t" 'BEGIN { printf "%.2f", t * 1000 }'
}

# ours_ms THREADS CASE: real time in ms from bench_resize's CSV output.
declare -A ours
run_ours() {
  local threads=$1 label=$2 line name ms
  while IFS= read -r line; do
    name=$(cut -d, -f1 <<<"$line" | tr -d '"')
    ms=$(cut -d, -f3 <<<"$line")
    case "$name" in
      *4096_to_1024*) ours["$label/4096"]=$ms ;;
      *512_to_160x96*) ours["$label/512"]=$ms ;;
    esac
  done < <(KALVORA_THREADS=$threads "$bench" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null | grep '^"ResizePicture')
}

run_ours 1 one
run_ours 0 all
if [[ $have_vips == 1 ]]; then
  make_image 4096
  make_image 512
fi

printf "cores=%s; times in ms; ratio = peer time / our time (above 1: we are faster)\n" "$cores"
printf "%-22s %-8s %10s %10s %7s %10s %7s\n" work threads kalvora vips ratio im6 ratio
row() {
  local work=$1 threads=$2 side=$3 scale=$4 vscale=$5 w=$6 h=$7 label=$8 ourms vms ims vr ir
  ourms=${ours["$label/$side"]:-nan}
  vms=nan
  ims=nan
  [[ $have_vips == 1 ]] && vms=$(vips_ms "$([[ $label == one ]] && echo 1 || echo "$cores")" "$side" "$scale" "$vscale")
  [[ $have_im == 1 ]] && ims=$(im_ms "$([[ $label == one ]] && echo 1 || echo 0)" "$side" "$w" "$h")
  ourms=$(awk -v o="$ourms" 'BEGIN { if (o == "nan") print o; else printf "%.2f", o }')
  vr=$(awk -v p="$vms" -v o="$ourms" 'BEGIN { if (o + 0 > 0 && p + 0 > 0) printf "%.2f", p / o; else print "-" }')
  ir=$(awk -v p="$ims" -v o="$ourms" 'BEGIN { if (o + 0 > 0 && p + 0 > 0) printf "%.2f", p / o; else print "-" }')
  printf "%-22s %-8s %10s %10s %7s %10s %7s\n" "$work" "$threads" "$ourms" "$vms" "$vr" "$ims" "$ir"
}
row "4096x4096->1024x1024" 1 4096 0.25 0.25 1024 1024 one
row "4096x4096->1024x1024" all 4096 0.25 0.25 1024 1024 all
row "512x512->160x96" 1 512 0.3125 0.1875 160 96 one
row "512x512->160x96" all 512 0.3125 0.1875 160 96 all
rm -f "$data/out.v" "$data/copy.v"
