#!/usr/bin/env bash
# Starts the installed program in a real X server with a window manager and goes
# through it as a user would: the splash, the main window, a preview, the full
# view, the thumbnail sheet, a short slide show, a colour scheme, and the exit.
# Windows are found by their titles and checked by the colours on the screen.
# With SMOKE_SCALE=2 the program runs at a scale factor of 2 on a screen of twice
# the size, and every point looked at moves with it. SMOKE_SHOTS names a folder
# where a screenshot of each step is kept.
#
# Usage: tests/smoke/smoke.sh <install prefix>
set -euo pipefail
s=${SMOKE_SCALE:-1}
shots=${SMOKE_SHOTS:-}

prefix=$(cd "$1" && pwd)
program="$prefix/bin/plenarvo"
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

work=$(mktemp -d)
display=":$((90 + RANDOM % 100))"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "SMOKE FAIL: $*"
  if [ -n "${SMOKE_SHOT:-}" ]; then DISPLAY=$display import -window root "$SMOKE_SHOT" 2>/dev/null || true; fi
  exit 1
}
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  DISPLAY=$display import -window root "$shots/x11-scale$s-$1.png" 2>/dev/null || echo "no screenshot for $1"
}

# Three pictures of plain colours, and settings that open their folder.
mkdir -p "$work/pics" "$work/home/.config/plenarvo"
convert -size 800x600 xc:'#ff0000' "$work/pics/a_red.jpg"
convert -size 800x600 xc:'#00ff00' "$work/pics/b_green.jpg"
convert -size 800x600 xc:'#0000ff' "$work/pics/c_blue.bmp"
printf '%s\r\nTrue\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nTrue\r\n' "$work/pics" \
  > "$work/home/.config/plenarvo/default.dat"

Xvfb "$display" -screen 0 $((1280 * s))x$((1024 * s))x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

export DISPLAY=$display HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=xcb
if [ "$s" != 1 ]; then export QT_SCALE_FACTOR=$s; fi
"$program" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=($program_pid)

# The colour at a screen point, as "r,g,b".
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'
}
# True when the colour at x y is within 40 of r g b in every channel.
near() {
  local c; c=$(pixel "$1" "$2")
  IFS=, read -r r g b <<<"$c"
  [ -n "$r" ] && [ $((r-$3)) -le 40 ] && [ $(($3-r)) -le 40 ] && [ $((g-$4)) -le 40 ] &&
    [ $(($4-g)) -le 40 ] && [ $((b-$5)) -le 40 ] && [ $(($5-b)) -le 40 ]
}
# Waits up to $1 tenths of a second for a command to succeed.
wait_for() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
gone() { ! visible "$1"; }
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }

# The splash screen stands in the middle of the screen for the first seconds.
wait_for 30 visible "Plenarvo" || fail "the main window did not appear"
# From 100 ms on the splash shows over the main window, the full view behind both.
# The program's windows from the bottom up, by name; the splash (titled like the
# main window) is left out.
stack_order() {
  local ids; ids=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/ /g')
  for id in $ids; do
    xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q SPLASH && continue
    xprop -id "$id" WM_NAME | sed -n 's/.*= "\(.*\)"/\1/p'
  done | tr '\n' '|'
}
main_over_view() { [[ "$(stack_order)" == *"Full View|Plenarvo|" ]]; }
wait_for 25 main_over_view || fail "the full view stays above the main window: $(stack_order)"
wait_for 10 near $((640 * s)) $((512 * s)) 239 239 239 || true
splash=$(pixel $((640 * s)) $((512 * s)))
shot splash
sleep 3.5
wait_for 20 gone "Full View" || fail "the full view stayed after the splash phase"
main=$(xdotool search --onlyvisible --name '^Plenarvo$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -ge $((1200 * s)) ] || fail "the main window is not maximized (${WIDTH}x${HEIGHT})"
echo "splash centre colour: $splash; main window ${WIDTH}x${HEIGHT} at $X,$Y"
# Default scheme: the blue panel on the left, the light cyan one on the right.
near $((X + 10 * s)) $((Y + HEIGHT - 40 * s)) 0 0 255 || fail "left panel not blue: $(pixel $((X + 10 * s)) $((Y + HEIGHT - 40 * s)))"
near $((X + WIDTH - 40 * s)) $((Y + HEIGHT - 40 * s)) 128 255 255 || fail "right panel not light cyan"

# Preview the first file: the file list has the focus.
xdotool windowactivate --sync "$main" 2>/dev/null || true
key space Return
# The preview box sits at 48,48 in the client area, 457 x 417.
probe_x=$((X + (48 + 228) * s)); probe_y=$((Y + (48 + 208 + 20) * s))
wait_for 20 near "$probe_x" "$probe_y" 255 0 0 || fail "the preview is not red: $(pixel $probe_x $probe_y)"
shot preview

# Full view: alt+u; the picture shows at natural size in the middle of the screen.
key alt+u
wait_for 20 visible "Full View" || fail "no full view"
wait_for 20 near $((640 * s)) $((520 * s)) 255 0 0 || fail "the full view does not show the red picture: $(pixel $((640 * s)) $((520 * s)))"
shot full-view
xdotool mousemove $((640 * s)) $((520 * s)) click 1
wait_for 20 gone "Full View" || fail "a click did not close the full view"
wait_for 20 visible "Plenarvo" || fail "the main window did not come back"

# The thumbnail sheet: Tab from the file list to the button, Space presses it.
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 0.3
xdotool mousemove $((X + 156 * s)) $((Y + 600 * s)) click 1
sleep 0.3
wait_for 30 visible "Thumbnails" || fail "no thumbnail sheet"
sleep 1
shot sheet
key x
wait_for 20 gone "Thumbnails" || fail "a key did not close the sheet"

# A slide show of one second a picture.
wait_for 20 visible "Plenarvo" || fail "the main window did not come back from the sheet"
main=$(xdotool search --onlyvisible --name '^Plenarvo$' | head -1)
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool mousemove $((X + 612 * s)) $((Y + 596 * s)) click 1   # the seconds box
key ctrl+a BackSpace 1
xdotool mousemove $((X + 610 * s)) $((Y + 660 * s)) click 1   # the check box
wait_for 20 visible "Full View" || fail "the slide show did not start"
wait_for 20 near $((640 * s)) $((520 * s)) 255 0 0 || fail "the slide show did not start with the red picture"
wait_for 30 near $((640 * s)) $((520 * s)) 0 255 0 || fail "the slide show did not move on to the green picture"
xdotool mousemove $((640 * s)) $((520 * s)) click 1
wait_for 20 gone "Full View" || fail "a click did not end the slide show"

# Neon: Options, Background Color, fifth item.
main=$(xdotool search --onlyvisible --name '^Plenarvo$' | head -1)
xdotool windowactivate --sync "$main" 2>/dev/null || true
key alt+o Up Right Down Down Down Down Return
wait_for 20 near $((X + WIDTH - 40 * s)) $((Y + HEIGHT - 40 * s)) 0 255 0 ||
  fail "the Neon scheme did not colour the window: $(pixel $((X + WIDTH - 40 * s)) $((Y + HEIGHT - 40 * s)))"
shot neon

# Esc ends the program at once.
key Escape
wait_for 30 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "Esc did not end the program"
grep -q "True" "$HOME/.config/plenarvo/default.dat" || fail "the settings file is gone"
echo "smoke test passed"
