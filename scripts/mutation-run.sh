#!/usr/bin/env bash
# Mutation run over the safety guards: each mutant of the list is applied to a scratch copy of
# the tree, the test binaries that can see it are rebuilt and run in turn, and the mutant is
# KILLED when a test fails twice (its second run alone) and SURVIVED when every test passes; the
# first binary that kills it ends its turn unless OSTREL_MUTANT_FULL=1. A table of the results ends the run; the exit
# status is 1 when a mutant survived that the list does not mark equivalent, 2 on an error of the
# list or of the build (a snippet that is not found exactly once is an error, never a survivor;
# a mutant that does not compile is shown as NO-BUILD and makes the run fail too).
#
# Usage: scripts/mutation-run.sh [--check] [LIST] [NAME-PATTERN]
#   --check       only reads the list and finds each snippet in the worktree; builds nothing
#   LIST          the mutants (default tests/mutants/guards.txt; its head describes the format)
#   NAME-PATTERN  runs only the mutants whose name matches this bash glob (default *)
# OSTREL_MUTANT_BASELINE=0 skips the run of the unmutated tree's tests (when it passed a moment
# ago); a test that fails there would otherwise count as a kill.
# OSTREL_MUTANT_DIR holds the scratch copy and its build between runs (default
# ${TMPDIR:-/tmp}/ostrel-mutants), so a second run rebuilds only what changed. The worktree's
# own files are never written. Run it as root: the loop-mounted file systems' tests skip without.
# Developer's tool, not for CI: each mutant costs a rebuild and test runs of up to some minutes.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true  # a & in a replacement stays a &
root=${OSTREL_MUTANT_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# Bash reads a script while it runs it, and a run lasts long enough for the script to be edited
# meanwhile: it runs from a copy, which removes itself once bash has it open.
if [ -z "${OSTREL_MUTANT_ROOT:-}" ]; then
    copy=$(mktemp "${TMPDIR:-/tmp}/mutation-run-XXXXXX.sh")
    cp "${BASH_SOURCE[0]}" "$copy"
    OSTREL_MUTANT_ROOT=$root exec bash "$copy" "$@"
fi
case ${BASH_SOURCE[0]} in "${TMPDIR:-/tmp}"/mutation-run-*.sh) rm -f "${BASH_SOURCE[0]}" ;; esac
check_only=0
if [ "${1:-}" = --check ]; then
    check_only=1
    shift
fi
list=$(realpath "${1:-$root/tests/mutants/guards.txt}")
pattern=${2:-*}
work=${OSTREL_MUTANT_DIR:-${TMPDIR:-/tmp}/ostrel-mutants}
tree=$work/tree
build=$tree/build  # where the worktrees have theirs, so that ccache finds their objects
logs=$work/logs
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
# ccache keys on paths relative to the build, so the scratch copy shares the worktrees' cache.
export CCACHE_BASEDIR=$tree
export OSTREL_PROGRAM_DIR=$build/bin QT_QPA_PLATFORM=offscreen

die() { echo "mutation-run: $*" >&2; exit 2; }

# ---- the list -------------------------------------------------------------------------------
# Parsed into parallel arrays, one index a mutant.
names=() files=() guards=() runs=() equivalents=() originals=() replacements=()
parse_list() {
    local line state=head n=-1 lineno=0
    while IFS= read -r line || [ -n "$line" ]; do
        lineno=$((lineno + 1))
        case $state in
        head | fields)
            case $line in
            '' | '#'*) ;;
            '['*']')
                n=$((n + 1))
                names[n]=${line:1:${#line}-2} files[n]='' guards[n]='' runs[n]=''
                equivalents[n]='' originals[n]='' replacements[n]=''
                state=fields ;;
            'file: '*) [ $n -ge 0 ] && files[n]=${line#file: } ;;
            'guard: '*) [ $n -ge 0 ] && guards[n]=${line#guard: } ;;
            'run: '*) [ $n -ge 0 ] && runs[n]=${line#run: } ;;
            'equivalent: '*)  # the reason may go on over several such lines
                [ $n -ge 0 ] && equivalents[n]+=${equivalents[n]:+ }${line#equivalent: } ;;
            '<<<') [ $n -ge 0 ] || die "$list:$lineno: '<<<' before any [name]"
                   state=original ;;
            *) die "$list:$lineno: not understood: $line" ;;
            esac ;;
        original)
            if [ "$line" = '===' ]; then state=replacement
            else originals[n]+=$line$'\n'; fi ;;
        replacement)
            if [ "$line" = '>>>' ]; then state=fields
            else replacements[n]+=$line$'\n'; fi ;;
        esac
    done <"$list"
    [ "$state" = original ] || [ "$state" = replacement ] && die "$list: the last snippet is not closed"
    [ $n -ge 0 ] || die "$list: no mutants"
    local i j
    for i in "${!names[@]}"; do
        for ((j = 0; j < i; j++)); do
            [ "${names[j]}" != "${names[i]}" ] || die "mutant ${names[i]}: named twice"
        done
        [ -n "${files[i]}" ] || die "mutant ${names[i]}: no file"
        [ -n "${guards[i]}" ] || die "mutant ${names[i]}: no guard"
        [ -n "${originals[i]}" ] || die "mutant ${names[i]}: no original snippet"
        [ "${originals[i]}" != "${replacements[i]}" ] || die "mutant ${names[i]}: replacement is the original"
    done
}

