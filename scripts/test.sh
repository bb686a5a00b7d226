#!/usr/bin/env bash
# The whole test suite from a bare machine: installs what is missing,
# configures, builds, and runs every test under Wine with a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$root/scripts/with-wine.sh" "$build_dir" \
    ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@"
