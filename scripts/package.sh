#!/usr/bin/env bash
# Builds the release DLL (preset mingw, the DLL target alone) and packs it:
#
#   scripts/package.sh
#
# writes BUILD_DIR/package/DVP_QPV-<version>-x64.zip (BUILD_DIR defaults to
# build/) with the DLL, INSTALL.txt, LICENSE.txt, THIRD-PARTY-NOTICES.txt,
# CHANGELOG.md and SHA256SUMS, and prints the zip's path, both SHA-256 sums
# and the versions of the tool chain that made them. The version is the
# project's (project(VERSION) in CMakeLists.txt). Two builds of one commit,
# in any folders and at any time, give the same DLL and the same zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${BUILD_DIR:-$root/build}")

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target DVP_QPV -j "$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
zip=$(python3 "$root/scripts/make-package.py" "$root" "$build_dir" "$version")

echo "$zip"
sha256sum "$build_dir/dist/Viewers/DVP_QPV.dll" "$zip"
echo "tool chain:"
dpkg-query -W -f='  ${Package} ${Version}\n' g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
python3 -c 'import sys, zlib; print(f"  python {sys.version.split()[0]}, zlib {zlib.ZLIB_RUNTIME_VERSION}")'
