#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (idempotent; quiet when all are present).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
  libz-mingw-w64-dev
  wine wine32:i386 libwine-dev xvfb xauth x11-utils fonts-wqy-microhei fonts-wine
  dpkg-dev python3 curl imagemagick
  libpng-dev libjpeg62-turbo-dev
)
# Where 32-bit x86 programs cannot run, the Windows tests and the client run in an emulated
# machine; the client's screen is served from there by a VNC server.
"$(dirname "$0")/can-run-x86.sh" || packages+=(qemu-system-x86 busybox-static x11vnc)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
has_src() {
  grep -rqs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ ||
    grep -rqs 'Types:.*deb-src' /etc/apt/sources.list.d/
}
[ ${#missing[@]} -eq 0 ] && has_src && exit 0

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
# Source entries for the cross-built libraries (libjpeg-turbo, libpng1.6).
if ! has_src; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee /etc/apt/sources.list.d/ludora-src.list >/dev/null
  fi
fi
as_root apt-get update -qq
[ ${#missing[@]} -eq 0 ] || as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
