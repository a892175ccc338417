#!/usr/bin/env bash
# Installs what building and testing setup needs on Debian 12, once: the MinGW
# cross compilers, Wine (with its 32-bit part), Xvfb, ImageMagick, GoogleTest's
# sources, clang with libFuzzer, zlib and Google Benchmark, the 32-bit
# compiler, zlib and sanitizer runtimes (in libclang-rt-14-dev) the -m32 builds
# need, with qemu's user-mode emulator for kernels that run no 32-bit programs,
# osslsigncode and openssl, which sign a release, faketime, with which the tests
# build one at another time, and the Japanese locale, from which Wine takes a
# double-byte code page.
# Safe to run again.
set -eu
packages=(cmake make python3 g++ mingw-w64 wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick
          googletest clang libclang-rt-14-dev zlib1g-dev libbenchmark-dev g++-multilib zlib1g-dev:i386
          qemu-user osslsigncode openssl faketime locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Wine runs a program in code page 932 when LANG names a Japanese locale that exists.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "Generating the locale ja_JP.UTF-8"
  $SUDO sed -i -E 's/^# *(ja_JP\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
