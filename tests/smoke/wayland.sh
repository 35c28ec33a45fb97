#!/usr/bin/env bash
# Starts the installed program natively under a Wayland compositor (weston) that
# runs on a virtual X server, and goes through its windows: the splash, the maximized main window
# with a picture given on the command line, the full view, the thumbnail sheet,
# the slide show, the About box and a message box over it, and the exit.
# A Wayland client cannot see other clients' windows, so the program traces what
# it sees of its own (plenarvo.windows) and takes its commands on standard input;
# weston's screenshooter keeps a picture of the screen at each step.
# weston's headless backend has no seat, so no window there is ever active; its
# X11 backend on Xvfb gives one (the X server's keyboard and pointer).
#
# Usage: tests/smoke/wayland.sh <install prefix> [folder for the screenshots]
set -euo pipefail

prefix=$(cd "$1" && pwd)
program="$prefix/bin/plenarvo"
[ -x "$program" ] || { echo "no program at $program"; exit 1; }
shots=${2:-}

work=$(mktemp -d)
pids=()
cleanup() {
  exec 3>&- 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

log="$work/program.log"
fail() {
  echo "WAYLAND SMOKE FAIL: $*"
  echo "-- the program's trace:"; cat "$log" 2>/dev/null || true
  echo "-- weston:"; tail -20 "$work/weston.log" 2>/dev/null || true
  exit 1
}
# Waits up to $1 tenths of a second for a command to succeed.
wait_for() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
# The trace has a line matching this pattern after line $mark.
traced() { tail -n +"$((mark + 1))" "$log" | grep -q -- "$1"; }
# The last window the program saw become active.
active() { grep -o 'plenarvo.windows: active .*' "$log" | tail -1 | sed 's/plenarvo.windows: active //'; }
is_active() { [ "$(active)" = "$1" ]; }
# Whether a window was last shown or hidden.
state() { grep -oE "plenarvo.windows: (shown|hidden) $1( |\$)" "$log" | tail -1 | awk '{print $2}'; }
is_in_state() { [ "$(state "$1")" = "$2" ]; }
# Sends a command and waits for the trace to show that it ran.
send() {
  mark=$(wc -l <"$log")
  echo "$*" >&3
  wait_for 50 traced "command $*" || fail "the program did not take the command: $*"
}
expect() {  # expect <tenths> <pattern in the trace since the last command> <what it means>
  wait_for "$1" traced "$2" || fail "$3"
}
expect_state() {  # expect_state <tenths> <window> <shown|hidden> <what it means>
  wait_for "$1" is_in_state "$2" "$3" || fail "$4"
}
expect_active() {
  wait_for 50 is_active "$1" || fail "$2 (active: $(active))"
}
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  (cd "$shots" && rm -f wayland-screenshot-*.png &&
    WAYLAND_DISPLAY=$socket timeout 20 weston-screenshooter >/dev/null 2>&1 &&
    mv wayland-screenshot-*.png "wayland-$1.png") || echo "no screenshot for $1"
}

# Two pictures of plain colours, and settings that open their folder.
mkdir -p "$work/pics" "$work/home/.config/plenarvo" "$work/run" "$work/empty"
chmod 700 "$work/run"
convert -size 800x600 xc:'#ff0000' "$work/pics/a_red.jpg"
convert -size 800x600 xc:'#00ff00' "$work/pics/b_green.jpg"
printf '%s\r\nTrue\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nTrue\r\n' "$work/pics" \
  > "$work/home/.config/plenarvo/default.dat"

export XDG_RUNTIME_DIR="$work/run"
display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
socket="plenarvo-smoke-$$"
DISPLAY=$display weston --backend=x11-backend.so --use-pixman --width=1280 --height=1024 \
  --socket="$socket" --idle-time=0 --debug >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 100 test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start"

mkfifo "$work/commands"
: >"$log"
mark=0
# The program sees no system information tool (an empty search path), so the
# About box's button answers with a message box.
(unset DISPLAY; exec env PATH="$work/empty" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  QT_LOGGING_RULES="plenarvo.windows.debug=true" PLENARVO_STDIN_COMMANDS=1 \
  "$program" "$work/pics/b_green.jpg" <"$work/commands" >"$log" 2>&1) &
program_pid=$!
pids+=($program_pid)
exec 3>"$work/commands"

expect 100 "shown frmSplash" "the splash screen did not appear"
expect 50 "shown frmImage maximized" "the main window was not shown maximized"
expect 50 "shown frmFullView" "the full view was not shown during the splash phase"
if wait_for 50 is_active frmSplash; then shot splash; fi
expect_state 60 frmFullView hidden "the full view was not hidden at the end of the splash phase"
# The splash came back in front of the windows shown after it: after the last
# time another window became active in the splash phase, the splash became
# active again, or at least was shown afresh (on a slow machine the phase may end
# before the compositor has brought it up).
front=$(awk '/shown frmFullView/ { p = 1 }
  p && /: active / { if ($0 ~ /active frmSplash$/) front = NR; else other = NR }
  p && /shown frmSplash/ { again = NR }
  /hidden frmFullView/ { print (front > other || again > other) ? "yes" : "no"; exit }' "$log")
[ "$front" = yes ] || fail "the splash screen did not come back in front during the splash phase"
expect_state 10 frmSplash hidden "the splash screen stayed"
expect_active frmImage "the main window is not in front after the splash phase"
shot main

send click Full Screen
expect 30 "shown frmFullView" "no full view"
expect_active frmFullView "the full view is not in front"
shot full-view
send key x
expect_state 30 frmFullView hidden "a key did not close the full view"
expect_active frmImage "the main window is not in front after the full view"

send click Show Thumbs
expect 30 "shown frmThumb maximized" "no maximized thumbnail sheet"
expect_active frmThumb "the sheet is not in front"
sleep 1
shot sheet
send key x
expect_state 30 frmThumb hidden "a key did not close the sheet"
expect_active frmImage "the main window is not in front after the sheet"

send click Check for Consecutive Timed viewing
expect 30 "shown frmFullView" "the slide show did not start"
expect_active frmFullView "the slide show is not in front"
send key x
expect_state 30 frmFullView hidden "a key did not end the slide show"
expect_active frmImage "the main window is not in front after the slide show"

send click picIcon
expect 30 "shown frmAbout" "no About box"
expect_active frmAbout "the About box is not in front"
send click System Info...
expect 30 'shown message box "System Information Is Unavailable At This Time"' \
  "no message box from the About box"
expect_active 'message box "System Information Is Unavailable At This Time"' \
  "the message box is not in front"
shot message-box
send key Return
expect 30 "hidden message box" "Enter did not close the message box"
expect_active frmAbout "the About box is not in front after its message box"
send click OK
expect_state 30 frmAbout hidden "OK did not close the About box"
expect_active frmImage "the main window is not in front after the About box"

send key Escape
wait_for 50 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "Esc did not end the program"
echo "wayland smoke test passed"
