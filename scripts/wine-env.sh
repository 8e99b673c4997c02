# Sourced by run.sh and test.sh: the environment every Wine process of ours shares.
# Usage: source scripts/wine-env.sh <prefix-dir>
KAZEBAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
export no_proxy=127.0.0.1,localhost

kazeban_prefix_ready() {
  [ -f "$WINEPREFIX/.kazeban-ready" ]
}

# A fresh prefix costs ~8 s; it is kept per build folder and marked once configured.
kazeban_make_prefix() {
  kazeban_prefix_ready && return 0
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # A crash must end the test, not wait for a dialog nobody will click.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Without the replacement the proportional face falls back to monospaced IPAGothic.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.kazeban-ready"
}

# Starts Xvfb and openbox on a free display unless one is given.
# Without a window manager every hide of a shown window costs Wine 2 s.
kazeban_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n=${KAZEBAN_DISPLAY_NUM:-$((90 + RANDOM % 400))}
  while [ -e "/tmp/.X${n}-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  KAZEBAN_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox --sm-disable >/dev/null 2>&1 &
  KAZEBAN_OPENBOX_PID=$!
  sleep 0.3
}

kazeban_stop_display() {
  [ -n "${KAZEBAN_OPENBOX_PID:-}" ] && kill "$KAZEBAN_OPENBOX_PID" 2>/dev/null || true
  [ -n "${KAZEBAN_XVFB_PID:-}" ] && kill "$KAZEBAN_XVFB_PID" 2>/dev/null || true
}

# Starts a wineserver now so that each test does not wait for the last one to linger out.
kazeban_warm_wine() {
  wineserver -p 2>/dev/null || true  # fails when one is already up
  wine wineboot </dev/null >/dev/null 2>&1 || true
}
