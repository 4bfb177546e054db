#!/usr/bin/env bash
# Times whole texture generations with kalvora-render on the benchmark
# projects (eight 512 x 512 brick images, a 1024 x 1024 mortar): the
# 512 x 512 preview at low quality, the 1024 x 1024 final and the
# 4096 x 4096 final with about 500 bricks, each with one thread and with all
# threads. The figure is the generation alone (best of the repeats), without
# loading the project or writing the PNG.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
render="$build/bin/kalvora-render"
maker="$build/bin/kalvora-make-bench-project"
if [[ ! -x "$render" || ! -x "$maker" ]]; then
  echo "render: kalvora-render or kalvora-make-bench-project not built; skipped"
  exit 0
fi
if [[ ! -f "$data/render-1024.bricks" || ! -f "$data/render-4096.bricks" ]]; then
  "$maker" "$data" >/dev/null
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cores=$(nproc)
echo "cores=$cores"

# best_ms REPEATS THREADS ARGS...: the smallest ms= of the repeats and the
# brick count.
best_ms() {
  local repeats=$1 threads=$2 best="" line ms bricks=0
  shift 2
  for ((i = 0; i < repeats; i++)); do
    line=$("$render" "$@" "$out/texture.png" --threads "$threads")
    ms=${line#ms=}
    ms=${ms%% *}
    bricks=${line##*bricks=}
    if [[ -z "$best" || "$ms" -lt "$best" ]]; then best=$ms; fi
  done
  echo "$best $bricks"
}

measure() {
  local label=$1 repeats=$2 serial parallel bricks
  shift 2
  read -r serial bricks < <(best_ms "$repeats" 1 "$@")
  read -r parallel bricks < <(best_ms "$repeats" "$cores" "$@")
  awk -v l="$label" -v s="$serial" -v p="$parallel" -v c="$cores" -v b="$bricks" 'BEGIN {
    printf "%-28s bricks=%-4d threads=1 ms=%-6d threads=%d ms=%-6d speedup=%.2f (%.2f x cores)\n",
      l, b, s, c, p, (p > 0 ? s / p : 0), (p > 0 ? s / p / c : 0) }'
}

measure "preview 512 low quality" 5 "$data/render-1024.bricks" 0 --preview
measure "final 1024" 3 "$data/render-1024.bricks" 0
measure "final 4096" 2 "$data/render-4096.bricks" 0
