#!/usr/bin/env bash
# Fails when a test skipped that may not: reads the JUnit file ctest wrote (--output-junit) and
# allows only the skips tests/allowed-skips names, each with the reason given there. Run where
# every proof can run (as root, with loop devices): there a skipped raw-image, mount or
# other-user test means the promise it stands for went unchecked.
# Usage: check-skips.sh JUNIT_XML
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
junit=$1
[ -s "$junit" ] || { echo "check-skips.sh: no test results in '$junit'" >&2; exit 1; }
# One line per skipped test: its name, a tab, the line after gtest's "Skipped" (the reason).
skipped=$(awk '
    /<testcase / { match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7); sub(/  #.*/, "", name); skip = 0 }
    /<skipped / { skip = 1; reason = ""; next }
    skip && prev ~ /: Skipped$/ && reason == "" { reason = $0 }
    /<\/testcase>/ && skip { print name "\t" reason; skip = 0 }
    { prev = $0 }' "$junit")
status=0
while IFS=$'\t' read -r name reason; do
    [ -n "$name" ] || continue
    allowed=0
    while IFS=$'\t' read -r pattern why; do
        [[ -z "$pattern" || "$pattern" == \#* ]] && continue
        if grep -qE -- "$pattern" <<<"$name" && [[ "$reason" == *"$why"* ]]; then
            allowed=1
            break
        fi
    done <"$root/tests/allowed-skips"
    if [ $allowed = 0 ]; then
        echo "FAIL: skipped where it must run: $name (${reason:-no reason given})"
        status=1
    fi
done <<<"$skipped"
# Silent when every skip is allowed, so the test runner's summary stays the log's last word.
exit $status
