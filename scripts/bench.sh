#!/usr/bin/env bash
# scripts/bench.sh [repetitions [decode|refusal|identify|scaling|init]]
# The benchmarks from a bare machine: installs what is missing, configures
# with the mingw preset into build/ (or $BUILD_DIR), builds plugin_bench,
# runs it under Wine with a virtual display and writes its table, with the
# machine's facts, into docs/benchmarks.md. Timings are reported, never
# asserted: this is not part of the test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
# One measurement alone is a developer's check, not the record in docs/.
out=$root/docs/benchmarks.md
[ -z "${2:-}" ] || out=$build_dir/benchmarks-$2.md

"$root/scripts/setup.sh"
cmake --preset mingw -S "$root" -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target plugin_bench
build_dir=$(cd "$build_dir" && pwd)

# The program writes into files, never into a pipe: wine's background
# services would inherit a pipe and keep it open.
table=$(mktemp)
progress=$(mktemp)
trap 'rm -f "$table" "$progress"' EXIT
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$root/scripts/with-wine.sh" "$build_dir" \
    sh -c 'cd "$1/bench" && "$1/wine-run.sh" dopus.exe "$2" "$5" >"$3" 2>"$4"' \
    sh "$build_dir" "${1:-11}" "$table" "$progress" "${2:-}" || status=$?
cat "$progress" >&2
# Wine's C runtime writes text-mode line ends.
sed -i 's/\r$//' "$table"
if [ "$status" -ne 0 ]; then
    echo "plugin_bench failed (exit $status)" >&2
    exit "$status"
fi

cpu_model=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//' || true)
{
    echo "# Benchmarks"
    echo
    echo "Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC') from commit" \
         "$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)."
    echo "The plug-in's code runs in-process in \`build/bench/dopus.exe\` against the stand-in image library."
    echo "Each comparison interleaves its variants within every repetition and reports medians."
    echo
    echo "## Machine"
    echo
    echo "- \`uname -m\`: $(uname -m); \`nproc\`: $(nproc); CPU: ${cpu_model:-unknown}"
    echo "- load average at the end of the run: $(cut -d' ' -f1-3 /proc/loadavg)"
    # The program's own lines up to the first blank one describe the machine.
    sed -n '1,/^$/{/^$/!s/^/- /p}' "$table"
    echo
    echo "## Results"
    echo
    sed -n '/^$/,$p' "$table" | sed '1d'
} >"$out"
echo "wrote $out"
