#!/usr/bin/env bash
# Times the three overwrite methods on one file (512 MiB unless OSTREL_BENCH_MIB says otherwise)
# beside the disk's own write-and-flush time (dd ... conv=fsync) and beside shred -n1 -u and
# shred -n3 -u, one after the other. The ratio column is the time over (passes x the dd time);
# the dd time is the mean of one run before and one after the others.
# OSTREL_BENCH_DIR picks the folder (on the disk to measure); default: a new folder in /var/tmp.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel_bench_shred)
driver="$build/bin/ostrel_bench_shred"
mib=${OSTREL_BENCH_MIB:-512}
dir=${OSTREL_BENCH_DIR:-$(mktemp -d /var/tmp/ostrel-bench-XXXXXX)}
trap 'rm -rf "$dir"' EXIT
export XDG_DATA_HOME="$dir/data"
file="$dir/victim.bin"

now() { date +%s%N; }
# Prints the seconds "$@" takes.
timed() {
    local start end
    start=$(now)
    "$@"
    end=$(now)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
fresh_file() {
    dd if=/dev/urandom of="$file" bs=1M count="$mib" conv=fsync status=none
    sync
}
dd_run() {
    local t
    t=$(timed dd if=/dev/zero of="$dir/dd.bin" bs=1M count="$mib" conv=fsync status=none)
    rm -f "$dir/dd.bin"
    sync
    echo "$t"
}

dd_before=$(dd_run)
declare -a names times passes
run() {  # name passes command...
    local name=$1 n=$2
    shift 2
    fresh_file
    names+=("$name")
    passes+=("$n")
    times+=("$(timed "$@")")
    [ ! -e "$file" ] || { echo "$name left the file behind" >&2; exit 1; }
}
run "shred -n1 -u" 1 shred -n1 -u "$file"
run "shred -n3 -u" 3 shred -n3 -u "$file"
run "Simple Overwrite (1 Pass)" 1 "$driver" "Simple Overwrite (1 Pass)" "$file"
run "DoD 5220.22-M (3 Passes)" 3 "$driver" "DoD 5220.22-M (3 Passes)" "$file"
run "DoD 5220.22-M (7 Passes)" 7 "$driver" "DoD 5220.22-M (7 Passes)" "$file"
dd_after=$(dd_run)
dd_mean=$(awk -v a="$dd_before" -v b="$dd_after" 'BEGIN { printf "%.3f", (a + b) / 2 }')

echo "file: $mib MiB in $dir ($(df --output=source,fstype "$dir" | tail -1))"
echo "dd bs=1M conv=fsync: $dd_before s before, $dd_after s after, mean $dd_mean s"
printf '%-28s %6s %9s %7s\n' method passes seconds ratio
for i in "${!names[@]}"; do
    awk -v name="${names[$i]}" -v n="${passes[$i]}" -v t="${times[$i]}" -v dd="$dd_mean" \
        'BEGIN { printf "%-28s %6d %9.3f %7.2f\n", name, n, t, t / (n * dd) }'
done
