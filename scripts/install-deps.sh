#!/usr/bin/env bash
# Installs every Debian package that the builds, the tests and the program need.
set -euo pipefail

packages=(
  # toolchain and build
  g++ cmake ninja-build pkg-config googletest clang libclang-rt-14-dev
  # POSIX platform layer
  libfltk1.3-dev libx11-dev libcurl4-openssl-dev libpcre2-dev fonts-wqy-microhei
  # Windows platform layer, tested under Wine
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine
  # a real X server, clicks and screenshots, test scripts
  xvfb xauth x11-utils xdotool imagemagick python3 procps locales valgrind
  # benchmarks: peers and a static file server
  nginx curl wget time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
