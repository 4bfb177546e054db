#!/usr/bin/env bash
# Post-processing of the border, arch and column types (1-5) of both long
# bench projects at 8192 x 8192, texture options sized 8192, on all threads:
# each figure is the run's ms minus the ms of its "Post Processing..."
# report, best of three, with the longest stretch without a yield to the
# event queue of the three. With KALVORA_BASE_BUILD naming another build, its
# kalvora-render is timed alternately beside this one and the two outputs
# are compared byte for byte.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
render="$build/bin/kalvora-render"
maker="$build/bin/kalvora-make-bench-project"
if [[ ! -x "$render" || ! -x "$maker" ]]; then
  echo "post_processing: kalvora-render or kalvora-make-bench-project not built; skipped"
  exit 0
fi
[[ -f "$data/render-16384.bricks" ]] || "$maker" "$data" >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
versions=(now)
[[ -n "${KALVORA_BASE_BUILD:-}" ]] && versions+=(base)

# post VERSION PROJECT TYPE: "post_ms longest_ms" of one run.
post() {
  local bin=$render
  [[ $1 == base ]] && bin="$KALVORA_BASE_BUILD/bin/kalvora-render"
  local text start ms longest
  text=$(KALVORA_RENDER_PHASES=1 KALVORA_RENDER_YIELDS=1 "$bin" "$data/$2.bricks" "$3" "$out/$1.png" \
    --size 8192 --options-size 8192 2>&1)
  start=$(sed -n 's/^\([0-9]*\) ms Post Processing\.\.\.$/\1/p' <<<"$text")
  ms=$(sed -n 's/^ms=\([0-9]*\).*/\1/p' <<<"$text")
  longest=$(sed -n 's/.*yield: \([0-9]*\) ms.*/\1/p' <<<"$text")
  echo "$((ms - start)) ${longest:-?}"
}

declare -A total
for project in render-4096 render-16384; do
  for type in 1 2 3 4 5; do
    for v in "${versions[@]}"; do
      best=""
      worst=0
      for ((i = 0; i < 3; i++)); do
        read -r ms longest < <(post "$v" "$project" "$type")
        [[ -z $best || $ms -lt $best ]] && best=$ms
        [[ $longest =~ ^[0-9]+$ && $longest -gt $worst ]] && worst=$longest
      done
      total[$v]=$((${total[$v]:-0} + best))
      echo "$project type $type $v: post-processing ${best} ms, longest stretch without a yield ${worst} ms"
    done
    if [[ ${#versions[@]} -gt 1 ]]; then
      cmp -s "$out/now.png" "$out/base.png" && echo "  same bytes" || echo "  OUTPUTS DIFFER"
    fi
  done
done
for v in "${versions[@]}"; do echo "total $v: ${total[$v]} ms"; done