# The test binaries that link the file's folder, unless the list names them (run: ...).
binaries_for() {
    local i=$1
    if [ -n "${runs[i]}" ]; then echo "${runs[i]}"; return; fi
    case ${files[i]} in
    platform/*) echo platform shredder job e2e ;;
    shredder/*) echo shredder job e2e ;;
    job/*) echo job e2e ;;
    *) echo e2e ;;
    esac
}

# ---- the scratch copy -----------------------------------------------------------------------
# Copies the worktree's files (tracked and untracked, without ignored ones) into the scratch
# tree. A file is rewritten only when its content differs, so its fresh time makes ninja rebuild
# exactly the changed files; a file left mutated by an interrupted run differs and is restored.
sync_tree() {
    mkdir -p "$tree" "$logs"
    local wanted=$work/files.txt f
    (cd "$root" && git ls-files -co --exclude-standard) | sort >"$wanted"
    while IFS= read -r f; do
        [ -f "$root/$f" ] || continue
        if ! cmp -s "$root/$f" "$tree/$f"; then
            mkdir -p "$(dirname "$tree/$f")"
            cp "$root/$f" "$tree/$f"
        fi
    done <"$wanted"
    # Files deleted from the worktree go from the copy too (the build globs its folders).
    (cd "$tree" && find . -path ./build -prune -o -type f -print | sed 's|^\./||' | sort) |
        comm -23 - "$wanted" | while IFS= read -r f; do rm -f "$tree/$f"; done
}

build_targets() {
    local targets=() b
    for b in "$@"; do
        targets+=("ostrel_${b}_tests")
        [ "$b" = e2e ] && targets+=(ostrel ostrel-pending)
    done
    nice -n 19 cmake --build "$build" --target "${targets[@]}" >"$logs/build.log" 2>&1
}

# Runs the binaries; prints the names of the failed tests, one a line (none when all passed).
# A binary that fails without a [  FAILED  ] line (a crash, an abort) is named itself.
# OSTREL_MUTANT_FILTER, when set, is the gtest filter.
run_tests() {
    local b out status
    for b in "$@"; do
        out=$logs/$b.log
        status=0
        (cd "$work" && nice -n 19 timeout 900 "$build/bin/ostrel_${b}_tests" \
            --gtest_brief=1 --gtest_filter="${OSTREL_MUTANT_FILTER:-*}" >"$out" 2>&1) ||
            status=$?
        if [ $status -ne 0 ]; then
            local failed
            failed=$(sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' "$out" | grep -v '^[0-9]' | sort -u)
            if [ -n "$failed" ]; then echo "$failed"; else echo "ostrel_${b}_tests(exit $status)"; fi
        fi
    done
}

# ---- the run --------------------------------------------------------------------------------
parse_list
selected=()
for i in "${!names[@]}"; do
    # shellcheck disable=SC2053
    [[ ${names[i]} == $pattern ]] && selected+=("$i")
done
[ ${#selected[@]} -gt 0 ] || die "no mutant matches '$pattern'"

# Every snippet must occur exactly once in its file before anything is built.
for i in "${selected[@]}"; do
    f=$root/${files[i]}
    [ -f "$f" ] || die "mutant ${names[i]}: no file ${files[i]}"
    # Matched from the start of a line: the text and the snippet both get a newline in front.
    IFS= read -r -d '' text <"$f" || true
    text=$'\n'$text
    original=$'\n'${originals[i]}
    rest=${text//"$original"/}
    count=$(((${#text} - ${#rest}) / ${#original}))
    [ "$count" -eq 1 ] || die "mutant ${names[i]}: the original snippet occurs $count times in ${files[i]}"
done
if [ $check_only = 1 ]; then
    echo "mutation-run: ${#selected[@]} mutants, each snippet found once" >&2
    exit 0
fi
sync_tree

"$root/scripts/setup.sh"
cmake -S "$tree" -B "$build" -G Ninja -DOSTREL_WERROR=ON -DOSTREL_SANITIZE=OFF >"$logs/configure.log" 2>&1 ||
    die "configuring failed (see $logs/configure.log)"
echo "mutation-run: building the unmutated tree in $build" >&2
build_targets platform shredder job e2e || die "the unmutated tree does not build (see $logs/build.log)"
if [ "${OSTREL_MUTANT_BASELINE:-1}" = 1 ]; then
    baseline=$(run_tests platform shredder job e2e)
    [ -z "$baseline" ] || die "tests fail on the unmutated tree:"$'\n'"$baseline"
fi

results=() killers=() survivors=0 errors=0
restore_file=''
restore() { [ -z "$restore_file" ] || cp "$root/$restore_file" "$tree/$restore_file"; }
trap restore EXIT
for i in "${selected[@]}"; do
    name=${names[i]}
    f=$tree/${files[i]}
    IFS= read -r -d '' text <"$f" || true
    text=$'\n'$text
    restore_file=${files[i]}
    original=$'\n'${originals[i]}
    replacement=$'\n'${replacements[i]}
    mutated=${text/"$original"/"$replacement"}
    printf '%s' "${mutated:1}" >"$f"
    read -r -a bins <<<"$(binaries_for "$i")"
    echo "mutation-run: $name (${files[i]}) -> ${bins[*]}" >&2
    # The binaries in order, each built just before it runs; the first that kills the mutant
    # ends its run unless OSTREL_MUTANT_FULL=1 asks for every killing test of every binary.
    failed='' built=1 once=''

    for b in "${bins[@]}"; do
        if ! build_targets "$b"; then
            cp "$logs/build.log" "$logs/$name.build.log"
            built=0
            break
        fi
        found=$(run_tests "$b")
        cp "$logs/$b.log" "$logs/$name.$b.log"
        # A test can fail once on a loaded machine (a campaign's timing): the failed tests run
        # again, and only those that fail twice kill the mutant.
        if [ -n "$found" ] && ! grep -q '(exit' <<<"$found"; then
            again=$(OSTREL_MUTANT_FILTER=$(paste -sd: <<<"$found") run_tests "$b")
            cp "$logs/$b.log" "$logs/$name.$b.again.log"
            once+=${once:+ }$(comm -23 <(sort <<<"$found") <(sort <<<"$again") | sed "s/^/$b:/" | paste -sd ' ')
            found=$again
        fi
        [ -z "$found" ] || failed+=$(sed "s/^/$b:/" <<<"$found")$'\n'
        [ -z "$found" ] || [ "${OSTREL_MUTANT_FULL:-0}" = 1 ] || break
    done
    restore
    restore_file=''
    if [ $built = 0 ]; then
        results[i]=NO-BUILD
        killers[i]="(the list's error: see $logs/$name.build.log)"
        errors=$((errors + 1))
    elif [ -n "$failed" ]; then
        results[i]=KILLED
        killers[i]=$(echo "$failed" | grep . | paste -sd ' ')
    elif [ -n "${equivalents[i]}" ]; then
        results[i]=EQUIVALENT
        killers[i]="(equivalent: ${equivalents[i]})"
    else
        results[i]=SURVIVED
        killers[i]="(${guards[i]})"
        survivors=$((survivors + 1))
    fi
    [ -z "$once" ] || killers[i]+=" (failed once only: $once)"
    echo "mutation-run: $name ${results[i]} ${killers[i]}" >&2
done

printf '\n%-34s %-10s %s\n' MUTANT RESULT 'KILLED BY (failing tests)'
for i in "${selected[@]}"; do
    printf '%-34s %-10s %s\n' "${names[i]}" "${results[i]}" "${killers[i]}"
done
echo "logs: $logs"
[ $errors -eq 0 ] || exit 2
[ $survivors -eq 0 ]
