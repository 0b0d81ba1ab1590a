#!/usr/bin/env bash
# Runs one Windows test program under Wine and passes its exit code on.
#
#   tests/wine-run.sh <program.exe> [extra files or directories...] [-- program arguments...]
#
# The program and the extra files are copied into a fresh directory, which
# becomes the working directory, so a test finds its companions by bare name.
# Started as root, the program runs as an unprivileged user (tarnwick-test, or
# nobody) that owns that directory: as root, Wine ignores read-only files.
#
# scripts/test.sh shares one prefix and one display among all tests through
# TARNWICK_WINEPREFIX, TARNWICK_DISPLAY, TARNWICK_TEST_USER and TARNWICK_TEST_HOME.
# Run alone (a plain ctest), this script makes its own and removes them after.
# TARNWICK_WINE_TIMEOUT bounds the run (seconds, default 600). TARNWICK_SMALL_DISK
# (a small file system's Linux path) is passed on to the program.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scripts/lib.sh
source "$here/../scripts/lib.sh"

if [[ $# -lt 1 || ! -f $1 ]]; then
    echo "usage: $0 <program.exe> [extra files...] [-- program arguments...]" >&2
    exit 2
fi
exe=$1
shift
extras=()
args=()
while [[ $# -gt 0 ]]; do
    if [[ $1 == -- ]]; then
        shift
        args=("$@")
        break
    fi
    extras+=("$1")
    shift
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-run.XXXXXX")
own_prefix=
XVFB_PID=
child=
tailer=
cleanup() {
    if [[ -n $child ]] && kill -0 "$child" 2>/dev/null; then
        # Interrupted: timeout passes the signal on to the program.
        kill -TERM "$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    if [[ -n $tailer ]]; then
        kill "$tailer" 2>/dev/null
        wait "$tailer" 2>/dev/null
    fi
    [[ -n $own_prefix ]] && stop_wine
    stop_xvfb
    cd /
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

WINE_USER=
if [[ $(id -u) -eq 0 ]]; then
    WINE_USER=${TARNWICK_TEST_USER:-$(ensure_test_user)}
fi
if [[ -n ${TARNWICK_TEST_HOME:-} ]]; then
    WINE_HOME=$TARNWICK_TEST_HOME
elif [[ -n $WINE_USER ]]; then
    WINE_HOME=$work/home
    mkdir "$WINE_HOME"
else
    WINE_HOME=$HOME
fi

mkdir "$work/run"
cp -- "$exe" "$work/run/" || exit 2
for extra in "${extras[@]}"; do
    cp -R -- "$extra" "$work/run/" || exit 2
done
[[ -n $WINE_USER ]] && chown -R "$WINE_USER:" "$work"

if [[ -n ${TARNWICK_DISPLAY:-} ]]; then
    WINE_DISPLAY=$TARNWICK_DISPLAY
else
    start_xvfb || exit 2
    WINE_DISPLAY=$XVFB_DISPLAY
fi

if [[ -n ${TARNWICK_WINEPREFIX:-} ]]; then
    WINE_PREFIX=$TARNWICK_WINEPREFIX
else
    WINE_PREFIX=$work/prefix
    own_prefix=1
    create_test_wine_prefix || {
        echo "wine-run.sh: could not create a Wine prefix" >&2
        exit 2
    }
fi

# UTF-8 file names, and the Western ANSI code page unless the test asks for
# another through TARNWICK_WINE_CTYPE (a locale such as ja_JP.UTF-8), whatever
# the caller's locale.
export LANG=C.UTF-8 LC_CTYPE=${TARNWICK_WINE_CTYPE:-C.UTF-8}
unset LC_ALL LC_MESSAGES
# Wine takes the display language from LC_MESSAGES, and for "C" from LC_CTYPE:
# the dialogs and the folder browser stay English under another code page.
[[ -n ${TARNWICK_WINE_CTYPE:-} ]] && export LC_MESSAGES=en_US.UTF-8

cd "$work/run"
# In the background, so that a signal to this script is handled at once. Its
# output goes through a file, which tail passes on as it grows: the Wine
# processes that a program starts (its services, the desktop's explorer) keep
# the program's output open for as long as the prefix is in use, and a runner
# that waits for the end of this script's output (ctest) would wait for them.
: >"$work/output"
in_wine_env timeout -k 10 "${TARNWICK_WINE_TIMEOUT:-600}" wine "./$(basename -- "$exe")" "${args[@]}" \
    >"$work/output" 2>&1 </dev/null &
child=$!
tail -f -s 0.1 --pid="$child" "$work/output" &
tailer=$!
wait "$child"
rc=$?
child=
wait "$tailer"
tailer=
if [[ $rc -eq 124 || $rc -eq 137 ]]; then
    echo "wine-run.sh: $(basename -- "$exe") did not finish in time; stopping its Wine processes" >&2
    stop_wine
fi
exit "$rc"
