#!/usr/bin/env bash
# Plants each known fault of tests/planted/ in a scratch copy of the product
# and tells whether the ordinary suite catches it, and with which tests:
#
#   scripts/planted.sh [--at REV] [--keep DIR] [--first] [PATCH...]
#
# Each tests/planted/*.patch is one realistic one-line mistake, its first
# line saying what it breaks. The copy is a git worktree of REV (default
# HEAD) in a temporary folder, with its own release build and Wine prefix:
# the working tree and its build folders are never touched, so this can run
# beside scripts/test.sh. The copy is built and tested once as it is (a test
# that fails there catches nothing), then per patch: applied, built, every
# test but the exploration's seeded parts and their rows check run (scripts/explore.sh --planted
# plants faults for those), and reverted. A patch whose copy does not build
# is reported as such. --keep DIR keeps (and reuses) the copy and its build
# in DIR, so a second run only rebuilds what the patches touch. --first
# stops each fault's run at the first test program that fails (ctest's
# --stop-on-failure): it tells caught or missed in a fraction of the time,
# and names the catchers found until then. Fails when any fault was missed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rev=HEAD
keep=""
first=""
while [ $# -gt 0 ]; do
    case "$1" in
    --at) rev=$2; shift 2 ;;
    --keep) keep=$(realpath -m "$2"); shift 2 ;;
    --first) first=--stop-on-failure; shift ;;
    -*) echo "usage: $0 [--at REV] [--keep DIR] [--first] [PATCH...]" >&2; exit 2 ;;
    *) break ;;
    esac
done
patches=("$@")
[ ${#patches[@]} -gt 0 ] || patches=("$root"/tests/planted/*.patch)
for p in "${patches[@]}"; do
    [ -f "$p" ] || { echo "planted.sh: no such patch: $p" >&2; exit 2; }
done

"$root/scripts/setup.sh"

scratch=${keep:-$(mktemp -d /tmp/dvp-planted.XXXXXX)}
src=$scratch/src build=$scratch/build
cleanup() {
    [ -n "$keep" ] && return
    git -C "$root" worktree remove --force "$src" >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT
rev=$(git -C "$root" rev-parse "$rev")  # in the copy, HEAD would be the copy's own
if [ -d "$src/.git" ] || [ -f "$src/.git" ]; then
    git -C "$src" checkout --quiet --force --detach "$rev"
else
    mkdir -p "$scratch"
    git -C "$root" worktree add --quiet --detach "$src" "$rev"
fi
git -C "$src" checkout --quiet -- .
echo "planted.sh: $(git -C "$src" log --oneline -1) in $scratch; load: $(uptime | sed 's/.*load average: //')"

build_copy() {
    cmake --preset mingw -S "$src" -B "$build" -DDVP_BUILD_BENCH=OFF >/dev/null &&
        cmake --build "$build" -j "$(nproc)" >"$scratch/build.log" 2>&1
}

# Runs the suite in the copy's build; prints the tests that failed, one a
# line (scripts/failed-tests.sh: GoogleTest's names, with the entry and its
# verdict). The run's output is kept as suite-<name>.log. Further arguments
# go to ctest.
failing_tests() {
    local log=$scratch/suite-$1.log
    shift
    xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/with-wine.sh" "$build" \
        ctest --test-dir "$build" --output-on-failure --test-output-truncation middle -j "$(nproc)" \
            -E '^explore_(part|rows_drawn)' "$@" >"$log" 2>&1 || true
    "$root/scripts/failed-tests.sh" "$log"
}

begin=$(date +%s)
echo "planted.sh: building the copy as it is"
build_copy || { echo "planted.sh: the copy does not build (log: $scratch/build.log)" >&2; tail -20 "$scratch/build.log" >&2; exit 1; }
failing_tests clean >"$scratch/clean.failures"
if [ -s "$scratch/clean.failures" ]; then
    echo "planted.sh: failing without any fault (not counted as catches):"
    sed 's/^/    /' "$scratch/clean.failures"
fi

caught=0 missed=0 unbuilt=0
results=()
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    description=$(head -n1 "$patch")
    git -C "$src" checkout --quiet -- .
    if ! git -C "$src" apply "$patch"; then
        results+=("NOT APPLIED  $name: $description")
        unbuilt=$((unbuilt + 1))
        continue
    fi
    started=$(date +%s)
    if ! build_copy; then
        results+=("NOT BUILT    $name: $description")
        unbuilt=$((unbuilt + 1))
        continue
    fi
    # Only what fails with the fault and not without it.
    catchers=$(failing_tests "$name" $first |
        awk -v clean="$scratch/clean.failures" 'BEGIN { while ((getline line < clean) > 0) { split(line, f, " "); known[f[1]] = 1 } }
            !known[$1]')
    seconds=$(($(date +%s) - started))
    if [ -n "$catchers" ]; then
        caught=$((caught + 1))
        line="caught       $name ($seconds s): $description"
        line+=$'\n'"$(printf '%s\n' "$catchers" | head -n 12 | sed 's/^/                 /')"
        extra=$(($(printf '%s\n' "$catchers" | wc -l) - 12))
        [ "$extra" -le 0 ] || line+=$'\n'"                 ... and $extra more"
    else
        missed=$((missed + 1))
        line="MISSED       $name ($seconds s): $description"
    fi
    results+=("$line")
    printf '%s\n' "$line"
done
git -C "$src" checkout --quiet -- .

echo "=== planted faults ($(git -C "$src" log --oneline -1 | cut -c1-60))"
printf '%s\n' "${results[@]}"
echo "caught $caught, missed $missed, not applied or not built $unbuilt, of ${#patches[@]}; $(($(date +%s) - begin)) s"
[ "$missed" -eq 0 ] && [ "$unbuilt" -eq 0 ]
