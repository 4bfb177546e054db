#!/usr/bin/env bash
# Runs a command on a fresh Xvfb server with Qt's xcb platform:
#
#   on_xvfb.sh COMMAND [ARGUMENTS...]
#
# The server picks a free display itself, so runs in parallel do not meet;
# it is stopped when the command ends, and the command's status is returned.
set -euo pipefail

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 143' TERM INT

# A bounded wait for the display number, written once the server is ready.
for ((i = 0; i < 100; ++i)); do
  [[ -s "$work/display" ]] && break
  sleep 0.1
done
if [[ ! -s "$work/display" ]]; then
  echo "on_xvfb: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb "$@"
