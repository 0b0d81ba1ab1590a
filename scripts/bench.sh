#!/usr/bin/env bash
# Builds the benchmarks (windows preset) and runs them under Wine with a
# virtual display, printing each side's time and the ratios.
#
#   scripts/bench.sh [scan-repetitions [restore-repetitions]]
#   scripts/bench.sh dialog [folders...]
#
# The first form runs the scan and restore benchmarks. "dialog" drives the real
# tarnwick.exe through its dialog on archives of the given numbers of folders
# (default 1000 5000 20000), written natively by bench/make-bench-archive.cpp;
# each size runs TARNWICK_BENCH_REPETITIONS times (default 5 below 5,000 folders,
# 3 below 20,000, else 1). TARNWICK_BENCH_RESTORE=0 leaves the restore out;
# TARNWICK_BENCH_PROGRAM times another tarnwick.exe (an older build, say).
#
# TARNWICK_BENCH_BUILD_DIR picks another build directory than the preset's.
# TARNWICK_BENCH_AWAKE=1 keeps one CPU busy with a spinner at idle priority
# while the benchmarks run. On a virtual machine whose CPUs are otherwise idle,
# waking a halted CPU for every Wine server round trip can cost more than the
# file call itself and swamps the figures; the spinner keeps them comparable
# with those of a machine that has other work to do.
# Run as root, the benchmarks run as the user "nobody": Wine run as root opens
# read-only files for writing, so the read-only archive would not be read-only.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNWICK_BENCH_BUILD_DIR:-$root/build/windows}
mode=files
if [ "${1:-}" = dialog ]; then
    mode=dialog
    shift
    sizes=("$@")
    [ $# -eq 0 ] && sizes=(1000 5000 20000)
    for size in "${sizes[@]}"; do
        [[ $size =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: not a number of folders: $size" >&2; exit 2; }
    done
    targets=(bench_dialog)
else
    scanRepetitions=${1:-21}
    restoreRepetitions=${2:-21}
    targets=(bench_scan bench_restore)
fi

cd "$root"
# shellcheck source=lib.sh
source scripts/lib.sh
# The Windows build configures with GoogleTest's sources; the archives of the
# dialog benchmark are written by a native program built with g++.
say "Checking the packages the benchmarks need."
ensure_packages g++-mingw-w64-x86-64 googletest cmake ninja-build g++ wine wine64 xvfb xauth

if [ -n "${TARNWICK_BENCH_BUILD_DIR:-}" ]; then
    timeout 600 cmake --preset windows -B "$build" >/dev/null
else
    timeout 600 cmake --preset windows >/dev/null
fi
timeout 1800 cmake --build "$build" --target "${targets[@]}"

work=$(mktemp -d /tmp/tarnwick-bench.XXXXXX)
xvfbPid=""
spinnerPid=""
runAs=()
runEnv=()

cleanup() {
    # A second signal (timeout passes one on) must not cut the clean-up short.
    trap '' INT TERM
    if [ -d "$work/prefix" ]; then
        timeout 60 "${runAs[@]}" env "${runEnv[@]}" wineserver -k >/dev/null 2>&1 || true
        timeout 60 "${runAs[@]}" env "${runEnv[@]}" wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "$spinnerPid" ]; then
        kill "$spinnerPid" 2>/dev/null || true
        wait "$spinnerPid" 2>/dev/null || true
    fi
    if [ -n "$xvfbPid" ]; then
        kill "$xvfbPid" 2>/dev/null || true
        wait "$xvfbPid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/bin" "$work/home"
if [ "$mode" = dialog ]; then
    cp "$build/bench/bench_dialog.exe" "$work/bin/"
    cp "${TARNWICK_BENCH_PROGRAM:-$build/src/tarnwick.exe}" "$work/bin/tarnwick.exe"
    timeout 300 g++ -std=c++17 -O2 -I"$root/tests/support" \
        "$root/bench/make-bench-archive.cpp" "$root/tests/support/FolderFiles.cpp" \
        -o "$work/make-bench-archive"
    mkdir -p "$work/data/archives" "$work/data/restored"
    dialogArguments=(--scratch "Z:${work//\//\\}\\data\\restored")
    [ "${TARNWICK_BENCH_RESTORE:-1}" = 0 ] && dialogArguments+=(--no-restore)
    dialogTimeout=900
    for size in "${sizes[@]}"; do
        timeout 600 "$work/make-bench-archive" "$work/data/archives/a$size" "$size"
        if [ -n "${TARNWICK_BENCH_REPETITIONS:-}" ]; then
            repetitions=$TARNWICK_BENCH_REPETITIONS
        elif [ "$size" -lt 5000 ]; then
            repetitions=5
        elif [ "$size" -lt 20000 ]; then
            repetitions=3
        else
            repetitions=1
        fi
        dialogArguments+=("$repetitions" "Z:${work//\//\\}\\data\\archives\\a$size")
        # A bound of about 0.15 s a folder and repetition: the slowest program
        # measured took a third of that.
        dialogTimeout=$((dialogTimeout + size * repetitions * 15 / 100))
    done
else
    cp "$build/bench/bench_scan.exe" "$build/bench/bench_restore.exe" "$work/bin/"
fi

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb takes the first free display number and writes it to descriptor 9
    # once it accepts clients.
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/display" >/dev/null 2>&1 &
    xvfbPid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { echo "bench.sh: Xvfb did not start" >&2; exit 1; }
    DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
    export DISPLAY
fi

mkdir -p "$work/tmp"
# TMPDIR: the Wine server's own directory goes there too, and is removed with it.
runEnv=(PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" WINEPREFIX="$work/prefix"
    TMPDIR="$work/tmp" WINEDEBUG=-all DISPLAY="$DISPLAY")
if [ -n "${XAUTHORITY:-}" ] && [ -r "$XAUTHORITY" ]; then
    cp "$XAUTHORITY" "$work/Xauthority"
    runEnv+=(XAUTHORITY="$work/Xauthority")
fi
if [ "$(id -u)" = 0 ]; then
    group=$(id -gn nobody)
    chown -R "nobody:$group" "$work"
    runAs=(setpriv --reuid=nobody --regid="$group" --clear-groups --reset-env)
fi

wine() {
    "${runAs[@]}" env "${runEnv[@]}" timeout "$1" wine "${@:2}"
}

awake=""
if [ "${TARNWICK_BENCH_AWAKE:-0}" = 1 ]; then
    chrt --idle 0 timeout 3600 sh -c 'while :; do :; done' &
    spinnerPid=$!
    awake=", one CPU kept awake"
fi

echo "Tarnwick benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(command wine --version 2>/dev/null), $(nproc) cores$awake, as $( [ ${#runAs[@]} -gt 0 ] && echo nobody || id -un), load $(cut -d' ' -f1-3 /proc/loadavg)"
wine 300 wineboot --init >/dev/null 2>&1 || true

status=0
if [ "$mode" = dialog ]; then
    # In the background, so that a signal to this script stops the run at once.
    wine "$dialogTimeout" "$work/bin/bench_dialog.exe" "${dialogArguments[@]}" 2>&1 &
    wait $! || status=1
    echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    exit "$status"
fi
wine 900 "$work/bin/bench_scan.exe" "$scanRepetitions" 2>&1 | tee "$work/scan.log" || status=1
echo
wine 1800 "$work/bin/bench_restore.exe" "$restoreRepetitions" 2>&1 | tee "$work/restore.log" ||
    status=1

echo
echo "Ratios (real / bare, medians):"
grep -h -e '^read-' -e 'ratio' "$work/scan.log" | sed 's/^/  scan    /' || true
grep -h 'ratio' "$work/restore.log" | sed 's/^/  restore /' || true
exit "$status"
