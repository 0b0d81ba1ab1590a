#!/usr/bin/env bash
# Builds the two benchmarks (windows preset) and runs them under Wine with a
# virtual display, printing each side's time and the ratios.
#
#   scripts/bench.sh [scan-repetitions [restore-repetitions]]
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
scanRepetitions=${1:-21}
restoreRepetitions=${2:-21}

for tool in cmake ninja x86_64-w64-mingw32-g++-posix wine Xvfb; do
    command -v "$tool" >/dev/null ||
        { echo "bench.sh: $tool is missing; scripts/test.sh installs it" >&2; exit 1; }
done

cd "$root"
if [ -n "${TARNWICK_BENCH_BUILD_DIR:-}" ]; then
    timeout 600 cmake --preset windows -B "$build" >/dev/null
else
    timeout 600 cmake --preset windows >/dev/null
fi
timeout 1800 cmake --build "$build" --target bench_scan bench_restore

work=$(mktemp -d /tmp/tarnwick-bench.XXXXXX)
xvfbPid=""
spinnerPid=""
runAs=()
runEnv=()

cleanup() {
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
cp "$build/tests/bench/bench_scan.exe" "$build/tests/bench/bench_restore.exe" "$work/bin/"

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

echo "Tarnwick benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(command wine --version 2>/dev/null), $(nproc) cores$awake, as $( [ ${#runAs[@]} -gt 0 ] && echo nobody || id -un)"
wine 300 wineboot --init >/dev/null 2>&1 || true

status=0
wine 900 "$work/bin/bench_scan.exe" "$scanRepetitions" 2>&1 | tee "$work/scan.log" || status=1
echo
wine 1800 "$work/bin/bench_restore.exe" "$restoreRepetitions" 2>&1 | tee "$work/restore.log" ||
    status=1

echo
echo "Ratios (real / bare, medians):"
grep -h -e '^read-' -e 'ratio' "$work/scan.log" | sed 's/^/  scan    /' || true
grep -h 'ratio' "$work/restore.log" | sed 's/^/  restore /' || true
exit "$status"
