#!/usr/bin/env bash
# The Windows player runtime under wine beside the Linux runtime, on a slideshow of 20
# photos of 4000 x 3000 (JPEGs stored as they are, 1 second per slide, timer switching,
# no loop, its window the whole 1920 x 1080 screen), on a 1920 x 1080 Xvfb screen. The
# slideshow is exported for Windows (luserio --export-exe --target windows); the Linux
# runtime plays the same document stream behind itself, as a slideshow made for Linux.
# The players are started alternately. For each: the time from the start to the first
# slide on the screen, the time between two slides coming up (the switch cadence), the
# wall and CPU time of the whole show, the cores used (CPU over wall) and its peak
# memory; medians with the range of the runs.
#
# Wine runs twice: with its server already running (as Windows itself is when a user
# starts a slideshow: wine's server and services started by a first show that is not
# counted, then kept), and started by the show itself (the server stopped before each
# run: what a first show after logging in costs under wine).
#
#   bench/windows-player.sh            # from the source root; 3 runs of each
#   REPS=5 bench/windows-player.sh     # 5 runs;  BUILD=other-build bench/windows-player.sh
#
# Builds nothing of the program. Needs build/LsrCtrl-windows.exe, build/luserio, the Linux
# runtime (build/LsrCtrl.dll, or LINUX_RUNTIME=path) and build/bench_PhotoShowBench,
# which makes the document at its first use (kept in $TMPDIR/luserio-bench-fixtures).
# Measuring tools: wine, GNU time (/usr/bin/time), Xvfb, xdotool and a C compiler with
# the Xlib headers for the probe below, which starts a player and watches one pixel of
# the screen (left of the middle of the show's window) every 2 ms, writing when it
# changes. The wine prefix is made in a temporary folder (half a minute, not measured).
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
REPS=${REPS:-3}
windows=$BUILD/LsrCtrl-windows.exe
linux=${LINUX_RUNTIME:-$BUILD/LsrCtrl.dll}
luserio=$BUILD/luserio
fixtures=$BUILD/bench_PhotoShowBench
for f in "$windows" "$linux" "$luserio" "$fixtures"; do
  [[ -f $f ]] || { echo "$f is missing: build it first" >&2; exit 1; }
done
for tool in wine wineserver Xvfb xdotool /usr/bin/time cc python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
xpid=
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [[ -n $xpid ]] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime

