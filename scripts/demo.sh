#!/usr/bin/env bash
# The demo from a bare machine: builds the plug-in, the stand-in host and the
# stand-in image library, then lets the host load DVP_QPV.dll, describe it,
# identify the sample image (by path and as a stream) and render it to
# build/demo/sample.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target DVP_QPV libgfl64U dopus
mkdir -p "$build_dir/demo"

# Wine sees the Unix root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
sample=$(winpath "$root/docs/samples/sample.png")
out=$(winpath "$build_dir/demo/sample.png")
config=$(winpath "$build_dir/demo/config")
mkdir -p "$build_dir/demo/config"
export build_dir config

# The built-in exclusions refuse .png, which a host shows by itself; the
# demo's own settings file lets PNG through and excludes only .jpg.
cat > "$build_dir/demo/config/DVP_QPV.oxc" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<DVP_QPV>
  <ExcludedExtension>.jpg</ExcludedExtension>
  <UseQPVForStreams>1</UseQPVForStreams>
</DVP_QPV>
XML

xvfb-run -a "$root/scripts/with-wine.sh" "$build_dir" bash -c '
    set -e
    host() { "$build_dir/wine-run.sh" "$build_dir/dist/dopus.exe" --config "$config" "$@"; }
    echo "== dopus.exe info"
    host info
    echo "== dopus.exe identify (by path, then as a stream)"
    host identify "$0"
    host identify --stream "$0"
    echo "== dopus.exe render"
    host render "$0" "$1"
' "$sample" "$out"
echo "Rendered $build_dir/demo/sample.png"
