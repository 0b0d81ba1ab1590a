#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. formatting (clang-format) of every C++ file;
#   2. native build: unit tests of the portable logic with AddressSanitizer and
#      UBSan, and bounded fuzz runs;
#   3. Windows build (MinGW-w64): the Windows-side file tests and the end-to-end
#      tests, each run under Wine through tests/wine-run.sh, two at a time, and
#      the program's import check;
#   4. 32-bit Windows builds, made while step 3's tests run: the shipped 32-bit
#      program and its import check, and the tests built for 32-bit. Where the
#      machine runs 32-bit programs, 32-bit Wine runs the 32-bit Windows-side
#      tests and the end-to-end tests against that program.
# The scratch directories and the Wine prefix are on a RAM-backed file system
# (/dev/shm). Installs the packages it needs when they are missing, 32-bit Wine
# among them. The last line is "N passed, N failed"; the exit status is non-zero
# when anything failed.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
# shellcheck source=lib.sh
source scripts/lib.sh

started=$(date +%s)
passed=0
failed=0
failed_steps=()
step_times=()

summary() {
    say "Took $(($(date +%s) - started)) s:"
    printf '      %s\n' "${step_times[@]}"
    if [[ ${#failed_steps[@]} -gt 0 ]]; then
        say "Failed steps: ${failed_steps[*]}"
    fi
    echo "$passed passed, $failed failed"
}

# Notes how long a step took, for the summary.
note_time() {
    step_times+=("$(printf '%4d s  %s' "$2" "$1")")
}

packages=(g++-mingw-w64-x86-64 wine wine64 xvfb xauth x11-apps imagemagick googletest
    libgtest-dev libgmock-dev cmake ninja-build clang clang-format libclang-rt-14-dev
    locales-all g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix)
RUN_32_BIT=
if runs_32_bit_programs; then
    RUN_32_BIT=1
    ensure_i386_architecture && packages+=(wine32:i386)
else
    warn "This machine does not run 32-bit programs: the 32-bit builds are checked, not run."
fi
say "Checking the packages the tests need."
t0=$(date +%s)
if ! ensure_packages "${packages[@]}"; then
    failed_steps+=(packages)
    summary
    exit 1
fi
note_time packages $(($(date +%s) - t0))

# One virtual display and one Wine prefix for every Windows test, both widths;
# as root, both belong to an unprivileged user so that read-only files stay
# read-only. The scratch directory, the prefix and the directories the tests make
# in its Temp are in memory: a disk's flushes and directory updates cost the
# tests more than half their time.
scratch_root=/tmp
if [[ -d /dev/shm && -w /dev/shm && $(stat -f -c %T /dev/shm 2>/dev/null) == tmpfs ]]; then
    scratch_root=/dev/shm
fi
scratch=$(mktemp -d "$scratch_root/tarnwick-test.XXXXXX")
XVFB_PID=
prefix_job=
build32_job=
WINE_USER=
if [[ $(id -u) -eq 0 ]]; then
    WINE_USER=$(ensure_test_user)
    say "Running the Windows tests as the unprivileged user $WINE_USER."
fi
WINE_HOME=$scratch/home
WINE_PREFIX=$scratch/prefix
WINE_DISPLAY=

SMALL_DISK=
finish() {
    local job
    for job in "$prefix_job" "$build32_job"; do
        if [[ -n $job ]] && kill -0 "$job" 2>/dev/null; then
            kill -- -"$job" 2>/dev/null || kill "$job" 2>/dev/null
            wait "$job" 2>/dev/null
        fi
    done
    [[ -n $WINE_DISPLAY ]] && stop_wine
    stop_xvfb
    if [[ -n $SMALL_DISK ]]; then
        umount "$SMALL_DISK" 2>/dev/null || umount -l "$SMALL_DISK" 2>/dev/null
    fi
    chmod -R u+w "$scratch" 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 143' INT TERM

mkdir "$WINE_HOME"
[[ -n $WINE_USER ]] && chown -R "$WINE_USER:" "$scratch"
# The runner's own directories (tests/wine-run.sh), and the compilers' files.
mkdir -m 0755 "$scratch/tmp"
export TMPDIR=$scratch/tmp

# A destination that really fills up, for the disk-full test: a small file system
# of the test user's. Only root can mount one; without it that test says skipped.
if [[ -n $WINE_USER ]] && mkdir "$scratch/small-disk" &&
    timeout 30 mount -t tmpfs -o size=24m,mode=0755 tmpfs "$scratch/small-disk"; then
    SMALL_DISK=$scratch/small-disk
    chown "$WINE_USER:" "$SMALL_DISK"
    export TARNWICK_SMALL_DISK=$SMALL_DISK
fi

# The prefix takes a while to create: it is made while the native tests run.
if start_xvfb; then
    WINE_DISPLAY=$XVFB_DISPLAY
    say "Virtual display $WINE_DISPLAY; creating the Wine prefix $WINE_PREFIX in the background."
    (
        t0=$(date +%s)
        create_test_wine_prefix || exit 1
        echo "$(($(date +%s) - t0))" >"$scratch/prefix-seconds"
    ) &
    prefix_job=$!
else
    failed_steps+=(xvfb)
fi

# Adds the counts from a ctest log ("... tests passed, N tests failed out of M").
count_ctest() {
    local line
    line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
    if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
}

run_step() {
    local name=$1 t0 status
    shift
    say "$name"
    t0=$(date +%s)
    "$@"
    status=$?
    note_time "$name" $(($(date +%s) - t0))
    if [[ $status -ne 0 ]]; then
        warn "FAILED: $name"
        failed_steps+=("$name")
        return 1
    fi
}

# C++ files only, by name: clang-format takes whatever it is given for C++.
mapfile -t sources < <(find src driver tests bench tools -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
run_step "format: clang-format --dry-run --Werror on ${#sources[@]} files" \
    clang-format --dry-run --Werror "${sources[@]}"

# Runs ctest with preset $1 (and further options), showing its output and
# adding its counts to the totals.
run_ctest() {
    local preset=$1 log=$scratch/ctest-$1.log t0
    shift
    say "$preset: ctest"
    t0=$(date +%s)
    ctest --preset "$preset" "$@" 2>&1 | tee "$log"
    if [[ ${PIPESTATUS[0]} -ne 0 ]]; then
        warn "FAILED: $preset: ctest"
        failed_steps+=("$preset: ctest")
    fi
    note_time "$preset: ctest" $(($(date +%s) - t0))
    count_ctest "$log"
}

jobs=$(nproc)
if run_step "native: configure" cmake --preset native &&
    run_step "native: build" cmake --build --preset native; then
    run_ctest native -j "$jobs"
fi

# The 32-bit builds, made in the background while the Windows tests run (which
# mostly wait for windows). Their output goes to a log, shown once they are done.
build_32_bit() {
    local t0
    t0=$(date +%s)
    {
        timeout 300 cmake --preset win32 && timeout 900 cmake --build --preset win32 &&
            timeout 300 ctest --preset win32
    } >"$scratch/build-win32.log" 2>&1
    echo "win32 $? $(($(date +%s) - t0))" >"$scratch/build32-status"
    t0=$(date +%s)
    { timeout 300 cmake --preset win32-tests && timeout 900 cmake --build --preset win32-tests; } \
        >"$scratch/build-win32-tests.log" 2>&1
    echo "win32-tests $? $(($(date +%s) - t0))" >>"$scratch/build32-status"
}

if run_step "windows: configure" cmake --preset windows &&
    run_step "windows: build" cmake --build --preset windows; then
    say "Building the 32-bit program and tests in the background (logs in $scratch)."
    set -m
    bash -c "$(declare -f build_32_bit); scratch=$scratch; build_32_bit" &
    build32_job=$!
    set +m
    if [[ -n $prefix_job ]]; then
        say "Waiting for the Wine prefix."
        if wait "$prefix_job"; then
            say "Wine prefix ready (created in $(cat "$scratch/prefix-seconds") s)."
        else
            failed_steps+=("wine prefix")
        fi
        prefix_job=
    fi
    if [[ -n $WINE_DISPLAY && -f $scratch/prefix-seconds ]]; then
        export TARNWICK_WINEPREFIX=$WINE_PREFIX TARNWICK_DISPLAY=$WINE_DISPLAY
        export TARNWICK_TEST_HOME=$WINE_HOME
        [[ -n $WINE_USER ]] && export TARNWICK_TEST_USER=$WINE_USER
        # Two at a time (the preset's jobs); only the test that types and clicks
        # runs alone (RUN_SERIAL).
        run_ctest windows
    else
        failed_steps+=("windows: ctest (no display or prefix)")
    fi
fi

if [[ -z $build32_job ]]; then
    run_step "win32: configure" cmake --preset win32 &&
        run_step "win32: build" cmake --build --preset win32 &&
        run_ctest win32
    run_step "win32-tests: configure" cmake --preset win32-tests &&
        run_step "win32-tests: build" cmake --build --preset win32-tests
else
    say "Waiting for the 32-bit builds."
    t0=$(date +%s)
    wait "$build32_job"
    build32_job=
    note_time "waiting for the 32-bit builds" $(($(date +%s) - t0))
    built32=()
    while read -r preset status seconds; do
        note_time "$preset: configure, build$([[ $preset == win32 ]] && echo ", ctest") (in the background)" "$seconds"
        if [[ $status -eq 0 ]]; then
            built32+=("$preset")
        else
            failed_steps+=("$preset: build")
            warn "FAILED: $preset: build; the end of its log:"
            tail -n 40 "$scratch/build-$preset.log" >&2
        fi
    done <"$scratch/build32-status"
    grep -E 'tests passed|Test +#' "$scratch/build-win32.log"
    count_ctest "$scratch/build-win32.log"
    if [[ " ${built32[*]} " == *" win32 "* && " ${built32[*]} " == *" win32-tests "* ]]; then
        if [[ -z $RUN_32_BIT ]]; then
            say "win32-tests: built, not run (this machine runs no 32-bit programs)."
        elif [[ -n ${TARNWICK_WINEPREFIX:-} ]]; then
            run_ctest win32-tests
        fi
    fi
fi

summary
[[ $failed -eq 0 && ${#failed_steps[@]} -eq 0 ]]
