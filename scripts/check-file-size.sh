#!/usr/bin/env bash
# Fails when a tracked C++ source or header is longer than 400 lines: a file that long does more
# than one job and wants splitting by what it does. Files that stay longer for now are listed in
# scripts/long-files, one a line with the reason after the name; an entry whose file has come
# under the limit (or is gone) is reported so that it can be removed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
limit=400
exceptions=scripts/long-files

declare -A known=()
while IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    file=${line%%[[:space:]]*}
    reason=${line#"$file"}
    if [ -z "${reason//[[:space:]]/}" ]; then
        echo "$exceptions: $file has no reason why it stays long"
        exit 1
    fi
    known[$file]=1
done <"$exceptions"

status=0
while IFS= read -r -d '' file; do
    lines=$(wc -l <"$file")
    if [ "$lines" -gt "$limit" ] && [ -z "${known[$file]:-}" ]; then
        echo "too long: $file has $lines lines (at most $limit; split it by what it does)"
        status=1
    fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.cc' '*.hpp' '*.c')
for file in "${!known[@]}"; do
    if [ ! -f "$file" ] || [ "$(wc -l <"$file")" -le "$limit" ]; then
        echo "note: $file is no longer over $limit lines; remove it from $exceptions"
    fi
done
[ $status -eq 0 ] && echo "file size: no source file over $limit lines but the ${#known[@]} known in $exceptions"
exit $status
