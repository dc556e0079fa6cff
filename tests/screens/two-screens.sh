#!/bin/sh
# Runs a test program on an X server with two screens side by side: one 2400 x 900
# display split into two 1200 x 900 monitors (RandR), as a desktop with two monitors
# shows itself to programs.
set -eu
program="$1"
shift
for tool in Xvfb xrandr; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/setup.sh installs it)" >&2; exit 1; }
done
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
# The server writes its display number once it accepts clients; reading the pipe waits
# for that.
mkfifo "$work/display"
Xvfb -displayfd 5 -screen 0 2400x900x24 -nolisten tcp -noreset 5>"$work/display" 2>"$work/xvfb.log" &
server=$!
read -r number <"$work/display"
export DISPLAY=":$number"
xrandr --setmonitor left 1200/300x900/225+0+0 screen
xrandr --setmonitor right 1200/300x900/225+1200+0 none
QT_QPA_PLATFORM=xcb "$program" "$@"
