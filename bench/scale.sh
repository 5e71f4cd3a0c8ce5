#!/usr/bin/env bash
# Shredding at scale, with peak memory from /usr/bin/time -v:
#   1. OSTREL_SCALE_FILES small files (default 200,000 of 1 KiB) in a tree both deep and wide
#      (10 x 10 x 10 folders, each two levels further down, then a chain 100 folders deep
#      holding the rest), destroyed by `ostrel` with one pass, beside shred's fastest removal
#      (`shred -n1 --remove=unlink` followed by `rm -r`) over the same tree;
#   2. one fully written file of OSTREL_SCALE_BIG_MIB (default 2048 MiB) beside one of 64 MiB:
#      the peak memory must not grow with the file.
# OSTREL_BENCH_DIR picks the folder (on the disk to measure); default: a new folder in /var/tmp.
# Every file is flushed to the disk by both programs, so on a real disk the rates are bound by
# the disk's flush time; on tmpfs they show the programs' own cost.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel)
files=${OSTREL_SCALE_FILES:-200000}
big_mib=${OSTREL_SCALE_BIG_MIB:-2048}
if [ -n "${OSTREL_BENCH_DIR:-}" ]; then
    dir=$OSTREL_BENCH_DIR
    mkdir -p "$dir"
    trap 'rm -rf "$dir/tree" "$dir/home" "$dir/big.bin" "$dir/small.bin" "$dir/time.log"' EXIT
else
    dir=$(mktemp -d /var/tmp/ostrel-bench-XXXXXX)
    trap 'rm -rf "$dir"' EXIT
fi
[ -x /usr/bin/time ] || {
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq time >&2
}

# A private user: settings say one random pass, no question.
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share
export XDG_STATE_HOME=$dir/home/.local/state XDG_RUNTIME_DIR=$dir/home/run
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="English.lng"\r\n"Method"="Simple Overwrite (1 Pass)"\r\n"Confirm"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"

# 1,000 leaf folders at depth 5 share nine tenths of the files (split writes a folder's files
# in one process); the rest lie at the bottom of a chain 100 folders deep.
make_tree() {
    rm -rf "$dir/tree"
    local per_leaf=$((files * 9 / 10 / 1000)) a b c chain
    for a in $(seq 0 9); do
        for b in $(seq 0 9); do
            for c in $(seq 0 9); do
                local leaf="$dir/tree/a$a/b$b/c$c/deeper/still"
                mkdir -p "$leaf"
                head -c $((per_leaf * 1024)) /dev/urandom | (cd "$leaf" && split -b 1024 -a 4 - f)
            done
        done
    done
    chain="$dir/tree/chain"
    for a in $(seq 1 100); do chain="$chain/level$a"; done
    mkdir -p "$chain"
    head -c $(((files - per_leaf * 1000) * 1024)) /dev/urandom | (cd "$chain" && split -b 1024 -a 5 - f)
    sync
}

# Runs "$@" under /usr/bin/time -v; prints "seconds peak_kib".
measure() {
    local log="$dir/time.log"
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>&1 || { tail -n 30 "$log" >&2; exit 1; }
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0
                                           for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /Maximum resident set size/ { kib = $2 }
                END { printf "%.3f %d\n", s, kib }' "$log"
}

make_tree
count=$(find "$dir/tree" -type f | wc -l)
read -r t_ostrel kib_ostrel < <(measure "$build/bin/ostrel" "$dir/tree")
[ ! -e "$dir/tree" ] || { echo "ostrel left $dir/tree behind" >&2; exit 1; }

make_tree
start=$(date +%s%N)
find "$dir/tree" -type f -exec shred -n1 --remove=unlink {} +
rm -r "$dir/tree"
t_shred=$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')

awk -v n="$count" -v a="$t_ostrel" -v k="$kib_ostrel" -v b="$t_shred" 'BEGIN {
    printf "%d files in a tree 101 folders deep at most, one pass:\n", n
    printf "  ostrel:                    %8.3f s  %8.0f files/s  peak %6.1f MiB\n", a, n / a, k / 1024
    printf "  shred -n1 --remove=unlink: %8.3f s  %8.0f files/s\n", b, n / b }'

# A file of random data, written in full (no holes), flushed.
write_file() {
    dd if=/dev/urandom of="$1" bs=1M count="$2" conv=fsync status=none
}
write_file "$dir/small.bin" 64
read -r t_small kib_small < <(measure "$build/bin/ostrel" "$dir/small.bin")
write_file "$dir/big.bin" "$big_mib"
read -r t_big kib_big < <(measure "$build/bin/ostrel" "$dir/big.bin")
[ ! -e "$dir/big.bin" ] && [ ! -e "$dir/small.bin" ] || { echo "ostrel left a file" >&2; exit 1; }
awk -v s="$t_small" -v ks="$kib_small" -v b="$t_big" -v kb="$kib_big" -v mib="$big_mib" 'BEGIN {
    printf "one file, one pass:\n"
    printf "  64 MiB:   %8.3f s  peak %6.1f MiB\n", s, ks / 1024
    printf "  %d MiB: %8.3f s  peak %6.1f MiB\n", mib, b, kb / 1024 }'
# Constant memory: the big file may not cost more than a few MiB beyond the small one.
if [ "$kib_big" -gt $((kib_small + 8192)) ]; then
    echo "peak memory grew with the file size" >&2
    exit 1
fi
