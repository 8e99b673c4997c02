#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively (with
# ASan and UBSan) and the quote service's tests, then the Windows build under
# Wine: the same core tests, the Windows layer and the end-to-end tests that
# drive the real Kazeban.exe. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== native (ASan + UBSan)"
bash scripts/build.sh native-asan
ctest --test-dir build/native-asan --output-on-failure

echo "== Windows, under Wine"
bash scripts/build.sh mingw
source scripts/wine-env.sh "$PWD/build/mingw/wineprefix"
kazeban_make_prefix
unset DISPLAY  # a private display: the tests take screenshots and click
kazeban_start_display
trap 'wineserver -k 2>/dev/null || true; kazeban_stop_display' EXIT
kazeban_warm_wine
export KAZEBAN_BUILD_DIR=$PWD/build/mingw KAZEBAN_SOURCE_DIR=$PWD
ctest --test-dir build/mingw --output-on-failure -j2 --timeout 300
