#!/usr/bin/env bash
# check_package.sh BUILD_DIR SECOND_BUILD_DIR
# Checks what scripts/package.sh made in two build folders of one commit:
# the two DLLs and the two zips are byte-identical (else the first differing
# offset is named), and the zip of BUILD_DIR holds that folder's DLL, whose
# PE tables and checksum hold, a SHA256SUMS that matches it, exactly the
# files INSTALL.txt lists, and a CHANGELOG.md with a section for its version.
set -euo pipefail
build_dir=$1
second_dir=$2
status=0
fail() { echo "FAIL: $*"; status=1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build_dir/CMakeCache.txt"; }

version=$(cache CMAKE_PROJECT_VERSION)
dll=dist/Viewers/DVP_QPV.dll
zip=package/DVP_QPV-$version-x64.zip

# Bit-identical builds.
for file in "$dll" "$zip"; do
    if cmp -s "$build_dir/$file" "$second_dir/$file"; then
        echo "identical in both folders: $file $(sha256sum <"$build_dir/$file" | cut -c1-64)"
        continue
    fi
    first=$(cmp "$build_dir/$file" "$second_dir/$file" 2>&1 | sed -n 's/.* differ: byte \([0-9]*\),.*/\1/p' || true)
    if [ -n "$first" ]; then
        count=$( (cmp -l "$build_dir/$file" "$second_dir/$file" 2>/dev/null || true) | wc -l)
        fail "$file differs between $build_dir and $second_dir: first at offset $(printf '0x%x' $((first - 1))), $count byte(s) in all"
    else
        fail "$file differs between $build_dir and $second_dir: $(cmp "$build_dir/$file" "$second_dir/$file" 2>&1 || true)"
    fi
done

# The package's contents.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
python3 -m zipfile -e "$build_dir/$zip" "$unpacked"
cmp -s "$unpacked/DVP_QPV.dll" "$build_dir/$dll" || fail "the zip's DVP_QPV.dll is not the one the build made"
bash "$(dirname "$0")/check_dll_tables.sh" "$(cache CMAKE_OBJDUMP)" "$unpacked/DVP_QPV.dll" >/dev/null ||
    fail "the zip's DVP_QPV.dll fails the table check (tests/check_dll_tables.sh)"
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

# The PE checksum is 0 or the one computed from the content (the checksum
# field itself counted as 0).
python3 - "$unpacked/DVP_QPV.dll" <<'EOF' || status=1
import struct, sys
image = open(sys.argv[1], "rb").read()
field = struct.unpack_from("<I", image, 0x3C)[0] + 24 + 64  # after "PE\0\0" and the file header
stored = struct.unpack_from("<I", image, field)[0]
data = image[:field] + bytes(4) + image[field + 4:] + bytes(len(image) % 2)
total = 0
for (word,) in struct.iter_unpack("<H", data):
    total = (total & 0xFFFF) + (total >> 16) + word
computed = (total & 0xFFFF) + (total >> 16) + len(image)
if stored not in (0, computed):
    sys.exit(f"FAIL: PE checksum 0x{stored:08x}, computed from the content 0x{computed:08x}")
EOF

# The files INSTALL.txt lists under "What this package holds", exactly.
listed=$(sed -n '/^What this package holds/,/^[A-Z]/s/^  \([^ ]\+\)  .*/\1/p' "$unpacked/INSTALL.txt" | sort)
present=$(cd "$unpacked" && find . -type f -printf '%P\n' | sort)
[ -n "$listed" ] || fail "INSTALL.txt lists no files"
[ "$listed" = "$present" ] || fail "INSTALL.txt lists: $(echo $listed); the zip holds: $(echo $present)"
grep -qs "^## \[$version\]" "$unpacked/CHANGELOG.md" || fail "CHANGELOG.md has no section for $version"

[ $status -eq 0 ] && echo "package OK: $zip ($(stat -c %s "$build_dir/$zip") bytes)"
exit $status
