#!/usr/bin/env bash
# Proves that check-imports.sh catches what it is there for, on the real program
# and copies of the real list:
#
#   check-imports-test.sh <check-imports.sh> <objdump> <imports.txt> <oldest Windows> <program.exe>
#
#   - an import the list lacks fails, naming the function;
#   - an import newer than the oldest Windows fails, naming the function;
#   - PE header version fields other than the oldest Windows' fail.
set -uo pipefail

if [[ $# -ne 5 ]]; then
    echo "usage: $0 <check-imports.sh> <objdump> <imports.txt> <oldest Windows> <program.exe>" >&2
    exit 2
fi
check=$1
objdump=$2
list=$3
oldest=$4
exe=$5

work=$(mktemp -d /tmp/tarnwick-imports.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

# expect_failure <what> <pattern> <check-imports.sh arguments...>
expect_failure() {
    local what=$1 pattern=$2 output rc
    shift 2
    output=$("$check" "$@" 2>&1)
    rc=$?
    if [[ $rc -eq 1 ]] && grep -qF -- "$pattern" <<<"$output"; then
        echo "ok: $what"
    else
        echo "NOT CAUGHT: $what (exit $rc, expected 1 and \"$pattern\"):"
        echo "$output"
        failures=$((failures + 1))
    fi
}

# The program's first imported function, and the newest Windows the list names.
read -r dll function < <("$objdump" -p -- "$exe" | awk '
    /^\tDLL Name: / { dll = $3; next }
    dll != "" && /^\t[0-9a-fA-F]+\t/ { print dll, $3; exit }')
newest=$(awk '$1 == "windows" { name = $2 } END { print name }' "$list")
if [[ -z ${function:-} || -z $newest ]]; then
    echo "could not read an import of $exe or the Windows versions of $list"
    exit 1
fi

grep -v -i -E "^${dll}[[:space:]]+${function}[[:space:]]" "$list" >"$work/unlisted.txt"
expect_failure "$function missing from the list" "$dll $function, which" \
    "$objdump" "$work/unlisted.txt" "$oldest" "$exe"

sed -E "s/^(${dll}[[:space:]]+${function}[[:space:]]+)[^[:space:]#]+/\\1$newest/I" "$list" >"$work/newer.txt"
if [[ $oldest == "$newest" ]]; then
    echo "skipped: $oldest is already the newest Windows the list knows"
else
    expect_failure "$function listed as needing Windows $newest" "needs Windows $newest" \
        "$objdump" "$work/newer.txt" "$oldest" "$exe"
fi

# Any other Windows with another version number: the header no longer matches.
other=$(awk -v oldest="$oldest" '$1 == "windows" { version[$2] = $3; names[++n] = $2 }
    END { for (i = 1; i <= n; i++) if (version[names[i]] != version[oldest]) { print names[i]; exit } }' "$list")
expect_failure "PE header checked against Windows $other" "PE header gives" \
    "$objdump" "$list" "$other" "$exe"

[[ $failures -eq 0 ]]
