#!/usr/bin/env bash
# kalvora-render names the system's reason when its PNG cannot be written:
# a file-size limit makes the write fail part-way ("File too large"), as a
# full disk does ("No space left on device"), and the old file stays whole.
#
#   render_write_failure.sh MAKE_BENCH_PROJECT KALVORA_RENDER
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
echo "the previous good file" >"$work/out.png"

# The limit is in blocks of 1024 bytes; the signal the system sends for a
# write past it stays ignored in the tool.
status=0
(
  ulimit -f 1
  trap '' XFSZ
  exec "$render" "$work/render-1024.bricks" 0 "$work/out.png" --preview
) >/dev/null 2>"$work/messages" || status=$?

expected="Could not write $work/out.png: File too large"
fail() {
  echo "$1" >&2
  exit 1
}
[[ $status -eq 3 ]] || fail "exit status $status, expected 3"
[[ "$(<"$work/messages")" == "$expected" ]] || fail "said: $(<"$work/messages"), expected: $expected"
[[ "$(<"$work/out.png")" == "the previous good file" ]] || fail "the old file was changed"
echo "ok: $expected"
