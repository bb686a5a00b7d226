#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing,
# and the ones named as arguments (scripts/explore.sh adds elfutils). Safe to run on
# every invocation: it does nothing when all are present.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix   # the cross compiler (posix threads)
    binutils-mingw-w64-x86-64    # windres, objdump
    wine64                       # runs the built programs
    wine64-preloader             # reserves Windows' fixed addresses first (see with-wine.sh)
    xvfb xauth                   # a display for the dialog tests
    cmake ninja-build
    googletest                   # built from source with the cross compiler
    libstb-dev                   # the stand-in image library's decoders
    clang lld                    # the second compiler and its linker
    clang-tidy                   # static analysis
    python3                      # reads the compile database for clang-tidy
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
