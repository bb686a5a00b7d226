#!/usr/bin/env bash
# The whole test suite from a bare machine: installs what is missing,
# configures, builds, and runs every test under Wine with a virtual display.
#
#   scripts/test.sh [--heap-check] [CTEST ARGS...]
#
# --heap-check runs every test program with Wine's heap checking
# (WINEDEBUG=warn+heap, set by build/wine-run.sh for the test programs only),
# keeps each program's stderr in BUILD_DIR/heap-check/, and at the end counts
# the heap messages wine printed: the run fails unless the count is 0, even
# when every test passed. The checking makes allocation-heavy tests hundreds
# of times slower (one takes a quarter of an hour), so each test may then run
# for an hour instead of 120 s. Other arguments go to ctest (e.g. -R Name).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
heap_check=""
if [ "${1:-}" = "--heap-check" ]; then heap_check=1; shift; fi

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

if [ -n "$heap_check" ]; then
    export DVP_HEAP_CHECK_DIR="$build_dir/heap-check"  # read by wine-run.sh
    export DVP_TEST_TIMEOUT=3600                        # read by ctest (tests/CMakeLists.txt)
    rm -rf "$DVP_HEAP_CHECK_DIR"
    mkdir -p "$DVP_HEAP_CHECK_DIR"
fi
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$root/scripts/with-wine.sh" "$build_dir" \
    ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@" || status=$?
[ -z "$heap_check" ] && exit $status

# Wine's messages look like "0124:err:heap:validate_used_block ..."; every
# message of the heap channel counts, whatever its class.
pattern='^[0-9a-f]*:?[a-z]+:heap:'
count=$(cat "$DVP_HEAP_CHECK_DIR"/wine.* 2>/dev/null | grep -cE "$pattern" || true)
echo "Heap check: $count message(s) from wine's heap channel (logs: $DVP_HEAP_CHECK_DIR)"
if [ "$count" -ne 0 ]; then
    echo "Messages, addresses folded, by count:"
    cat "$DVP_HEAP_CHECK_DIR"/wine.* | grep -E "$pattern" | cut -d: -f2- |
        sed -E 's/0x[0-9a-fA-F]+/0x.../g; s/\b[0-9a-fA-F]{8,16}\b/.../g' | sort | uniq -c | sort -rn
    echo "Programs that printed them:"
    grep -lE "$pattern" "$DVP_HEAP_CHECK_DIR"/wine.* | xargs -n1 head -n1 | sed 's/^### /  /'
    [ "$status" -ne 0 ] || status=1
fi
exit $status
