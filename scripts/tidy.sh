#!/usr/bin/env bash
# scripts/tidy.sh BUILD_DIR
# Static analysis: clang-tidy with the project's .clang-tidy over every
# source file of the product and the test bed in BUILD_DIR's compile
# database (the clang build writes one). Prints each finding and fails when
# there is any.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
database=$build_dir/compile_commands.json
[ -f "$database" ] || { echo "no $database: configure the clang preset first" >&2; exit 2; }

# The product's folders and the test bed; tests and benchmarks are not analysed.
mapfile -t files < <(python3 - "$database" "$root" <<'PY'
import json, os, sys
database, root = sys.argv[1], sys.argv[2]
folders = ("win32", "imagelib", "settings", "viewer", "plugin", "testbed")
seen = set()
for entry in json.load(open(database)):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    relative = os.path.relpath(path, root)
    if relative.split(os.sep)[0] in folders and path.endswith(".cpp") and path not in seen:
        seen.add(path)
        print(path)
PY
)
echo "clang-tidy: ${#files[@]} files"
log=$build_dir/clang-tidy.log
printf '%s\n' "${files[@]}" |
    xargs -P "$(nproc)" -n 4 clang-tidy --quiet -p "$build_dir" >"$log" 2>/dev/null || true
findings=$(grep -cE '^[^ ].*: (warning|error): ' "$log" || true)
if [ "$findings" -ne 0 ]; then
    grep -E -A3 '^[^ ].*: (warning|error): ' "$log"
    echo "clang-tidy: $findings finding(s)" >&2
    exit 1
fi
echo "clang-tidy: no findings"
