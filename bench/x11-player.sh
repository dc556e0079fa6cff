#!/usr/bin/env bash
# The Linux slideshow player runtime (build/LsrCtrl.dll: the X11 shell of the show
# engine, no Qt) beside its peer, the Qt player that was the runtime before it, on a
# document of 20 photos of 4000 x 3000 (JPEGs stored as they are, 1 second per slide,
# timer switching, no loop), started alternately on a 1920 x 1080 Xvfb screen. For
# each: the time from the start to the first slide on the screen, the time between two
# slides coming up (the switch cadence), the wall and CPU time of the whole show, and
# its peak memory; medians with the range of the runs. Then what an exported slideshow
# weighs over its document with each, and the libraries each needs.
#
#   QT_PLAYER=/path/to/qt/LsrCtrl.dll bench/x11-player.sh   # 3 runs of each player
#   REPS=5 ...;  BUILD=other-build ...
#
# The Qt player is no longer built: build it from the history into a folder of its own,
# e.g. at the commit before its removal:
#   git worktree add /tmp/qt-player d6d9ef3~1 && cmake -S /tmp/qt-player -B /tmp/qt-build \
#     -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build /tmp/qt-build --target lsr_player
#   QT_PLAYER=/tmp/qt-build/LsrCtrl.dll bench/x11-player.sh
# Without QT_PLAYER only the runtime is measured.
#
# Builds nothing of the program. Needs build/LsrCtrl.dll, build/luserio and
# build/bench_PhotoShowBench, which makes the document on first use (kept in
# $TMPDIR/luserio-bench-fixtures). Measuring tools: GNU time (/usr/bin/time), Xvfb and a
# C compiler with the Xlib headers for the probe below, which starts a player and
# watches one pixel of the screen (in the middle of the show's window) every 2 ms,
# writing when it changes.
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
REPS=${REPS:-3}
qt=${QT_PLAYER:-}
bare=$BUILD/LsrCtrl.dll
fixtures=$BUILD/bench_PhotoShowBench
for f in "$bare" "$BUILD/luserio" "$fixtures" ${qt:+"$qt"}; do
  [[ -x $f ]] || { echo "$f is missing: build it first" >&2; exit 1; }
done

work=$(mktemp -d)
xpid=
trap '[[ -n $xpid ]] && kill $xpid 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime

echo "Preparing the document..." >&2
doc=$(QT_QPA_PLATFORM=offscreen "$fixtures" --fixtures-only 2>"$work/fixtures.log" | head -n 1)
[[ -f $doc ]] || { cat "$work/fixtures.log" >&2; exit 1; }

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

# Where the show's window lies: the document's stored rectangle (one screen, on which it
# is kept); a pixel left of its middle is watched, away from the pointer, which rests in
# the middle of the screen, where the window grows from.
read -r px py < <("$BUILD/luserio" --info "$doc" | python3 -c '
import json, sys
r = json.load(sys.stdin)["header"]["rcShowWindow"]
print((r[0] + r[2]) // 2 - 150, (r[1] + r[3]) // 2)')
xdotool mousemove 960 540 2>/dev/null || true

# play NAME PROGRAM: one show to its end, watched; appends its figures to NAME.txt:
# first slide (ms), the switch intervals (ms, space separated), wall s, CPU s, peak KiB.
play() {
  local name=$1 program=$2
  "$work/probe" "$px" "$py" "$work/pixels" /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    env LD_LIBRARY_PATH= QT_QPA_PLATFORM=xcb "$program" "$doc" >/dev/null 2>>"$work/stderr.log" ||
    { echo "$name failed" >&2; tail -n 20 "$work/stderr.log" >&2; exit 1; }
  python3 - "$work/pixels" "$work/time" >>"$work/$name.txt" <<'PY'
import sys
rows = [(float(t), p) for t, p in (l.split() for l in open(sys.argv[1]))]
desktop = rows[0][1]
# A slide comes up when the pixel leaves the desktop's colour (a switch hides the window
# for a moment), or takes a new colour well after the last one came up (a switch too
# quick for the probe to see the desktop). Comings-up closer than 300 ms are one (a
# window painted twice as it appears). The last SLIDES of them are the slides: what
# came before (the Qt player's progress window while it extracts the document) is not.
# A slide is on the screen when the pixel has taken the colour it keeps until the next
# one (the opening zoom draws the picture at every step of its growth).
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
print(first, ",".join("%.0f" % i for i in intervals), wall,
      float(user) + float(system), kib)
PY
}

for ((r = 1; r <= REPS; ++r)); do
  echo "Run $r of $REPS..." >&2
  [[ -n $qt ]] && play qt "$qt"
  play bare "$bare"
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
print("| %s | %s ms | %s ms, %d switches | %s s | %s s | %s MiB |" % (
    sys.argv[2], s(first, "%.0f"), s(steps, "%.0f"), len(steps),
    s([float(r[2]) for r in runs], "%.2f"), s([float(r[3]) for r in runs], "%.2f"),
    s([int(r[4]) / 1024 for r in runs], "%.0f")))
PY
}
echo
echo "| player | start to first slide | between two slides | wall, whole show | CPU, whole show | peak memory |"
echo "|---|---|---|---|---|---|"
[[ -n $qt ]] && report qt "Qt player (before)"
report bare "runtime without Qt (LsrCtrl.dll)"

# What a slideshow exported with each runtime weighs over its document (the .lsr file),
# and the libraries each needs (NEEDED entries; all that the loader brings in).
"$BUILD/luserio" --export-exe "$doc" "$work/exported" >/dev/null 2>&1
python3 - "$doc" "$work/exported" "$bare" "$qt" <<'PY'
import os, subprocess, sys
doc, exported, bare, qt = sys.argv[1:]
stream = os.path.getsize(exported) - os.path.getsize(bare) - 8
print()
print("document %s: %.1f MB (its stream %.1f MB)" % (os.path.basename(doc), os.path.getsize(doc) / 1e6, stream / 1e6))
for name, runtime in (("Qt player (before)", qt), ("runtime without Qt", bare)):
    if not runtime:
        continue
    over = os.path.getsize(runtime) + stream + 8 - os.path.getsize(doc)
    needed = [l.split("[")[1].rstrip("]") for l in subprocess.run(["readelf", "-d", runtime],
              capture_output=True, text=True).stdout.splitlines() if "(NEEDED)" in l]
    loaded = [l for l in subprocess.run(["ldd", runtime], capture_output=True, text=True,
              env=dict(os.environ, LD_LIBRARY_PATH="")).stdout.splitlines() if "=>" in l or "ld-linux" in l]
    print("%s: exported slideshow %+.2f MB over its document; needs %d libraries (%s), %d with theirs"
          % (name, over / 1e6, len(needed), " ".join(needed), len(loaded)))
PY
