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

# Without the preloader, Linux puts the loader's brk heap anywhere in the
# gigabyte above it (0x7d000000), and a few program starts in ten thousand
# find that heap where Windows' shared user data must go (0x7ffe0000): wine
# then exits at once with status 1, and says why only on the err channel,
# which WINEDEBUG=-all silences; ctest shows a test failed in 0.00 s with no
# output. The preloader reserves those addresses before anything is mapped.
if [ ! -e /usr/lib/wine/wine64-preloader ]; then
    echo "with-wine.sh: /usr/lib/wine/wine64-preloader is missing (scripts/setup.sh installs it)" >&2
    exit 1
fi

stop_server() { "$server" -k >/dev/null 2>&1 || true; }
trap stop_server EXIT

# The persistent server must own the prefix before any wine program starts: a
# program that finds none starts one itself, through Debian's wrapper with
# -p0, and that one exits seconds after the last program, taking the prefix's
# services with it, so any pause (ctest starting, a busy machine) restarts the
# prefix under the next test. Hence no server left from an interrupted run,
# the prefix folder made (the server needs it; wineboot fills it), and the
# server started in the foreground: it returns once its daemon holds the
# prefix's lock and listens (status 2: another server holds it).
start_prefix() {
    stop_server
    mkdir -p "$WINEPREFIX"
    if ! setsid -w "$server" -p </dev/null >/dev/null 2>&1; then
        echo "with-wine.sh: could not start a persistent wine server for $WINEPREFIX" >&2
        exit 1
    fi
    # Boot (or refresh) the prefix; its services stay up under the server.
    setsid "$wine" wineboot -i </dev/null >"$build_dir/wineboot.log" 2>&1 || true
}
start_prefix

# Every window of the prefix is drawn inside one virtual desktop window, as
# Wine's desktop setting does: a top-level window is then no X window of its
# own, and closing a dialog waits for no window manager (Xvfb has none),
# which took seconds per dialog. The desktop reads the setting when it
# starts, so a prefix without it is started once more after it is written
# (the server saves the registry when it stops).
if ! grep -qs '^"Default"="1280x1024"' "$WINEPREFIX/user.reg"; then
    key='HKCU\Software\Wine\Explorer'
    setsid "$wine" reg add "$key" /v Desktop /d Default /f </dev/null >>"$build_dir/wineboot.log" 2>&1 || true
    setsid "$wine" reg add "$key\Desktops" /v Default /d 1280x1024 /f </dev/null >>"$build_dir/wineboot.log" 2>&1 || true
    start_prefix
fi
"$@"
