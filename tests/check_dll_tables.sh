#!/usr/bin/env bash
# check_dll_tables.sh OBJDUMP DLL
# Checks the built plug-in's PE tables: a 64-bit x86-64 image whose imports
# are all DLLs that ship with Windows (the C and C++ runtimes are linked in),
# and whose exports are exactly the ten functions, undecorated, ordinals 1 to
# 10 in alphabetical order, under the module name DVP_QPV.dll.
set -euo pipefail
objdump=$1
dll=$2
dump=$("$objdump" -p "$dll")
status=0
fail() { echo "FAIL: $*"; status=1; }

"$objdump" -f "$dll" | grep -q 'file format pei-x86-64' || fail "not an x86-64 PE image"
grep -q $'^Magic\t\t\t020b\t(PE32+)' <<<"$dump" || fail "not PE32+"

# Imports: only system DLLs.
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|VERSION|OLE32|OLEAUT32|SHELL32|SHLWAPI|COMCTL32|msvcrt)\.dll$'
imports=$(grep -E $'^\tDLL Name: ' <<<"$dump" | sed 's/.*DLL Name: //')
echo "imports: $(tr '\n' ' ' <<<"$imports")"
while read -r name; do
    [[ $name =~ $allowed ]] || fail "imports $name, which does not ship with Windows"
done <<<"$imports"

# Exports.
module=$(sed -n 's/^Name[[:space:]]*[0-9a-f]* //p' <<<"$dump")
[ "$module" = "DVP_QPV.dll" ] || fail "export module name is '$module'"
base=$(sed -n 's/^Ordinal Base[[:space:]]*//p' <<<"$dump")
[ "$base" = "1" ] || fail "ordinal base is '$base'"
expected="DVP_Configure DVP_IdentifyFileStreamW DVP_IdentifyFileW DVP_IdentifyW DVP_Init DVP_InitEx DVP_LoadBitmapStreamW DVP_LoadBitmapW DVP_USBSafe DVP_Uninit"
actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" \
    | sed -n 's/^\t\[ *\([0-9]*\)\] \(.*\)$/\1:\2/p')
i=0
for name in $expected; do
    line=$(sed -n "$((i + 1))p" <<<"$actual")
    [ "$line" = "$i:$name" ] || fail "export $((i + base)) should be $name, table says '$line'"
    i=$((i + 1))
done
[ "$(wc -l <<<"$actual")" -eq 10 ] || fail "expected 10 exports, found $(wc -l <<<"$actual")"
echo "exports: $(cut -d: -f2 <<<"$actual" | tr '\n' ' ')"
[ $status -eq 0 ] && echo "DLL tables OK ($(stat -c %s "$dll") bytes)"
exit $status