echo "Preparing the slideshows..." >&2
doc=$(QT_QPA_PLATFORM=offscreen "$fixtures" --fixtures-only 2>"$work/fixtures.log" | head -n 1)
[[ -f $doc ]] || { cat "$work/fixtures.log" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$luserio" --export-exe "$doc" "$work/photos.exe" --target windows \
  >/dev/null 2>"$work/export.log" || { cat "$work/export.log" >&2; exit 1; }
# The Linux slideshow: the Linux runtime, the same document stream, the trailer.
python3 - "$work/photos.exe" "$linux" "$work/photos-linux" <<'PY'
import struct, sys
exe = open(sys.argv[1], "rb").read()
magic, r = struct.unpack(">II", exe[-8:])
assert magic == 0x03CA193A
stream = exe[r:-8]
runtime = open(sys.argv[2], "rb").read()
open(sys.argv[3], "wb").write(runtime + stream + struct.pack(">II", magic, len(runtime)))
PY
chmod +x "$work/photos-linux"

cat >"$work/probe.c" <<'PROBE'
/* probe X Y OUT COMMAND...: runs COMMAND and writes to OUT the milliseconds since its
   start at which the screen pixel (X, Y) changed, with the new value, until it ends. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
static double now(void) {
  struct timespec t; clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}
int main(int argc, char** argv) {
  Display* d = XOpenDisplay(NULL);
  if (!d || argc < 5) return 2;
  int x = atoi(argv[1]), y = atoi(argv[2]);
  FILE* out = fopen(argv[3], "w");
  Window root = DefaultRootWindow(d);
  unsigned long last = (unsigned long)-1;
  double start = now();
  pid_t child = fork();
  if (child == 0) { execvp(argv[4], argv + 4); _exit(127); }
  int status = 0;
  for (;;) {
    XImage* img = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
    unsigned long p = img ? XGetPixel(img, 0, 0) : 0;
    if (img) XDestroyImage(img);
    if (p != last) { fprintf(out, "%.1f %06lx\n", now() - start, p & 0xFFFFFF); last = p; }
    if (waitpid(child, &status, WNOHANG) == child) break;
    usleep(2000);
  }
  fclose(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
PROBE
cc -O2 -o "$work/probe" "$work/probe.c" -lX11

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" &
xpid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
unset WAYLAND_DISPLAY
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
echo "Making the wine prefix..." >&2
wineboot -i >/dev/null 2>&1
wineserver -w

# Where the show's window lies: the document's stored rectangle; a pixel left of its
# middle is watched, away from the pointer, which rests in the middle of the screen,
# where the window grows from.
read -r px py < <(QT_QPA_PLATFORM=offscreen "$luserio" --info "$doc" | python3 -c '
import json, sys
r = json.load(sys.stdin)["header"]["rcShowWindow"]
print((r[0] + r[2]) // 2 - 150, (r[1] + r[3]) // 2)')
xdotool mousemove 960 540 2>/dev/null || true

# play NAME COMMAND...: one show to its end, watched; appends its figures to NAME.txt:
# first slide (ms), the switch intervals (ms, comma separated), wall s, CPU s, peak KiB.
play() {
  local name=$1
  shift
  "$work/probe" "$px" "$py" "$work/pixels" /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$@" >/dev/null 2>>"$work/stderr.log" ||
    { echo "$name failed" >&2; tail -n 20 "$work/stderr.log" >&2; exit 1; }
  python3 - "$work/pixels" "$work/time" >>"$work/$name.txt" <<'PY'
import sys
rows = [(float(t), p) for t, p in (l.split() for l in open(sys.argv[1]))]
desktop = rows[0][1]
# A slide comes up when the pixel leaves the desktop's colour (a switch hides the window
# for a moment), or takes a new colour well after the last one came up (a switch too
# quick for the probe to see the desktop). Comings-up closer than 300 ms are one (a
# window painted twice as it appears). The last SLIDES of them are the slides. A slide
# is on the screen when the pixel has taken the colour it keeps until the next one (the
# opening zoom draws the picture at every step of its growth).
SLIDES = 20
ups, at_desktop = [], True
for t, p in rows[1:]:
    if p == desktop:
        at_desktop = True
        continue
    if at_desktop or (ups and t - ups[-1] > 300):
        if ups and t - ups[-1] <= 300:
            ups.pop()
        ups.append(t)
    at_desktop = False
ups = ups[-SLIDES:]
def settled(start, end):
    held = [(t, p) for t, p in rows if start <= t < end and p != desktop]
    if not held:
        return start
    final = held[-1][1]
    return min(t for t, p in held if p == final and all(q == final for u, q in held if u >= t))
bounds = ups + [rows[-1][0] + 1]
shown = [settled(bounds[i], bounds[i + 1]) for i in range(len(ups))]
first = shown[0] if shown else -1
intervals = [b - a for a, b in zip(shown, shown[1:])]
wall, user, system, kib = open(sys.argv[2]).read().split()[-4:]
print(first, ",".join("%.0f" % i for i in intervals), len(shown), wall,
      float(user) + float(system), kib)
PY
}

wine_warm() {
  wineserver -p >/dev/null 2>&1 </dev/null || true
  play "$@"
}
wine_cold() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  play "$@"
}

echo "A first show under wine (not counted)..." >&2
wineserver -p >/dev/null 2>&1 </dev/null || true
play warmup wine "$work/photos.exe"
for ((r = 1; r <= REPS; ++r)); do
  echo "Run $r of $REPS..." >&2
  play linux "$work/photos-linux"
  wine_warm wine-warm wine "$work/photos.exe"
  wine_cold wine-cold wine "$work/photos.exe"
done

report() {
  python3 - "$work/$1.txt" "$2" <<'PY'
import statistics, sys
runs = [l.split() for l in open(sys.argv[1])]
def s(values, fmt):
    values = sorted(values)
    return (fmt % statistics.median(values)) + " (" + (fmt % values[0]) + "-" + (fmt % values[-1]) + ")"
first = [float(r[0]) for r in runs]
steps = [float(v) for r in runs for v in r[1].split(",") if v]
slides = [int(r[2]) for r in runs]
wall = [float(r[3]) for r in runs]
cpu = [float(r[4]) for r in runs]
print("| %s | %s ms | %s ms, %d switches | %s | %s s | %s s | %s | %s MiB |" % (
    sys.argv[2], s(first, "%.0f"), s(steps, "%.0f"), len(steps),
    "/".join(str(n) for n in slides), s(wall, "%.2f"), s(cpu, "%.2f"),
    s([c / w for c, w in zip(cpu, wall)], "%.2f"),
    s([int(r[5]) / 1024 for r in runs], "%.0f")))
PY
}
echo
echo "| player | start to first slide | between two slides | slides seen | wall, whole show | CPU, whole show | cores used | peak memory |"
echo "|---|---|---|---|---|---|---|---|"
report linux "Linux runtime ($(basename "$linux"))"
report wine-warm "Windows runtime, wine running"
report wine-cold "Windows runtime, wine started by the show"
