#!/usr/bin/env bash
# Shredding rate over many small files of 4 KiB: 2,000 files in 20 folders and 10,000 in 100
# folders, by `ostrel` with 1, 3 and 7 passes beside `find -exec shred -n N --remove=unlink`
# followed by `rm -r` (the same number of passes), and beside `rm -r` alone. Each pair runs
# alternately OSTREL_BENCH_RUNS times (default 5) on fresh trees; the medians are compared.
# Then one large file (OSTREL_BENCH_MIB, default 512) with one pass beside
# `dd conv=notrunc,fsync` over it followed by `rm`. OSTREL_BENCH_BASELINE may name another
# `ostrel` executable (built from an earlier commit): it runs in each alternation too, and the
# last column gives its time over the current one's. OSTREL_BENCH_PROGRAM measures a given
# `ostrel` executable instead of building one. Every run's times are printed under each line,
# with the ratio of each alternation, so that the spread shows beside the medians.
# Each alternation of the large file also runs `dd` + `rm` a second time and gives its time over
# the first: the spread of two runs of the same work. OSTREL_BENCH_ONLY=large runs only the large
# file.
# Usage: bench/job.sh [WORK_DIR]  (the folder must be on the disk to measure)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${OSTREL_BENCH_PROGRAM:-}" ]; then
    program=$OSTREL_BENCH_PROGRAM
else
    program=$("$root/scripts/build.sh" --target ostrel)/bin/ostrel
fi
work=${1:-$(mktemp -d /var/tmp/ostrel-bench-XXXXXX)}
runs=${OSTREL_BENCH_RUNS:-5}
mib=${OSTREL_BENCH_MIB:-512}
mkdir -p "$work"
trap 'rm -rf "$work/tree" "$work/home" "$work/big"' EXIT

