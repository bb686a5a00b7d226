#!/usr/bin/env bash
# The demo from a bare machine: builds the plug-in and the stand-in host, then
# lets the host load DVP_QPV.dll, describe it, identify the sample image and
# render it to build/demo/sample.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" -DDVP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target DVP_QPV libgfl64U dopus
mkdir -p "$build_dir/demo"
sample="$root/docs/samples/sample.png"
out="$build_dir/demo/sample.png"
run() { "$build_dir/wine-run.sh" "$build_dir/dist/dopus.exe" "$@"; }
xvfb-run -a "$root/scripts/with-wine.sh" "$build_dir" bash -c '
    set -e
    run() { "$0/wine-run.sh" "$0/dist/dopus.exe" "$@"; }
    run info
    run identify "$(winepath -w "$1" 2>/dev/null || echo "Z:$1")"
    run render "Z:$1" "Z:$2"
' "$build_dir" "$sample" "$out"
echo "Rendered $out"
