#!/usr/bin/env bash
# Fails when an include runs against the direction of the layers
#   platform <- core <- lang <- shredder <- job <- console | (controls <- ui) <- app
# or when code outside platform/ includes a system or toolkit header it must not know about
# (the core stays portable and free of Qt). The tests of a layer may use what the layer may use,
# the test support and the core (the support library is built on it); the end-to-end tests and
# the executables' tests start programs and may use anything. Above the platform only its
# interfaces (platform/*.h) are seen, never a backend's headers; and the interfaces themselves
# include no system header and name no system's or toolkit's type. An include counts wherever it
# stands: indented, inside a conditional, or written "# include".
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

declare -A allowed=(
    [platform]="platform"
    [core]="core platform"
    [lang]="lang core platform"
    [shredder]="shredder lang core platform"
    [job]="job shredder lang core platform"
    [console]="console job shredder lang core platform"
    [controls]="controls platform"
    [ui]="ui controls console job shredder lang core platform"
    [app]="app ui controls console job shredder lang core platform"
)
everything="tests app ui controls console job shredder lang core platform"
for layer in platform core lang shredder job console controls ui; do
    allowed[tests/$layer]="tests core ${allowed[$layer]}"
done
allowed[tests/job]+=" console"  # the job is driven through the console's forms
allowed[tests/support]="tests job core platform"
allowed[tests/app]=$everything
allowed[tests/e2e]=$everything
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
# Every folder of tests with C++ sources needs a rule above.
while IFS= read -r folder; do
    [ -n "${allowed[$folder]:-}" ] || { echo "no layer rule for $folder/"; exit 1; }
done < <(git ls-files 'tests/*/*.cpp' 'tests/*/*.h' | cut -d/ -f1-2 | sort -u)
# Headers the core layers must not include: system interfaces and toolkits.
forbidden_system='^(unistd|fcntl|dirent|signal|pthread|windows|glib|gio/.*|sys/.*|Q[A-Za-z]*|Qt.*)(\.h)?$'
portable="core lang shredder job console"

status=0
for layer in "${!allowed[@]}"; do
    [ -d "$layer" ] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$line")
        top=${header%%/*}
        [ "$top" = "$header" ] && continue  # a header beside the file
        if ! grep -qw -- "$top" <<<"${allowed[$layer]}"; then
            echo "layer violation: $file includes \"$header\" ($layer may use: ${allowed[$layer]})"
            status=1
        fi
        # A backend's own headers (platform/posix/, platform/win32/) are for that backend, its
        # tests and the end-to-end tests: the layers above see the interfaces only.
        if [[ $header == platform/*/* ]] &&
            [[ ! $layer =~ ^(platform|tests/platform|tests/e2e|tests/app)$ ]]; then
            echo "layer violation: $file includes \"$header\", a backend's header (only platform/*.h)"
            status=1
        fi
    done < <(git ls-files "$layer" | grep -E '\.(cpp|h)$' | xargs -r grep -HE "$include\"" || true)
done
for layer in $portable; do
    [ -d "$layer" ] || continue
    while IFS= read -r line; do
        header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/' <<<"$line")
        if grep -qE "$forbidden_system" <<<"$header"; then
            echo "system header outside platform/: ${line%%:*} includes <$header>"
            status=1
        fi
    done < <(git ls-files "$layer" | grep -E '\.(cpp|h)$' | grep -v '^lang/tools/' |
             xargs -r grep -HE "$include<" || true)
done
# The platform's interfaces (platform/*.h) are what every backend implements: they include only
# the C++ standard library and each other, never a backend's header, and name no type of one
# system or toolkit (a file descriptor's or a Windows handle's type, a Qt class). Comments are
# not code and are left out of the look.
system_types='\b(pid_t|uid_t|gid_t|mode_t|off_t|off64_t|ssize_t|dev_t|ino_t|nlink_t|blksize_t|'
system_types+='blkcnt_t|sigset_t|fd_set|DIR|dirent|pthread_[a-z_]+|HANDLE|HMODULE|HKEY|DWORD|'
system_types+='WORD|BOOL|LPCSTR|LPSTR|WCHAR|Q[A-Z][A-Za-z0-9]+|posix::[A-Za-z_]+|'
system_types+='win32::[A-Za-z_]+)\b|struct[[:space:]]+(stat|statx|statfs|flock|timespec)\b'
while IFS= read -r file; do
    while IFS= read -r line; do
        header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*[<"]([^">]+)[">].*/\1/' <<<"$line")
        if [[ $line == *'<'* ]]; then
            [[ $header =~ ^[a-z_]+$ ]] && continue  # a C++ standard header
        else
            [[ $header =~ ^platform/[A-Za-z]+\.h$ ]] && continue  # another interface
        fi
        echo "platform interface $file includes $header (only the C++ library and platform/*.h)"
        status=1
    done < <(grep -E "$include[<\"]" "$file" || true)
    while IFS= read -r hit; do
        echo "platform interface $file names a system type: $hit"
        status=1
    done < <(sed -E 's#//.*##' "$file" | grep -nE "$system_types" || true)
done < <(git ls-files 'platform/*.h' | grep -v '^platform/[^/]*/')
[ $status -eq 0 ] && echo "layers: every include runs downward; the platform's interfaces are the system's own"
exit $status
