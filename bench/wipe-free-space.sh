#!/usr/bin/env bash
# Fill rate of `ostrel --wipe-free-space` (one pass) beside the disk's own write-and-flush rate
# (dd if=/dev/zero bs=1M conv=fsync) over the same amount, on one ext4 file system made on an
# image of OSTREL_BENCH_MIB MiB (default 2048) in OSTREL_BENCH_DIR (default: a new folder in
# /var/tmp, so on that disk), loop-mounted. The two alternate, OSTREL_BENCH_RUNS times (default
# 5); every run's figures are printed, with the ratio and the time the disk spent full. Then the
# fill alone (ostrel_bench_fill) says the longest a window would wait for its events during a
# fill, which bounds how long a stop takes. Needs root.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel ostrel-pending ostrel_bench_fill)
mib=${OSTREL_BENCH_MIB:-2048}
runs=${OSTREL_BENCH_RUNS:-5}
dir=${OSTREL_BENCH_DIR:-$(mktemp -d /var/tmp/ostrel-wipe-bench-XXXXXX)}
[ "$(id -u)" = 0 ] || { echo "needs root (a loop mount)" >&2; exit 1; }
mnt="$dir/mnt"
cleanup() {
    mountpoint -q "$mnt" && umount "$mnt"
    rm -rf "$dir"
}
trap cleanup EXIT
mkdir -p "$mnt" "$dir/home" "$dir/run"
chmod 700 "$dir/run"
truncate -s "${mib}M" "$dir/disk.img"
mkfs.ext4 -q -F -m 0 "$dir/disk.img"  # no reserve: dd and the fill may use the same blocks
mount -o loop "$dir/disk.img" "$mnt"
export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/home/.config"
export XDG_DATA_HOME="$dir/home/.local/share" XDG_STATE_HOME="$dir/home/.local/state"
# A first run settles the language (and takes the file system's first allocations).
"$build/bin/ostrel" --no-gui --yes --method=simple --wipe-free-space "$mnt" </dev/null \
    >/dev/null 2>&1 || true

now() { date +%s%N; }
free_bytes() { df -B1 --output=avail "$mnt" | tail -1 | tr -d ' '; }

echo "disk: $mib MiB ext4 image in $dir ($(df --output=source,fstype "$dir" | tail -1))"
printf '%-4s %12s %10s %10s %10s %8s %12s\n' run bytes "fill s" "fill MB/s" "dd MB/s" ratio "full for"
worst=""
for run in $(seq 1 "$runs"); do
    free=$(free_bytes)
    sync
    start=$(now)
    report=$("$build/bin/ostrel" --no-gui --yes --method=simple --wipe-free-space "$mnt" \
        </dev/null 2>&1) || { echo "$report" >&2; exit 1; }
    end=$(now)
    fill_ns=$((end - start))
    full=$(sed -n 's/.*the disk was full for \(.*\)\.$/\1/p' <<<"$report" | tail -1)
    # dd writes the same amount, less a margin so that it never meets a full disk.
    count=$((free / 1048576 - 8))
    sync
    start=$(now)
    dd if=/dev/zero of="$mnt/dd.bin" bs=1M count="$count" conv=fsync status=none
    end=$(now)
    dd_ns=$((end - start))
    rm -f "$mnt/dd.bin"
    sync
    line=$(awk -v b="$free" -v f="$fill_ns" -v d="$((count * 1048576))" -v dn="$dd_ns" 'BEGIN {
        fr = b / (f / 1e9) / 1e6; dr = d / (dn / 1e9) / 1e6
        printf "%12d %10.3f %10.1f %10.1f %8.3f", b, f / 1e9, fr, dr, fr / dr }')
    printf '%-4s %s %12s\n' "$run" "$line" "$full"
    ratio=$(awk '{ print $5 }' <<<"$line")
    worst=$(awk -v a="$ratio" -v w="${worst:-9}" 'BEGIN { print (a < w ? a : w) }')
done
echo "worst ratio (fill rate / dd rate): $worst (aim: >= 0.95 in every run)"
mkdir -m 700 "$mnt/fill"
"$build/bin/ostrel_bench_fill" "$mnt/fill"
