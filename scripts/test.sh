#!/usr/bin/env bash
# The whole test suite from a bare machine: installs what is missing, then
# runs five checks, each with its own build folder, and fails when any fails:
#
#   release  the release build (GCC, preset mingw, in BUILD_DIR or build/)
#            and every test against it, under Wine with a virtual display
#   checked  every test against the second compiler's build (below), whose
#            code traps undefined behaviour, checks the C++ library's
#            preconditions and protects the stack; the exploration there
#            runs seeds of its own
#   clang    the product, the test bed and the tests built by clang and lld
#            with the lock analysis on, warnings as errors and the checks
#            above (BUILD_DIR-clang), and the tables of the DLL clang built
#   tidy     clang-tidy over the product and the test bed, from the clang
#            build's compile database
#   package  scripts/package.sh in BUILD_DIR and again in BUILD_DIR-again
#            (the DLL target alone, always linked anew): the two DLLs and the
#            two zips must be byte-identical, and the zip's contents whole
#
#   scripts/test.sh [--fast | --only CHECK[,CHECK...]] [--heap-check] [CTEST ARGS...]
#
# --fast runs the release check alone (the one to repeat while iterating);
# --only runs the named checks. --heap-check runs the release check's tests
# with Wine's heap checking (WINEDEBUG=warn+heap, set by BUILD_DIR/wine-run.sh
# for the test programs only), keeps each program's stderr in
# BUILD_DIR/heap-check/ and counts the messages of Wine's heap channel: the
# check fails unless the count is 0, even when every test passed; as the
# checking makes allocation-heavy tests hundreds of times slower, each test
# may then run for an hour instead of 600 s. Other arguments go to ctest
# (e.g. -R Name) in the checks that run tests.
#
# The summary gives each check's time, its slowest tests (ctest's times) and
# slowest build steps (ninja's log), and the tests that failed, by name.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${BUILD_DIR:-$root/build}")  # absolute: ctest runs tests from their own folders
checks="release,checked,clang,tidy,package"
heap_check=""
while [ $# -gt 0 ]; do
    case "$1" in
    --fast) checks="release"; shift ;;
    --only) checks="$2"; shift 2 ;;
    --heap-check) heap_check=1; shift ;;
    *) break ;;
    esac
done

"$root/scripts/setup.sh"

# What the summary says of each check besides its time and verdict.
notes=()
note() { notes+=("$*"); }

