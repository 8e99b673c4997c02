#!/usr/bin/env bash
# Builds Kazeban.exe and starts it under Wine beside a local quote service in
# demo mode, so the board shows live-looking figures at once.
# Uses $DISPLAY when there is one; otherwise its own Xvfb, where a screenshot
# is saved to build/mingw/board.png after a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh mingw Kazeban >/dev/null

source scripts/wine-env.sh "$PWD/build/mingw/wineprefix"
kazeban_make_prefix
own_display=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  own_display=1
  unset DISPLAY
  kazeban_start_display
  xsetroot -solid '#3a6ea5'
fi

server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  ((own_display)) && kazeban_stop_display
  return 0
}
trap cleanup EXIT INT TERM

# The board asks 127.0.0.1:8740 unless its Kazeban.INI names another [Feed] Host.
if ! (exec 3<>/dev/tcp/127.0.0.1/8740) 2>/dev/null; then
  python3 tools/quote_server.py --port 8740 --mode demo --log build/mingw/quote-requests.log &
  server_pid=$!
  sleep 0.5
fi

echo "Kazeban is running on DISPLAY=$DISPLAY (settings: build/mingw/Kazeban.INI). Ctrl+C ends it."
if ((own_display)); then
  (sleep 4 && import -window root build/mingw/board.png && echo "screenshot: build/mingw/board.png") &
fi
wine build/mingw/Kazeban.exe
