#!/usr/bin/env bash
# The program itself on documents of 12-megapixel photos (4000 x 3000 JPEGs stored as
# they are): peak memory (maximum resident set size) of `luserio --info`, of
# `luserio --play` and of the editor with its first page shown, for the 20- and the
# 100-slide documents side by side, and the editor's time from its start to its window
# on the screen. Prints one table of medians (with the range of the runs).
#
#   bench/photo-show.sh            # from the source root; 3 runs of each measure
#   REPS=5 bench/photo-show.sh     # 5 runs;  BUILD=other-build bench/photo-show.sh
#
# Builds nothing. Needs build/luserio and build/bench_PhotoShowBench (configure with
# -DLSR_BUILD_BENCH=ON), which makes the fixtures on first use and keeps them in
# $TMPDIR/luserio-bench-fixtures: 100 photo JPEGs and the documents `photos20.lsr` and
# `photos100.lsr` made of them (no transparent colour, 1 second per slide, timer
# switching on, looping off: a play ends by itself after the last slide).
#
# Measuring tools, not dependencies of the program: GNU time (/usr/bin/time, Debian
# package `time`) for the peak memory; for the time to the window xvfb-run (package
# `xvfb`, in scripts/setup.sh) and xdotool (package `xdotool`, install it by hand:
# `sudo apt-get install xdotool`); without them that row is left out.
#
# The program runs with settings of its own in a temporary folder (the user's stay
# untouched), on the offscreen platform with one 1920 x 1080 screen (--play and the
# editor), or on a 1920 x 1080 Xvfb screen (the time to the window). The editor is
# stopped with `timeout` 8 seconds after its start, when its first page has filled in.
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
REPS=${REPS:-3}
luserio=$BUILD/luserio
fixtures=$BUILD/bench_PhotoShowBench
for f in "$luserio" "$fixtures"; do
  [[ -x $f ]] || { echo "$f is missing: build it first (-DLSR_BUILD_BENCH=ON)" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing: sudo apt-get install time" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
cat >"$work/screen.json" <<'EOF'
{ "screens": [ { "name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] }
EOF
offscreen="offscreen:configfile=$work/screen.json"

echo "Preparing fixtures..." >&2
mapfile -t docs < <(QT_QPA_PLATFORM=offscreen "$fixtures" --fixtures-only 2>"$work/fixtures.log")
[[ ${#docs[@]} -eq 2 && -f ${docs[0]} && -f ${docs[1]} ]] ||
  { cat "$work/fixtures.log" >&2; echo "the fixtures could not be made" >&2; exit 1; }

# run EXPECTED_STATUS COMMAND...: runs the command under GNU time, its output thrown
# away; sets KIB (peak resident set size in KiB) and SECS (wall-clock seconds). A status
# other than the expected one ends the script.
run() {
  local expected=$1 status
  shift
  /usr/bin/time -f '%M %e %x' -o "$work/time" "$@" >/dev/null 2>>"$work/stderr.log" || true
  read -r KIB SECS status < <(tail -n 1 "$work/time")
  if [[ $status != "$expected" ]]; then
    echo "unexpected exit status $status (expected $expected): $*" >&2
    grep -v 'This plugin does not support' "$work/stderr.log" | tail -n 20 >&2
    exit 1
  fi
}

# summary VALUES...: "median (min-max)", or the value alone for one run.
summary() {
  local sorted
  mapfile -t sorted < <(printf '%s\n' "$@" | sort -g)
  local n=${#sorted[@]}
  if ((n == 1)); then echo "${sorted[0]}"; else
    echo "${sorted[n / 2]} (${sorted[0]}-${sorted[n - 1]})"
  fi
}

mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

declare -A result
for i in 0 1; do
  doc=${docs[$i]}
  info=() play=() playSecs=() editor=() mapped=()
  for ((r = 0; r < REPS; ++r)); do
    echo "run $((r + 1))/$REPS: $(basename "$doc")" >&2
    run 0 "$luserio" --info "$doc"
    info+=("$(mib "$KIB")")
    # The play ends by itself after the last slide; timeout only bounds a hang.
    run 0 env QT_QPA_PLATFORM="$offscreen" timeout 600 "$luserio" --play "$doc"
    play+=("$(mib "$KIB")") playSecs+=("$SECS")
    # The editor runs until timeout stops it (status 124).
    run 124 env QT_QPA_PLATFORM="$offscreen" timeout 8 "$luserio" "$doc"
    editor+=("$(mib "$KIB")")
    if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
      # From the start of the process until its main window is mapped (viewable); the
      # window is looked for every 10 ms or so.
      # shellcheck disable=SC2016 # the inner script expands its own arguments
      ms=$(xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
        start=$(date +%s%N)
        "$1" "$2" 2>/dev/null &
        pid=$!
        until xdotool search --onlyvisible --name "ルセリオ\$" >/dev/null 2>&1; do
          kill -0 $pid 2>/dev/null || exit 1
          sleep 0.01
        done
        echo $((($(date +%s%N) - start) / 1000000))
        kill $pid
        wait $pid 2>/dev/null || true' _ "$luserio" "$doc")
      mapped+=("$ms")
    fi
  done
  result[info$i]=$(summary "${info[@]}")
  result[play$i]=$(summary "${play[@]}")
  result[playSecs$i]=$(summary "${playSecs[@]}")
  result[editor$i]=$(summary "${editor[@]}")
  result[mapped$i]=${mapped[*]:+$(summary "${mapped[@]}")}
done

echo
echo "$("$luserio" --version 2>/dev/null | head -n 1), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "12-MP photo documents; medians of $REPS runs (range); peak RSS in MiB (GNU time %M / 1024)"
echo
printf '| %-46s | %-24s | %-24s | %-8s |\n' measure "20 slides" "100 slides" goal
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..48})" "$(printf -- '-%.0s' {1..26})" \
  "$(printf -- '-%.0s' {1..26})" "$(printf -- '-%.0s' {1..10})"
row() { printf '| %-46s | %-24s | %-24s | %-8s |\n' "$1" "$2" "$3" "$4"; }
row "luserio --info, peak RSS" "${result[info0]}" "${result[info1]}" "< 100"
row "luserio --play to its end, peak RSS" "${result[play0]}" "${result[play1]}" "< 400"
row "  the play ran (s)" "${result[playSecs0]}" "${result[playSecs1]}" ""
row "editor, first page shown (stopped at 8 s), RSS" "${result[editor0]}" "${result[editor1]}" "< 600"
if [[ -n ${result[mapped0]} ]]; then
  row "editor start to window mapped, Xvfb (ms)" "${result[mapped0]}" "${result[mapped1]}" "< 1000"
else
  echo "(time to the window left out: xvfb-run or xdotool is missing)"
fi
