#!/usr/bin/env bash
# Checks which Windows a program needs, from its PE headers:
#
#   check-imports.sh <objdump> <imports.txt> <oldest Windows> <program.exe>
#
# Fails, naming each offender, on an imported function that imports.txt does not
# list, on one that is newer than <oldest Windows>, and on PE header OS or
# subsystem version fields other than that Windows' version number. Functions a
# program looks up at run time (GetProcAddress) are not in its import table and
# are not checked here.
set -uo pipefail

if [[ $# -ne 4 ]]; then
    echo "usage: $0 <objdump> <imports.txt> <oldest Windows> <program.exe>" >&2
    exit 2
fi
objdump=$1
list=$2
oldest=$3
exe=$4

if ! headers=$("$objdump" -p -- "$exe" 2>&1); then
    echo "$headers" >&2
    echo "check-imports.sh: cannot read the headers of $exe" >&2
    exit 2
fi

awk -v oldest="$oldest" -v exe="$(basename -- "$exe")" -v listName="$(basename -- "$list")" '
function fail(message) {
    print exe ": " message
    failures++
}

# The list: "windows <name> <major.minor>" lines, oldest first, then one
# "<DLL> <function> <oldest Windows>" line per import.
FNR == NR {
    sub(/#.*/, "")
    if (NF == 0) next
    if ($1 == "windows" && NF == 3) {
        rank[$2] = ++versions
        peVersion[$2] = $3
    } else if (NF == 3) {
        since[tolower($1) SUBSEP $2] = $3
        listed[tolower($1) SUBSEP $2] = $1 " " $2
    } else {
        print listName ":" FNR ": not \"<DLL> <function> <Windows version>\": " $0
        listErrors++
    }
    next
}

# objdump -p: a "DLL Name:" line, then one line per function (address, hint,
# name; "<none>" for an import by ordinal), then a blank line.
/^\tDLL Name: / { dll = $3; dlls++; next }
/^[ \t]*$/ { dll = ""; next }
dll != "" && /^\t[0-9a-fA-F]+\t/ {
    name = (NF >= 3 && $3 != "<none>") ? $3 : "ordinal " $2
    imports++
    importDll[imports] = dll
    importName[imports] = name
    next
}
$1 ~ /^(Major|Minor)(OSystem|Subsystem)Version$/ { header[$1] = $2 }

END {
    for (key in since) {
        if (!(since[key] in rank)) {
            split(listed[key], parts, " ")
            print listName ": " listed[key] ": unknown Windows version \"" since[key] "\""
            listErrors++
        }
    }
    if (!(oldest in rank)) {
        print listName ": the oldest Windows \"" oldest "\" is not one of its \"windows\" lines"
        exit 2
    }
    if (listErrors) exit 2
    if (imports == 0) {
        fail("no imports found in the headers: not a Windows program, or objdump wrote something unexpected")
        exit 1
    }

    newest = ""
    for (i = 1; i <= imports; i++) {
        key = tolower(importDll[i]) SUBSEP importName[i]
        if (!(key in since)) {
            fail("imports " importDll[i] " " importName[i] ", which " listName " does not list; add it there with the oldest Windows that has it")
        } else if (rank[since[key]] > rank[oldest]) {
            fail("imports " importDll[i] " " importName[i] ", which needs Windows " since[key] ", newer than the oldest Windows this build is for, " oldest)
        } else if (newest == "" || rank[since[key]] > rank[since[newest]]) {
            newest = key
            newestName = importDll[i] " " importName[i]
        }
    }

    want = peVersion[oldest]
    os = header["MajorOSystemVersion"] "." header["MinorOSystemVersion"]
    subsystem = header["MajorSubsystemVersion"] "." header["MinorSubsystemVersion"]
    if (os != want || subsystem != want)
        fail("PE header gives OS version " os " and subsystem version " subsystem "; Windows " oldest " is " want)

    if (failures) exit 1
    print exe ": " imports " functions from " dlls " DLLs, all listed; the newest, " newestName ", needs Windows " since[newest] "; built for Windows " oldest " (PE header " want ")"
}
' "$list" <(printf '%s\n' "$headers")
