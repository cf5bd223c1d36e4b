#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the panel need.
# Safe to run again; installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libudev-dev libusb-1.0-0-dev libcli11-dev
  libtomlplusplus-dev nlohmann-json3-dev
  xvfb xauth fonts-dejavu-core binutils clang libclang-rt-14-dev
  xdotool openbox imagemagick x11-utils
  libusbredirparser-dev qemu-system-x86 busybox-static
  g++-mingw-w64-x86-64-posix googletest wine64 nsis zip
  zsh fish
  lintian desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
