#!/usr/bin/env bash
# Cross-builds libjpeg (interface 62) and libpng 1.6 for i686 mingw from Debian's source
# packages into a build-local prefix: build-deps.sh PREFIX. Kept between builds.
set -euo pipefail
prefix=$(realpath -m "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$root/cmake/mingw-i686.cmake"
[ -f "$prefix/.done" ] && exit 0

work="$prefix/.src"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
# Only the upstream tarball is used. The newest source version may be missing on the
# mirror while its tarball is there, so try each listed version until one arrives.
fetch() { # package tarball-glob
  local v
  for v in "" $(apt-cache showsrc "$1" | sed -n 's/^Version: //p'); do
    apt-get source --download-only -qq "$1${v:+=$v}" >/dev/null 2>&1 || true
    compgen -G "$2" >/dev/null && return 0
  done
  echo "build-deps: cannot fetch the source of $1" >&2; return 1
}
fetch libjpeg-turbo 'libjpeg-turbo_*.orig.tar.*'
fetch libpng1.6 'libpng1.6_*.orig.tar.*'

build() { # name source-dir cmake-args...
  local name=$1 src=$2; shift 2
  cmake -S "$src" -B "$work/$name-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >/dev/null
  cmake --build "$work/$name-build" >/dev/null
  cmake --install "$work/$name-build" >/dev/null
}

tar xf libjpeg-turbo_*.orig.tar.*
build jpeg "$(ls -d libjpeg-turbo-*/ | head -1)" \
  -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF

tar xf libpng1.6_*.orig.tar.*
build png "$(ls -d libpng-*/ | head -1)" \
  -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_STATIC=ON

rm -rf "$work"
touch "$prefix/.done"
