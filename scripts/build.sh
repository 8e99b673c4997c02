#!/usr/bin/env bash
# Configures (once) and builds one preset: scripts/build.sh <preset> [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
dir=build/$preset
[ -f "$dir/build.ninja" ] || cmake --preset "$preset" >/dev/null
if (($#)); then
  cmake --build "$dir" -j2 --target "$@"
else
  cmake --build "$dir" -j2
fi
