#!/usr/bin/env bash
# screenshot-dialog.sh: builds the plug-in and the stand-in host, opens the
# configuration dialog through "dopus.exe configure" on a virtual display,
# and stores a picture of just the dialog in docs/config-dialog.png.
#
# It uses a Wine prefix of its own (BUILD_DIR/wineprefix-screenshot) in which
# Wine draws window frames itself ("Decorated" = N): the virtual display has
# no window manager, which would otherwise leave the dialog without its
# caption. The dialog runs with a fresh, empty configuration folder, so it
# shows the built-in defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
display=${SCREENSHOT_DISPLAY:-:87}
out=${1:-$root/docs/config-dialog.png}
title="QPV Plugin Configuration"

"$root/scripts/setup.sh"
# The picture tools, only for this script.
if ! command -v import >/dev/null || ! command -v convert >/dev/null || ! command -v xwininfo >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick x11-utils >/dev/null
fi

cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target DVP_QPV libgfl64U dopus

export WINEPREFIX="$build_dir/wineprefix-screenshot"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY="$display"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
config=$(mktemp -d)

xvfb_pid=""
host_pid=""
cleanup() {
    set +e
    if [ -n "$host_pid" ]; then kill "$host_pid" 2>/dev/null; wait "$host_pid" 2>/dev/null; fi
    "$server" -k >/dev/null 2>&1
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
    rm -rf "$config"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 800x600x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -root >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }

# Wine's background services must not inherit our pipes: start them detached.
setsid "$server" -p </dev/null >/dev/null 2>&1 &
setsid "$wine" wineboot -i </dev/null >"$build_dir/wineboot-screenshot.log" 2>&1 || true
setsid "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1

"$wine" "$build_dir/dist/dopus.exe" --config "Z:${config//\//\\}" configure </dev/null >/dev/null 2>&1 &
host_pid=$!
for _ in $(seq 1 100); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.2; done
info=$(xwininfo -name "$title") || { echo "the dialog did not open" >&2; exit 1; }
sleep 1  # let the dialog finish painting
x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
w=$(sed -n 's/.*Width: *//p' <<<"$info")
h=$(sed -n 's/.*Height: *//p' <<<"$info")

mkdir -p "$(dirname "$out")"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
echo "Stored $out (${w}x${h})"
