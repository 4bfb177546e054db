#!/usr/bin/env bash
# kalvora-render fails a run that runs out of memory: under an address-space
# limit a border strip's canvas of 8192 x 8192 (256 MiB) can be had, its
# shifted copy cannot. The tool names the lack of memory and the texture's
# size, exits 2 and writes no file.
#
#   render_out_of_memory.sh MAKE_BENCH_PROJECT KALVORA_RENDER
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 MAKE_BENCH_PROJECT KALVORA_RENDER" >&2
  exit 64
fi
make_project=$1
render=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_project" "$work" >/dev/null

# The limit is in KiB: the tool itself needs some 30 MiB.
status=0
(
  ulimit -v 400000
  exec "$render" "$work/render-1024.bricks" 3 "$work/out.png" --size 8192 --threads 1
) >/dev/null 2>"$work/messages" || status=$?

fail() {
  echo "$1" >&2
  exit 1
}
said=$(<"$work/messages")
[[ $status -eq 2 ]] || fail "exit status $status, expected 2 (said: $said)"
[[ $said =~ ^Not\ enough\ memory\ for\ a\ [0-9]+\ x\ 8192\ texture\.$ ]] || fail "said: $said"
[[ ! -e "$work/out.png" ]] || fail "a file was written"
echo "ok: $said"
