#!/usr/bin/env bash
# End-to-end smoke test of the program on a real X server (Xvfb, no window
# manager): opens a project given on the command line, runs the "Final
# Image" generation by its toolbar button, exports the image through the
# File menu and its file dialog, compares the file with the headless render
# pixel for pixel, and ends the program through File > Exit.
#
#   smoke_test.sh KALVORA KALVORA_RENDER MAKE_SMOKE_PROJECT TOOLBAR_BUTTON_CENTRE
#
# Every wait is a bounded poll; on any exit the program and Xvfb are stopped
# by their PIDs. The screenshot's path is printed and the file kept.
set -euo pipefail

if [[ $# -ne 4 ]]; then
  echo "usage: $0 KALVORA KALVORA_RENDER MAKE_SMOKE_PROJECT TOOLBAR_BUTTON_CENTRE" >&2
  exit 64
fi
kalvora=$1
render=$2
make_project=$3
button_centre=$4

# The toolbar's start-up colour and the button that runs a generation.
readonly toolbar_colour="srgb(236,233,216)"
readonly update_button=5
# Bounds of the waits, in seconds; none goes past the budget, which is
# well inside ctest's 90 s.
readonly xvfb_seconds=5
readonly start_seconds=20
readonly dialog_seconds=10
readonly export_seconds=30
readonly export_interval=2
readonly exit_seconds=10
readonly budget_seconds=75

work="$PWD/e2e-smoke"
rm -rf "$work"
project_dir="$work/smoke project"
mkdir -p "$project_dir"
project="$project_dir/wall.bricks"
window_name="^wall\.bricks - Kalvora\$"
screenshot="$work/screenshot.png"

xvfb_pid=""
kalvora_pid=""
root_window=""

log() { echo "e2e: $*"; }
fail() {
  echo "e2e: FAIL: $*" >&2
  exit 1
}

is_running() {
  local pid=$1
  [[ -n "$pid" && -r "/proc/$pid/stat" ]] || return 1
  local state
  state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null) || return 1
  [[ "$state" != "Z" ]]
}

# poll_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds
# (status 0) or SECONDS have passed (status 1). No wait goes beyond the
# whole test's budget, so the test fails before ctest's timeout would kill it
# without its clean-up.
poll_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  ((deadline <= budget_seconds)) || deadline=$budget_seconds
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

stop_process() {
  local pid=$1
  is_running "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  # Up to 3 s for a clean end, even past the budget; then KILL.
  local tries
  for ((tries = 0; tries < 30; tries++)); do
    is_running "$pid" || break
    sleep 0.1
  done
  is_running "$pid" && kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  local status=$?
  if is_running "$kalvora_pid" && [[ -n "${DISPLAY:-}" ]]; then take_screenshot || true; fi
  stop_process "$kalvora_pid"
  stop_process "$xvfb_pid"
  [[ -f "$screenshot" ]] && log "screenshot: $screenshot"
  exit "$status"
}
trap cleanup EXIT
# A stop from outside (ctest's timeout, Ctrl+C) goes through the clean-up too.
trap 'exit 143' TERM
trap 'exit 130' INT

take_screenshot() { timeout 10 import -window root "$screenshot"; }

display_number_written() { [[ -s "$work/display" ]] && grep -q '^[0-9]\+$' "$work/display"; }

start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  poll_until "$xvfb_seconds" display_number_written || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$work/display")"
  root_window=$(xdotool search --maxdepth 0 --name '')
  log "Xvfb on $DISPLAY"
}

# The ids of kalvora's windows that are shown and whose name matches; the
# root window, which xdotool lists too, left out.
shown_windows() {
  xdotool search --onlyvisible --pid "$kalvora_pid" --name "$1" 2>/dev/null | grep -vx "$root_window" || true
}
# The splash takes the main window's title too: it is told by its window
# type.
is_splash() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_SPLASH; }
splash_windows() {
  local id
  for id in $(shown_windows ''); do
    if is_splash "$id"; then echo "$id"; fi
  done
}
main_window() {
  local id
  for id in $(shown_windows "$window_name"); do
    if ! is_splash "$id"; then echo "$id"; fi
  done | head -n 1
}
main_window_shown() { [[ -n "$(main_window)" ]]; }