# Runs ctest over one build folder under a virtual display, inside the
# build's own Wine prefix and server; its output is kept in ctest.log. A
# failed program's output too long to show whole loses its middle: its end
# says which tests failed, or which one it stopped in.
run_tests() {
    local dir=$1; shift
    rm -f "$dir"/tests/explore/*.count
    local status=0
    xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/with-wine.sh" "$dir" \
        ctest --test-dir "$dir" --output-on-failure --test-output-truncation middle -j "$(nproc)" "$@" 2>&1 |
        tee "$dir/ctest.log" ||
        status=$?
    note_tests "$dir/ctest.log"
    return $status
}

# The five slowest tests of a ctest run ("  3/14 Test  #7: name ....   Passed   12.34 sec"),
# and the tests that failed, by GoogleTest's names (scripts/failed-tests.sh).
note_tests() {
    local slowest failed
    slowest=$(sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/p' "$1" |
        sort -rn | head -n 5 | awk '{ printf "%s%s %.0f s", (NR > 1 ? ", " : ""), $2, $1 }')
    [ -z "$slowest" ] || note "slowest tests: $slowest"
    failed=$("$root/scripts/failed-tests.sh" "$1")
    [ -n "$failed" ] || return 0
    while read -r line; do note "failed: $line"; done < <(head -n 10 <<<"$failed")
    [ "$(wc -l <<<"$failed")" -le 10 ] || note "failed: ... $(($(wc -l <<<"$failed") - 10)) more (in $1)"
}

# The five slowest steps of the ninja run that appended the log's lines from
# line $2 on (ninja rewrites a log grown too long: then all of it), and
# their count and summed time.
note_build_steps() {
    local log=$1/.ninja_log from=$2
    [ -f "$log" ] || return 0
    [ "$(wc -l <"$log")" -ge "$from" ] || from=2
    local steps
    steps=$(tail -n +"$from" "$log" | awk -F'\t' '!/^#/ { print $2 - $1, $4 }' | sort -rn)
    [ -n "$steps" ] || { note "build: nothing to do"; return 0; }
    note "build: $(wc -l <<<"$steps") steps, $(awk '{ s += $1 } END { printf "%.0f", s / 1000 }' <<<"$steps") s summed; slowest:" \
        "$(head -n 5 <<<"$steps" | awk '{ n = split($2, p, "/"); printf "%s%s %.0f s", (NR > 1 ? ", " : ""), p[n], $1 / 1000 }')"
}

# The generated scenarios the exploration's tests ran in a build folder
# (each part leaves its count in tests/explore/<part>.count).
scenarios_run() {
    cat "$1"/tests/explore/*.count 2>/dev/null | awk '{ n += $1 } END { print n + 0 }'
}

configure_and_build() {
    local preset=$1 dir=$2
    cmake --preset "$preset" -S "$root" -B "$dir" >/dev/null
    local from
    from=$(($(wc -l <"$dir/.ninja_log" 2>/dev/null || echo 0) + 1))
    cmake --build "$dir" -j "$(nproc)"
    note_build_steps "$dir" "$from"
}

check_release() {
    configure_and_build mingw "$build_dir"
    [ -n "$heap_check" ] || { run_tests "$build_dir" "$@"; return; }

    export DVP_HEAP_CHECK_DIR="$build_dir/heap-check"  # read by wine-run.sh
    export DVP_TEST_TIMEOUT=3600                        # read by ctest (tests/CMakeLists.txt)
    rm -rf "$DVP_HEAP_CHECK_DIR"
    mkdir -p "$DVP_HEAP_CHECK_DIR"
    local status=0
    run_tests "$build_dir" "$@" || status=$?
    unset DVP_HEAP_CHECK_DIR DVP_TEST_TIMEOUT
    # Wine's messages look like "0124:err:heap:validate_used_block ...";
    # every message of the heap channel counts, whatever its class.
    local pattern='^[0-9a-f]*:?[a-z]+:heap:' logs="$build_dir/heap-check"
    local count
    count=$(cat "$logs"/wine.* 2>/dev/null | grep -cE "$pattern" || true)
    echo "Heap check: $count message(s) from wine's heap channel (logs: $logs)"
    if [ "$count" -ne 0 ]; then
        echo "Messages, addresses folded, by count:"
        cat "$logs"/wine.* | grep -E "$pattern" | cut -d: -f2- |
            sed -E 's/0x[0-9a-fA-F]+/0x.../g; s/\b[0-9a-fA-F]{8,16}\b/.../g' | sort | uniq -c | sort -rn
        echo "Programs that printed them:"
        grep -lE "$pattern" "$logs"/wine.* | xargs -n1 head -n1 | sed 's/^### /  /'
        [ "$status" -ne 0 ] || status=1
    fi
    return $status
}

# One build serves the checked and the clang checks: the instrumentation
# traps what the second compiler's code does wrong at run time, and the
# compiler reads every line with other eyes (warnings, lock analysis).
check_checked() {
    configure_and_build clang "$build_dir-clang"
    run_tests "$build_dir-clang" "$@"
}

check_clang() {
    configure_and_build clang "$build_dir-clang"
    ctest --test-dir "$build_dir-clang" --output-on-failure -R '^dll_tables$'
}

check_tidy() {
    [ -f "$build_dir-clang/compile_commands.json" ] ||
        cmake --preset clang -S "$root" -B "$build_dir-clang" >/dev/null
    "$root/scripts/tidy.sh" "$build_dir-clang"
}

# Two builds of one commit, in two folders and at two times, give the same
# DLL and the same package (tests/check_package.sh names the first differing
# offset); then the package's contents are checked.
check_package() {
    rm -f "$build_dir-again/dist/Viewers/DVP_QPV.dll"
    BUILD_DIR=$build_dir "$root/scripts/package.sh" >/dev/null
    local from
    from=$(($(wc -l <"$build_dir-again/.ninja_log" 2>/dev/null || echo 0) + 1))
    BUILD_DIR=$build_dir-again "$root/scripts/package.sh" >/dev/null
    note_build_steps "$build_dir-again" "$from"
    bash "$root/tests/check_package.sh" "$build_dir" "$build_dir-again"
}

summary=()
failed=0
started=$(date +%s)
for check in ${checks//,/ }; do
    case "$check" in
    release | checked | clang | tidy | package) ;;
    *) echo "unknown check: $check (release, checked, clang, tidy, package)" >&2; exit 2 ;;
    esac
    echo "=== $check"
    begin=$(date +%s)
    notes=()
    status=0
    "check_$check" "$@" || status=$?
    seconds=$(($(date +%s) - begin))
    if [ "$status" -eq 0 ]; then verdict=passed; else verdict="FAILED ($status)"; failed=1; fi
    line=$(printf '%-8s %-12s %4d s' "$check" "$verdict" "$seconds")
    case "$check" in
    release) line+=", $(scenarios_run "$build_dir") scenarios" ;;
    checked) line+=", $(scenarios_run "$build_dir-clang") scenarios" ;;
    esac
    summary+=("$line")
    for n in "${notes[@]}"; do summary+=("         $n"); done
done

echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "total $(($(date +%s) - started)) s; load $(uptime | sed 's/.*load average: //')"
exit $failed
