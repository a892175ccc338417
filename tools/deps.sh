#!/usr/bin/env bash
# Installs what building and testing setup needs on Debian 12, once: the MinGW
# cross compilers, Wine (with its 32-bit part), Xvfb, ImageMagick, GoogleTest's
# sources, clang with libFuzzer, zlib and Google Benchmark, and the 32-bit
# compiler, zlib and sanitizer runtimes (in libclang-rt-14-dev) the -m32 builds
# need, with qemu's user-mode emulator for kernels that run no 32-bit programs.
# Safe to run again.
set -eu
packages=(cmake make python3 g++ mingw-w64 wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick
          googletest clang libclang-rt-14-dev zlib1g-dev libbenchmark-dev g++-multilib zlib1g-dev:i386
          qemu-user)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
