#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the tests and the program need.
# The Windows player runtime is cross-built with mingw-w64; its tests run it under wine
# on a virtual X server and press its keys with xdotool. The Linux player runtime (no Qt),
# which every slideshow made on Linux starts with, is built on the X client libraries'
# headers (Xlib, Xext, Xft, fontconfig) with the static archives of libpng, libjpeg and
# zlib; its tests also run it under a compositing manager (xcompmgr) and a window
# manager (openbox). On X11 the program asks the server through libxcb (and its Shape
# extension); on Wayland it runs on Qt's Wayland platform, and on compositors with
# layer-shell speaks to the compositor itself (libwayland, xkbcommon). The compositor
# tests run the shows in sway (headless, with and without XWayland) and take screenshots
# with grim.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-pdf-dev libqt6svg6
  qt6-image-formats-plugins qt6-translations-l10n qt6-qpa-plugins
  libgl-dev zlib1g-dev libpng-dev libjpeg-dev libturbojpeg0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk
  xvfb xauth x11-utils x11-xserver-utils imagemagick poppler-utils
  cabextract gcab
  desktop-file-utils shared-mime-info dpkg-dev file
  g++-mingw-w64-x86-64
  wine wine64 xdotool
  libx11-dev libxext-dev libxft-dev libfontconfig-dev xcompmgr openbox
  libxcb1-dev libxcb-shape0-dev libwayland-dev libxkbcommon-dev qt6-wayland
  sway swaybg grim xwayland
)
# `setup.sh fuzz` also installs the compiler and runtime the fuzz targets need.
if [[ "${1:-}" == fuzz ]]; then packages+=(clang libclang-rt-dev); fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "This set-up step needs apt-get (Debian or Ubuntu). Install these packages by hand:" >&2
  echo "  ${missing[*]}" >&2
  exit 1
fi

cmd=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo=(sudo)
else
  echo "Missing system packages. Run this command, then run make again:" >&2
  echo "  sudo apt-get update && sudo ${cmd[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" "${cmd[@]}"
