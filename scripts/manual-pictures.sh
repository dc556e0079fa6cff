#!/usr/bin/env bash
# Renders the pictures of the user manual (resources/manual/images/*.png): the dialogs
# and the editor window with a generated sample document, and the help window searching
# the manual as last built, under the offscreen platform.
# Run after changing a dialog or the editor's look; the build then rewrites Manual.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
[[ -f "$BUILD/build.ninja" ]] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" --target lsr_dialog_shots
# The help window shows the manual built last (a manual that does not build yet, for
# want of a new picture, leaves the one before).
cmake --build "$BUILD" --target manual || echo "Manual.pdf not rebuilt; the help picture shows the last one"
manual=()
[[ -f "$BUILD/Manual.pdf" ]] && manual=("$BUILD/Manual.pdf")
QT_QPA_PLATFORM=offscreen "$BUILD/tools/lsr_dialog_shots" resources/manual/images "${manual[@]}"
echo "Pictures written to resources/manual/images"
