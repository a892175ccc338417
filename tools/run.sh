#!/usr/bin/env bash
# The main job: builds setup.exe (32-bit Windows) and starts it under Wine in a
# private, disposable prefix. With an X display it runs there for you to use;
# without one it runs under Xvfb and leaves screenshots in the build folder.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" || exit 1
"$root/tools/build.sh" i686 --target setup >"$root/build/i686.run-build.log" 2>&1 ||
  { tail -n 40 "$root/build/i686.run-build.log"; exit 1; }
setup=$root/build/i686/setup.exe
template=$root/build/i686/wine/template

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting $setup under Wine on $DISPLAY"
  WINE_RUN_DISPLAY=$DISPLAY exec "$root/cmake/wine-run" --template "$template" --no-virtual-desktop --timeout 86400 "$setup"
fi

shots=$root/build/screenshots
mkdir -p "$shots"
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo"; rm -f "$fifo"
[ -n "${num:-}" ] || { echo "run.sh: Xvfb did not start" >&2; exit 1; }
trap 'kill $xvfb 2>/dev/null' EXIT
echo "No display: running $setup under Xvfb :$num"
WINE_RUN_DISPLAY=:$num "$root/cmake/wine-run" --template "$template" --timeout 25 "$setup" &
run=$!
sleep 20
import -display ":$num" -window root "$shots/setup.png"
wait $run
echo "Screenshot: $shots/setup.png"
