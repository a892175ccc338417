#!/usr/bin/env bash
# The main job: builds setup.exe (32-bit Windows) and starts it under Wine in a
# private, disposable prefix. With an X display it runs there for you to use;
# without one it runs under Xvfb and leaves screenshots in the build folder.
# WINE_RUN_DPI=144 tools/run.sh shows it as on a screen of 144 DPI (LogPixels);
# without a display, the screen then has the size such screens come in (1920 x
# 1080 at 120 DPI, 2560 x 1440 at 144, 3840 x 2160 at 192) unless
# WINE_RUN_SCREEN=WIDTHxHEIGHT names another.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
case "${WINE_RUN_DPI:-96}" in
  120) screen=1920x1080 ;;
  144) screen=2560x1440 ;;
  192) screen=3840x2160 ;;
  *) screen=1024x768 ;;
esac
export WINE_RUN_SCREEN=${WINE_RUN_SCREEN:-$screen}
"$root/tools/deps.sh" || exit 1
mkdir -p "$root/build"
# Where the system runs 64-bit programs only (IA-32 emulation off), Wine cannot
# start a 32-bit program: the x86_64 build, the same program, stands in.
flavour=i686 arch=win32
if ! wine --version >/dev/null 2>&1; then
  flavour=x86_64 arch=win64
  echo "This machine cannot run 32-bit programs: running the x86_64 setup.exe instead."
fi
"$root/tools/build.sh" $flavour --target setup >"$root/build/$flavour.run-build.log" 2>&1 ||
  { tail -n 40 "$root/build/$flavour.run-build.log"; exit 1; }
setup=$root/build/$flavour/setup.exe
template=$root/build/$flavour/wine/template

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting $setup under Wine on $DISPLAY"
  WINE_RUN_DISPLAY=$DISPLAY exec "$root/cmake/wine-run" --template "$template" --arch $arch --no-virtual-desktop --timeout 86400 "$setup"
fi

# Without a display the end-to-end driver walks the typical run (and a second
# run over it) the way a person would, photographing the backdrop and every page.
shots=$root/build/screenshots
rm -rf "$shots" && mkdir -p "$shots"
"$root/tools/build.sh" $flavour --target e2e_typical_run_test >>"$root/build/$flavour.run-build.log" 2>&1 ||
  { tail -n 40 "$root/build/$flavour.run-build.log"; exit 1; }
driver=$root/build/$flavour/tests/e2e/e2e_typical_run_test.exe
echo "No display: walking $setup through the wizard under Xvfb"
log=$(mktemp)
E2E_SHOTS='C:\run\shots' WINE_RUN_KEEP=1 "$root/cmake/wine-run" --template "$template" --arch $arch \
  --timeout 300 --with "$setup" "$driver" --gtest_filter=TypicalRun.* 2>"$log"
rc=$?
prefix=$(sed -n 's/^wine-run: prefix kept at //p' "$log")
grep -v '^wine-run: prefix kept' "$log" >&2
rm -f "$log"
if [ -n "$prefix" ]; then
  for bmp in "$prefix"/drive_c/run/shots/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "$shots/$(basename "${bmp%.bmp}").png"
  done
  rm -rf "$prefix"
fi
echo "Screenshots in $shots:"
ls "$shots"
exit "$rc"
