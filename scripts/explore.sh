#!/usr/bin/env bash
# Explores the plug-in under the stand-ins' generated misbehaviour for a
# time or a number of scenarios, and reports scenarios run, deviations drawn
# per surface row, and findings with their seeds:
#
#   scripts/explore.sh [--minutes M | --scenarios N] [--first-seed S] [--heap-check]
#   scripts/explore.sh --replay SEED
#
# Builds the release configuration into BUILD_DIR (default build-explore/,
# its own folder and Wine prefix, so it can run beside scripts/test.sh).
# Without --first-seed the seeds start at a random place, printed first.
# --heap-check runs under Wine's heap checking (WINEDEBUG=warn+heap): the
# stderr of all batches goes to BUILD_DIR/explore-heap/, and the report ends
# with the count of messages from Wine's heap channel and the seeds of the
# scenarios that printed them. --replay runs one scenario with its steps
# printed. The command fails when anything was found.
#
# Wine's own native (Unix) code allocates from glibc's heap, which Wine's heap
# checking does not watch. When glibc finds that heap corrupted it prints one
# line and aborts, and the abort ends in Wine's signal handling, where the
# batch then waits until it is reported as a hang, with no word of where. So
# while the exploration runs, a watcher dumps the native stacks of every
# batch process (eu-stack reads the process's own maps, which gdb cannot
# follow past Wine's preloader) as soon as glibc prints such a line, into
# BUILD_DIR/explore-native/, and the report ends with their count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${BUILD_DIR:-$root/build-explore}")
args=()
heap_check=""
first_seed=""
while [ $# -gt 0 ]; do
    case "$1" in
    --minutes | --scenarios | --replay) args+=("$1" "$2"); shift 2 ;;
    --first-seed) first_seed=$2; shift 2 ;;
    --heap-check) heap_check=1; shift ;;
    *) echo "usage: $0 [--minutes M | --scenarios N] [--first-seed S] [--heap-check] | --replay SEED" >&2; exit 2 ;;
    esac
done
[ -n "$first_seed" ] || first_seed=$(( (RANDOM << 15 | RANDOM) * 1000 + 1 ))
args+=(--first-seed "$first_seed")

"$root/scripts/setup.sh" elfutils
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target explore explore_viewers

program="$build_dir/tests/explore/dopus.exe"
run() {
    xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/with-wine.sh" "$build_dir" \
        "$build_dir/wine-run.sh" "$program" "$@"
}

native_dir="$build_dir/explore-native"
rm -rf "$native_dir"
mkdir -p "$native_dir"
# Where the batches' stderr goes: one file per program under heap checking
# (wine-run.sh writes them), else a copy of this command's stderr.
if [ -n "$heap_check" ]; then
    export DVP_HEAP_CHECK_DIR="$build_dir/explore-heap"  # read by wine-run.sh
    rm -rf "$DVP_HEAP_CHECK_DIR"
    mkdir -p "$DVP_HEAP_CHECK_DIR"
    logs_dir=$DVP_HEAP_CHECK_DIR logs='wine.*'
else
    logs_dir=$native_dir logs='stderr.log'
fi
glibc_pattern='^([a-z_]+\(\): |double free|corrupted )'
heap_pattern='^[0-9a-f]*:?[a-z]+:heap:'
# count_lines REGEX: how many lines of the logs match (they appear as batches start).
count_lines() { cat "$logs_dir"/$logs 2>/dev/null | grep -cE "$1" || true; }
# report_lines TITLE REGEX: the count, and per seed the lines that match. Each
# batch writes "explore: scenario SEED" before a scenario; a line belongs to
# the scenario named last before it. Any line fails the command.
report_lines() {
    local count
    count=$(count_lines "$2")
    echo "$1: $count message(s)"
    [ "$count" -ne 0 ] || return 0
    cat "$logs_dir"/$logs | awk -v pattern="$2" '
        /^explore: scenario / { seed = $3 }
        $0 ~ pattern { n[seed]++ }
        END { for (s in n) printf "  seed %s: %d message(s)\n", s, n[s] }' | sort -k2 -n | head -50
    status=1
}
# watch_native: on each new glibc line, dumps the threads of every batch
# process still running.
watch_native() {
    local seen=0 count
    while sleep 2; do
        count=$(count_lines "$glibc_pattern")
        [ "$count" -gt "$seen" ] || continue
        seen=$count
        for pid in $(pgrep -f -- 'dopus.exe --batch ' || true); do
            eu-stack -m -p "$pid" >"$native_dir/threads-$pid-$(date -u +%H%M%S).txt" 2>&1 || true
        done
    done
}

echo "explore: load $(cut -d' ' -f1-3 /proc/loadavg) at start, $(date -u +%H:%M:%S) UTC"
status=0
watch_native &
watcher=$!
if [ -n "$heap_check" ]; then
    run "${args[@]}" || status=$?
else
    run "${args[@]}" 2> >(tee -a "$native_dir/stderr.log" >&2) || status=$?
fi
kill "$watcher" 2>/dev/null || true
echo "explore: load $(cut -d' ' -f1-3 /proc/loadavg) at end, $(date -u +%H:%M:%S) UTC"
report_lines "Native heap, from glibc (stack dumps in $native_dir)" "$glibc_pattern"
[ -z "$heap_check" ] || report_lines "Heap check, from wine's heap channel (logs: $logs_dir)" "$heap_pattern"
exit $status
