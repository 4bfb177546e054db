#!/usr/bin/env bash
# Every texture type at 16384 x 16384 with kalvora-render, on all threads
# and on one, this build against another commit, run alternately in one go
# (fresh memory is given back to the host between runs, so single figures
# swing by tens of percent: only figures taken side by side compare).
# KALVORA_BASE_COMMIT names the commit (built into a temporary folder);
# KALVORA_BASE_BUILD names a build folder instead. Without either, only
# this build is timed. The project is $KALVORA_MATRIX_PROJECT, else the
# real photographs of ../shared/testdata/projects/real.bricks, else the
# long bench project. Each figure is the generation alone (ms=), as the
# median and the best of KALVORA_MATRIX_REPEATS runs (3 by default); the
# outputs of the two builds are compared byte for byte.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
root=$(cd "$(dirname "$0")/../.." && pwd)
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
repeats=${KALVORA_MATRIX_REPEATS:-3}
render="$build/bin/kalvora-render"
if [[ ! -x "$render" ]]; then
  echo "matrix_16384: kalvora-render not built; skipped"
  exit 0
fi
project=${KALVORA_MATRIX_PROJECT:-$root/../shared/testdata/projects/real.bricks}
if [[ ! -f "$project" ]]; then
  [[ -f "$data/render-16384.bricks" ]] || "$build/bin/kalvora-make-bench-project" "$data" >/dev/null
  project="$data/render-16384.bricks"
fi
out=$(mktemp -d)
base_tree=""
cleanup() {
  rm -rf "$out"
  if [[ -n "$base_tree" ]]; then git -C "$root" worktree remove --force "$base_tree" >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

base_render=""
if [[ -n "${KALVORA_BASE_BUILD:-}" ]]; then
  base_render="$KALVORA_BASE_BUILD/bin/kalvora-render"
elif [[ -n "${KALVORA_BASE_COMMIT:-}" ]]; then
  base_tree=$(mktemp -d)
  rmdir "$base_tree"
  git -C "$root" worktree add --detach "$base_tree" "$KALVORA_BASE_COMMIT" >/dev/null 2>&1
  echo "matrix_16384: building kalvora-render of $KALVORA_BASE_COMMIT"
  cmake -S "$base_tree" -B "$base_tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$base_tree/build" --target kalvora-render >/dev/null
  base_render="$base_tree/build/bin/kalvora-render"
fi
versions=(now)
[[ -n "$base_render" ]] && versions=(base now)

# ms VERSION TYPE THREADS: the generation's ms= of one run.
ms() {
  local bin=$render
  [[ $1 == base ]] && bin=$base_render
  local line
  line=$("$bin" "$project" "$2" "$out/$1.png" --size 16384 --threads "$3")
  line=${line#ms=}
  echo "${line%% *}"
}

# stats: "median best" of the numbers on standard input.
stats() { sort -n | awk '{ v[NR] = $1 } END { printf "%d %d\n", v[int((NR + 1) / 2)], v[1] }'; }

echo "16384 x 16384, $(basename "$project"), ${repeats} runs each, alternating: median / best ms"
printf "%-7s %-14s" threads type
for v in "${versions[@]}"; do printf " %17s" "$v"; done
[[ ${#versions[@]} -gt 1 ]] && printf " %12s %s" "now/base" "outputs"
echo
type_names=("seamless" "left border" "right border" "both borders" "arch" "column")
for threads in "$(nproc)" 1; do
  for type in 0 1 2 3 4 5; do
    declare -A runs=()
    for ((i = 0; i < repeats; i++)); do
      for v in "${versions[@]}"; do runs[$v]+="$(ms "$v" "$type" "$threads") "; done
    done
    printf "%-7s %-14s" "$threads" "$type ${type_names[$type]}"
    declare -A median=()
    for v in "${versions[@]}"; do
      read -r m b < <(tr ' ' '\n' <<<"${runs[$v]}" | grep . | stats)
      median[$v]=$m
      printf " %8d / %6d" "$m" "$b"
    done
    if [[ ${#versions[@]} -gt 1 ]]; then
      same="differ"
      cmp -s "$out/base.png" "$out/now.png" && same="same bytes"
      awk -v n="${median[now]}" -v b="${median[base]}" 'BEGIN { printf " %12.2f", (b > 0 ? n / b : 0) }'
      printf " %s" "$same"
    fi
    echo
    unset runs median
  done
done
