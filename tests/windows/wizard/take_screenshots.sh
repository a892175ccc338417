#!/usr/bin/env bash
# Photographs the wizard as a person sees it: runs wizard_tour on an X screen of
# its own and takes a picture of the whole screen at every stop the tour makes.
#
#   take_screenshots.sh BUILD_DIR OUT_DIR [24|8]
#
# BUILD_DIR is an i686 build folder in which the wizard_tour target was built;
# the pictures are written to OUT_DIR as NN-name.png (prefixed "palette-" for an
# 8-bit screen). The test prefix has neither Times New Roman nor Courier New:
# font_replacements.reg draws them with the nearest faces the machine has.
set -u
build=$(cd "$1" && pwd) out=$2 depth=${3:-24}
here=$(cd "$(dirname "$0")" && pwd)
tour=$build/tests/windows/wizard/wizard_tour.exe
[ -x "$tour" ] || { echo "take_screenshots: build wizard_tour first" >&2; exit 2; }
mkdir -p "$out"
prefix_name=""
[ "$depth" = 8 ] && prefix_name=palette-

fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 6 -screen 0 "1024x768x$depth" -nolisten tcp 6>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo"; rm -f "$fifo"
[ -n "${num:-}" ] || { echo "take_screenshots: Xvfb did not start" >&2; exit 1; }
trap 'kill $xvfb 2>/dev/null' EXIT

runs=$build/wine/wine-runs
mkdir -p "$runs"
before=$(ls -d "$runs"/wizard_tour.* 2>/dev/null)
WINE_RUN_DISPLAY=:$num "$here/../../../cmake/wine-run" --template "$build/wine/template" \
  --arch win32 --reg "$here/font_replacements.reg" "$tour" &
runner=$!

prefix=""
until [ -n "$prefix" ] || ! kill -0 $runner 2>/dev/null; do
  sleep 0.2
  for candidate in "$runs"/wizard_tour.*; do
    case "$before" in *"$candidate"*) ;; *) [ -d "$candidate" ] && prefix=$candidate ;; esac
  done
done
shots=$prefix/drive_c/run/shots
while kill -0 $runner 2>/dev/null && [ ! -e "$shots/finished" ]; do
  for ready in "$shots"/*.ready; do
    [ -e "$ready" ] || continue
    name=$(basename "$ready" .ready)
    import -window root -display ":$num" "$out/$prefix_name$name.png"
    rm -f "$ready"
    touch "$shots/$name.done"
    echo "took $prefix_name$name.png"
  done
  sleep 0.2
done
wait $runner
