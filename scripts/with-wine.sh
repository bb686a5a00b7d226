#!/usr/bin/env bash
# with-wine.sh BUILD_DIR COMMAND...
# Brings up the build's Wine prefix with a persistent wine server, detached
# from every pipe (wine's background services would otherwise inherit our
# stdout and keep ctest or any pipe waiting forever), runs COMMAND, then stops
# the server. Run it under a display (xvfb-run) when windows are involved.
set -euo pipefail
build_dir=$(cd "$1" && pwd); shift

export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

stop_server() { "$server" -k >/dev/null 2>&1 || true; }
trap stop_server EXIT

setsid "$server" -p </dev/null >/dev/null 2>&1 &
# Boot (or refresh) the prefix; its services stay up under the server.
setsid "$wine" wineboot -i </dev/null >"$build_dir/wineboot.log" 2>&1 || true
"$@"