make_tree() {  # folders files-per-folder
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    for d in $(seq 1 "$1"); do
        mkdir "$work/tree/d$d"
        # Written by the shell itself: a process per file would take longer than the shred.
        for f in $(seq 1 "$2"); do printf '%s\n' "$seed" >"$work/tree/d$d/f$f"; done
    done
    sync
}
now() { date +%s%N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# Prints a label and every run's time in milliseconds (the times are in microseconds).
runs() {
    local label=$1
    shift
    printf '    %-10s' "$label"
    printf ' %7.0f' $(printf '%s\n' "$@" | awk '{ print $1 / 1000 }')
    echo
}
# Prints the ratio of the arrays named $2 and $3 for each alternation, and the least of them (the
# greatest when $4 is "most": for a time over another's rather than a rate over another's).
ratios() {
    local -n top=$2 bottom=$3
    local i line="" bound="" order=-n word=least
    [ "${4:-}" != most ] || order=-rn word=most
    for i in "${!top[@]}"; do
        line+=" $(awk -v a="${top[$i]}" -v b="${bottom[$i]}" 'BEGIN { printf "%7.2f", a / b }')"
    done
    bound=$(printf '%s\n' $line | sort $order | head -1)
    printf '    %-10s%s   (%s %s)\n' "$1" "$line" "$word" "$bound"
}

# A private user whose settings name the method; no question.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix"
settings() {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="English.lng"\r\n"Method"="%s"\r\n"Confirm"=dword:00000000\r\n' \
        "$1" >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"
}
# 4,096 bytes: 4,095 random printable characters and a newline.
seed=$(head -c 3072 /dev/urandom | base64 -w 0)
seed=${seed:0:4095}

baseline=${OSTREL_BENCH_BASELINE:-}
time_ostrel() {  # folders files [executable]
    make_tree "$1" "$2"
    local start end
    start=$(now)
    "${3:-$program}" "$work/tree" 2>/dev/null
    end=$(now)
    [ ! -e "$work/tree" ] || { echo "ostrel left $work/tree behind" >&2; exit 1; }
    echo $(((end - start) / 1000))
}
time_shred() {  # folders files passes
    make_tree "$1" "$2"
    local start end
    start=$(now)
    find "$work/tree" -type f -exec shred -n "$3" --remove=unlink {} +
    rm -r "$work/tree"
    end=$(now)
    echo $(((end - start) / 1000))
}
time_rm() {
    make_tree "$1" "$2"
    local start end
    start=$(now)
    rm -r "$work/tree"
    end=$(now)
    echo $(((end - start) / 1000))
}

if [ "${OSTREL_BENCH_ONLY:-}" != large ]; then
echo "small files: median of $runs runs each, alternated; rates in files per second"
printf '%-18s %6s %10s %10s %10s %10s %10s %10s\n' tree passes ostrel shred "rm -r" "vs shred" "vs rm -r" \
    "vs before"
for shape in "20 100" "100 100"; do
    set -- $shape
    files=$(($1 * $2))
    for passes in 1 3 7; do
        case $passes in
            1) settings "Simple Overwrite (1 Pass)" ;;
            3) settings "DoD 5220.22-M (3 Passes)" ;;
            7) settings "DoD 5220.22-M (7 Passes)" ;;
        esac
        o=() s=() r=() b=()
        for _ in $(seq 1 "$runs"); do
            o+=("$(time_ostrel "$1" "$2")")
            [ -z "$baseline" ] || b+=("$(time_ostrel "$1" "$2" "$baseline")")
            s+=("$(time_shred "$1" "$2" "$passes")")
            [ "$passes" = 1 ] && r+=("$(time_rm "$1" "$2")")
        done
        mo=$(printf '%s\n' "${o[@]}" | median)
        ms=$(printf '%s\n' "${s[@]}" | median)
        mb=0
        [ -z "$baseline" ] || mb=$(printf '%s\n' "${b[@]}" | median)
        mr=${mr_cache:-0}
        [ "$passes" = 1 ] && mr=$(printf '%s\n' "${r[@]}" | median) && mr_cache=$mr
        awk -v n="$files" -v f="$1x$2" -v p="$passes" -v o="$mo" -v s="$ms" -v r="$mr" -v b="$mb" \
            'BEGIN {
            printf "%-18s %6d %10.0f %10.0f %10.0f %10.2f %10.2f %10s\n",
                n " (" f ")", p, n / (o / 1e6), n / (s / 1e6), n / (r / 1e6), s / o, r / o,
                (b > 0 ? sprintf("%.2f", b / o) : "-") }'
        runs "ostrel ms" "${o[@]}"
        runs "shred ms" "${s[@]}"
        ratios "vs shred" s o
        if [ "$passes" = 1 ]; then
            runs "rm -r ms" "${r[@]}"
            ratios "vs rm -r" r o
        fi
        [ -z "$baseline" ] || ratios "vs before" b o
    done
    unset mr_cache
done
fi

echo
echo "one file of $mib MiB, one pass (median of $runs)"
settings "Simple Overwrite (1 Pass)"
time_dd() {
    head -c $((mib << 20)) /dev/urandom >"$work/big"
    sync
    local start end
    start=$(now)
    dd if=/dev/zero of="$work/big" bs=1M count="$mib" conv=notrunc,fsync status=none
    rm "$work/big"
    end=$(now)
    echo $(((end - start) / 1000))
}
o=() d=() d2=()
for _ in $(seq 1 "$runs"); do
    head -c $((mib << 20)) /dev/urandom >"$work/big"
    sync
    start=$(now)
    "$program" "$work/big" 2>/dev/null
    end=$(now)
    o+=($(((end - start) / 1000)))
    d+=("$(time_dd)")
    # The same again: how far two runs of the very same work differ here, the floor under any
    # aim for a single alternation.
    d2+=("$(time_dd)")
done
mo=$(printf '%s\n' "${o[@]}" | median)
md=$(printf '%s\n' "${d[@]}" | median)
awk -v o="$mo" -v d="$md" 'BEGIN {
    printf "ostrel %.3f s, dd conv=notrunc,fsync + rm %.3f s: ratio %.2f (aim: at most 1.05)\n",
        o / 1e6, d / 1e6, o / d }'
runs "ostrel ms" "${o[@]}"
runs "dd+rm ms" "${d[@]}"
ratios "over dd" o d most
runs "dd again" "${d2[@]}"
ratios "dd over dd" d2 d most
