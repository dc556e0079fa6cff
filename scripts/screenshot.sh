#!/usr/bin/env bash
# Renders the editor window with a generated sample document into docs/screenshot.png
# (off-screen, no display needed). Usage: scripts/screenshot.sh [OUT.png [WIDTH HEIGHT]]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
out=${1:-docs/screenshot.png}
width=${2:-1280}
height=${3:-720}
[[ -f "$BUILD/build.ninja" ]] || make configure
cmake --build "$BUILD" --target lsr_screenshot
mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=offscreen "./$BUILD/tools/lsr_screenshot" "$out" "$width" "$height"
echo "wrote $out"