# The splash counts as closed once it has been seen and is gone again.
splash_seen=false
splash_closed() {
  if [[ -n "$(splash_windows)" ]]; then
    splash_seen=true
    return 1
  fi
  $splash_seen
}

focus_main_window() {
  local id
  id=$(main_window)
  [[ -n "$id" ]] || fail "the main window is gone"
  timeout 5 xdotool windowfocus --sync "$id"
}

shown_window_count() { shown_windows '' | wc -l; }
more_windows_than() { (($(shown_window_count) > $1)); }

# Alt+F on the main window; returns once the menu's window is shown.
open_file_menu() {
  local before
  focus_main_window
  before=$(shown_window_count)
  xdotool key --clearmodifiers alt+f
  poll_until "$dialog_seconds" more_windows_than "$before" || fail "the File menu did not open"
}

dialog_window() { xdotool search --onlyvisible --name '^Save Image File$' 2>/dev/null | head -n 1; }
no_dialog_shown() { [[ -z "$(dialog_window)" ]]; }
file_written() { [[ -s "$1" ]] && identify "$1" >/dev/null 2>&1; }

# export_image PATH: File > Export Image..., the path typed into the dialog.
export_image() {
  local path=$1 dialog
  open_file_menu
  xdotool key x
  dialog=$(timeout "$dialog_seconds" xdotool search --sync --onlyvisible --name '^Save Image File$' | head -n 1) ||
    fail "no 'Save Image File' window within ${dialog_seconds} s"
  timeout 5 xdotool windowfocus --sync "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 2 "$path"
  xdotool key Return
  poll_until "$dialog_seconds" no_dialog_shown || fail "the 'Save Image File' window stayed open"
}

# Same size and the same RGBA bytes.
same_pixels() {
  local a=$1 b=$2
  file_written "$a" || return 1
  [[ "$(identify -format '%wx%h' "$a")" == "$(identify -format '%wx%h' "$b")" ]] || return 1
  cmp -s <(convert "$a" -depth 8 rgba:-) <(convert "$b" -depth 8 rgba:-)
}

toolbar_colour_at() {
  convert "$screenshot" -format "%[pixel:p{$1,$2}]" info:
}

# --- the steps ---

start_xvfb

"$make_project" "$project" >/dev/null || fail "could not write the project"
"$render" "$project" 0 "$work/expected.png" >/dev/null || fail "kalvora-render failed"

read -r button_x button_y < <(QT_QPA_PLATFORM=xcb timeout "$start_seconds" "$button_centre" "$update_button") ||
  fail "could not find toolbar button $update_button"
log "toolbar button $update_button at $button_x,$button_y"

QT_QPA_PLATFORM=xcb "$kalvora" "$project" >"$work/kalvora.log" 2>&1 &
kalvora_pid=$!
poll_until "$start_seconds" main_window_shown || fail "no window 'wall.bricks - Kalvora' within ${start_seconds} s"
poll_until "$start_seconds" splash_closed || fail "the splash did not close within ${start_seconds} s"
log "main window shown, splash closed"

focus_main_window
xdotool mousemove --sync "$button_x" "$button_y"
xdotool click 1

deadline=$((SECONDS + export_seconds))
attempt=1
output="$project_dir/out.png"
while :; do
  next_attempt=$((SECONDS + export_interval))
  export_image "$output"
  poll_until 5 file_written "$output" || log "no file written to $output"
  if same_pixels "$output" "$work/expected.png"; then
    log "export $attempt equals the headless render: $output"
    break
  fi
  ((SECONDS < deadline)) || { take_screenshot || true; fail "the exported image differs from the headless render"; }
  poll_until "$export_interval" eval "((SECONDS >= next_attempt))" || true
  attempt=$((attempt + 1))
  output="$project_dir/out-$attempt.png"
done

take_screenshot || fail "no screenshot"
[[ "$(toolbar_colour_at 1275 "$button_y")" == "$toolbar_colour" ]] ||
  fail "the screenshot does not show the toolbar colour $toolbar_colour"

open_file_menu
xdotool key t
poll_until "$exit_seconds" eval "! is_running $kalvora_pid" || fail "the program did not end within ${exit_seconds} s"
status=0
wait "$kalvora_pid" || status=$?
kalvora_pid=""
[[ $status -eq 0 ]] || fail "the program ended with status $status"
log "the program ended with status 0"
log "PASS"
