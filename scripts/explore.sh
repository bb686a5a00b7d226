#!/usr/bin/env bash
# Explores the plug-in under the stand-ins' generated misbehaviour for a
# time or a number of scenarios, and reports scenarios run, deviations drawn
# per surface row, and findings with their seeds:
#
#   scripts/explore.sh [--minutes M | --scenarios N] [--first-seed S] [--heap-check]
#   scripts/explore.sh --replay SEED
#   scripts/explore.sh --planted [--scenarios N] [--keep DIR] [PATCH...]
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
# --planted plants each fault of tests/explore/planted/ (one realistic
# one-line mistake per patch, its first line saying what it breaks) in a
# scratch copy: a git worktree of HEAD in a temporary folder with its own
# release build and Wine prefix. It runs the copy as it is and then with each
# patch applied, each time only the generated scenarios the test command
# runs against the release build (its four parts' seeds, N per part,
# default 500; not the replayed rows of earlier findings, not the ordinary
# suite; the parts side by side, as many at once as there are processors,
# each writing its own output file), and prints per fault caught or missed,
# with the properties that found it and their scenario counts. It fails
# when the copy as it is has a finding or any fault is missed. --keep DIR keeps (and reuses) the copy and
# its build in DIR, so a later run only rebuilds what changed.
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
planted=""
keep=""
scenarios=500
while [ $# -gt 0 ]; do
    case "$1" in
    --planted) planted=1; shift ;;
    --keep) keep=$(realpath -m "$2"); shift 2 ;;
    --scenarios) scenarios=$2; args+=("$1" "$2"); shift 2 ;;
    --minutes | --replay) args+=("$1" "$2"); shift 2 ;;
    --first-seed) first_seed=$2; shift 2 ;;
    --heap-check) heap_check=1; shift ;;
    *.patch) [ -n "$planted" ] || { echo "$0: a patch without --planted" >&2; exit 2; }; args+=("$1"); shift ;;
    *) echo "usage: $0 [--minutes M | --scenarios N] [--first-seed S] [--heap-check] | --replay SEED | --planted [--scenarios N] [PATCH...]" >&2; exit 2 ;;
    esac
done

if [ -n "$planted" ]; then
    patches=()
    for a in "${args[@]}"; do case "$a" in *.patch) patches+=("$(realpath "$a")") ;; esac; done
    [ ${#patches[@]} -gt 0 ] || patches=("$root"/tests/explore/planted/*.patch)
    "$root/scripts/setup.sh"
    scratch=${keep:-$(mktemp -d /tmp/dvp-explore-planted.XXXXXX)}
    src=$scratch/src build=$scratch/build
    [ -n "$keep" ] || trap 'git -C "$root" worktree remove --force "$src" >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
    if [ -e "$src/.git" ]; then
        git -C "$src" checkout --quiet --force --detach "$(git -C "$root" rev-parse HEAD)"
    else
        mkdir -p "$scratch"
        git -C "$root" worktree add --quiet --detach "$src" HEAD
    fi
    git -C "$src" checkout --quiet -- .
    echo "explore --planted: $(git -C "$src" log --oneline -1 | cut -c1-70) in $scratch, $scenarios scenarios per part"
    # Runs the test command's four release parts in the copy; prints the
    # finding lines ("property count") and whether anything was found.
    run_parts() {
        cmake --preset mingw -S "$src" -B "$build" -DDVP_BUILD_BENCH=OFF >/dev/null &&
            cmake --build "$build" -j "$(nproc)" --target explore explore_viewers >"$scratch/build.log" 2>&1 ||
            { echo "NOT BUILT"; return; }
        local part found=0
        rm -f "$scratch"/part[1-4].txt "$scratch"/part[1-4].failed
        # The four parts are independent processes (their own seeds and
        # output files) under one display and one wine server: nproc of them
        # run side by side. A part that fails, or never ran, counts as found.
        (cd "$build/tests/explore" && xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/with-wine.sh" \
            "$build" bash -c 'running=0
                for part in 1 2 3 4; do
                    if [ "$running" -ge "$(nproc)" ]; then wait -n || true; running=$((running - 1)); fi
                    { "$1/wine-run.sh" ./dopus.exe --scenarios "$3" --first-seed "${part}000001" \
                        >"$2/part$part.txt" 2>/dev/null || touch "$2/part$part.failed"; } &
                    running=$((running + 1))
                done
                wait' parts "$build" "$scratch" "$scenarios") </dev/null >/dev/null 2>&1 || found=1
        for part in 1 2 3 4; do
            [ -s "$scratch/part$part.txt" ] && [ ! -e "$scratch/part$part.failed" ] || found=1
        done
        # "findings N" is followed by one "  property count" line per property.
        cat "$scratch"/part[1-4].txt | tr -d '\r' | awk '/^findings / { on = 1; next } on && /^  [a-z-]+ +[0-9]+$/ { n[$1] += $2 }
            /^crashes / { if ($2 + $4 + $6 > 0) n["crash-trap-hang"] += $2 + $4 + $6 }
            END { for (p in n) printf "%s %d\n", p, n[p] }' | sort
        [ "$found" -eq 0 ] || echo "FOUND"
    }
    begin=$(date +%s)
    baseline=$(run_parts)
    if [ -n "$baseline" ]; then
        echo "explore --planted: the copy as it is has findings or does not build:"
        printf '%s\n' "$baseline" | sed 's/^/    /'
        exit 1
    fi
    caught=0 missed=0 results=()
    for patch in "${patches[@]}"; do
        name=$(basename "$patch" .patch)
        git -C "$src" checkout --quiet -- .
        if ! git -C "$src" apply "$patch"; then
            results+=("NOT APPLIED  $name: $(head -n1 "$patch")"); missed=$((missed + 1)); continue
        fi
        started=$(date +%s)
        found=$(run_parts)
        seconds=$(($(date +%s) - started))
        if [ -z "$found" ] || [ "$found" = "NOT BUILT" ]; then
            line="MISSED       $name ($seconds s): $(head -n1 "$patch") ${found:+($found)}"
            missed=$((missed + 1))
        else
            line="caught       $name ($seconds s): $(head -n1 "$patch")"$'\n'"$(printf '%s\n' "$found" |
                grep -v '^FOUND$' | awk '{ printf "                 %s in %s scenarios\n", $1, $2 }')"
            caught=$((caught + 1))
        fi
        results+=("$line")
        printf '%s\n' "$line"
    done
    git -C "$src" checkout --quiet -- .
    echo "=== planted faults, generated scenarios only ($((4 * scenarios)) per fault)"
    printf '%s\n' "${results[@]}"
    echo "caught $caught, missed $missed, of ${#patches[@]}; $(($(date +%s) - begin)) s"
    [ "$missed" -eq 0 ]
    exit
fi
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
