#!/usr/bin/env bash
# Configures and builds one flavour of the tree into build/<flavour>:
#   native    the platform-neutral core and its tests (gcc)
#   sanitize  the same under ASan and UBSan, with the libFuzzer targets (clang)
#   i686      setup.exe and the Windows tests for 32-bit Windows (the product)
#   x86_64    the same for 64-bit Windows
#   bench     the decoder benchmark (Release, native, links zlib)
#   bench32   the same built for i686 (-m32) against the i386 zlib: the product's
#             own processor
#   native32  the native core and its tests built for i686 (-m32), where the
#             decoder's state is laid out as in the product
#   sanitize32  the same under ASan and UBSan, with the libFuzzer targets (clang)
# 32-bit programs run natively, or under qemu-i386 where the kernel cannot run them.
# Extra arguments go to the build (e.g. --target setup).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=$1; shift
out=$root/build/$flavour
sanitize=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSETUP_SANITIZE=ON -DSETUP_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
m32=(-DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DCMAKE_CROSSCOMPILING_EMULATOR=$root/cmake/i386-run)
case "$flavour" in
  native) args=() ;;
  sanitize) args=("${sanitize[@]}") ;;
  native32) args=("${m32[@]}") ;;
  sanitize32) args=("${sanitize[@]}" "${m32[@]}") ;;
  i686|x86_64) args=(-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-$flavour-mingw.cmake) ;;
  bench) args=(-DSETUP_BENCH=ON -DCMAKE_BUILD_TYPE=Release) ;;
  bench32) args=(-DSETUP_BENCH=ON -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS=-m32 -fno-pie" "-DCMAKE_CXX_FLAGS=-m32 -fno-pie" -DCMAKE_EXE_LINKER_FLAGS=-no-pie -DCMAKE_CROSSCOMPILING_EMULATOR=$root/cmake/i386-run) ;;
  *) echo "build.sh: unknown flavour $flavour" >&2; exit 2 ;;
esac
mkdir -p "$root/build"
cmake -S "$root" -B "$out" "${args[@]}" >"$out.configure.log" 2>&1 || { cat "$out.configure.log"; exit 1; }
cmake --build "$out" -j"$(nproc)" "$@"
