#!/usr/bin/env bash
# failed-tests.sh CTEST_LOG
# The tests a ctest run (with --output-on-failure) failed, one a line: for
# each failed entry the GoogleTest tests its output names as failed, or the
# test it stopped in when it crashed or timed out ("[ RUN      ]" without an
# end), or else the entry itself, each with its entry and ctest's verdict:
#
#   Suite.Test (plugin_dll_tests.shard1: Failed)
#   Suite.Other (plugin_dll_tests.shard2: Timeout, stopped in it)
#   dll_tables (Failed)
set -euo pipefail
awk '
function flush() {
    if (entry == "")
        return
    if (count > 0) {
        for (i = 1; i <= count; i++)
            print failed[i] " (" entry ": " verdict ")"
    } else if (running != "") {
        print running " (" entry ": " verdict ", stopped in it)"
    } else {
        print entry " (" verdict ")"
    }
    entry = ""; count = 0; running = ""; delete seen
}
# "  3/15 Test #14: name ......***Failed   82.33 sec": a result; its output follows.
/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
    flush()
    if ($0 !~ / Passed +[0-9.]+ sec$/) {
        entry = $0
        sub(/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /, "", entry)
        sub(/ .*/, "", entry)
        verdict = $0
        sub(/ +[0-9.]+ sec$/, "", verdict)
        sub(/.*(\*\*\*| )/, "", verdict)
    }
    next
}
/^ +Start +[0-9]+: / || /tests passed, / { flush(); next }
entry == "" { next }
/^\[ RUN      \] / { running = $4; next }
/^\[       OK \] / { running = ""; next }
/^\[  FAILED  \] [^ ]+/ && !/ listed below/ {
    name = $4
    sub(/,$/, "", name)
    running = ""
    if (!(name in seen)) { seen[name] = 1; failed[++count] = name }
}
END { flush() }
' "$1"
