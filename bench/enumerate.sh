#!/usr/bin/env bash
# Enumeration benchmark: builds a tree of 100,000 empty files in 1,000 folders in a temporary
# folder, then times cFileSearch over it (in memory, and printing every path) beside
# `find TREE | wc -l`, and reports cFileSearch's peak memory per entry (maximum resident set
# of the run minus that of a run over an empty folder). Warm cache; median of RUNS runs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${RUNS:-7}

if [ ! -x /usr/bin/time ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq && $SUDO apt-get install -y -qq time >&2
fi
build=$("$root/scripts/build.sh" --target ostrel_bench_enumerate)
bench="$build/bin/ostrel_bench_enumerate"

work=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree="$work/tree"
mkdir -p "$work/empty" "$tree"
echo "building the tree in $tree ..." >&2
for d in $(seq -w 0 999); do
    mkdir "$tree/d$d"
    (cd "$tree/d$d" && touch f{00..99})
done

# Milliseconds of wall time of one run of "$@" (output discarded).
wall_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
find_count() { find "$1" | wc -l; }
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

find_count "$tree" >/dev/null  # warm the cache
entries=$(find_count "$tree")
counts=$("$bench" "$tree" 2>&1)

find_ms=$(for _ in $(seq "$runs"); do wall_ms find_count "$tree"; done | median)
ours_ms=$(for _ in $(seq "$runs"); do wall_ms "$bench" "$tree"; done | median)
print_ms=$(for _ in $(seq "$runs"); do wall_ms bash -c '"$1" --print "$2" | wc -l' _ "$bench" "$tree"; done | median)
base_kb=$(for _ in $(seq "$runs"); do peak_kb "$bench" "$work/empty"; done | median)
tree_kb=$(for _ in $(seq "$runs"); do peak_kb "$bench" "$tree"; done | median)
listed=$(( $(echo "$counts" | awk '{print $1 + $3}') ))

echo "tree: $entries entries from find (the root included); cFileSearch: $counts"
echo "find TREE | wc -l:                 ${find_ms} ms"
echo "cFileSearch, in memory:            ${ours_ms} ms ($(awk -v a="$ours_ms" -v b="$find_ms" 'BEGIN {printf "%.2f", a / b}') x find)"
echo "cFileSearch, printing | wc -l:     ${print_ms} ms ($(awk -v a="$print_ms" -v b="$find_ms" 'BEGIN {printf "%.2f", a / b}') x find)"
echo "peak resident set: ${tree_kb} KiB over the tree, ${base_kb} KiB over an empty folder"
echo "peak memory per entry:             $(awk -v t="$tree_kb" -v b="$base_kb" -v n="$listed" 'BEGIN {printf "%.0f", (t - b) * 1024 / n}') bytes"
