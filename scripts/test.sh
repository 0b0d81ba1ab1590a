#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. formatting (clang-format) of every C++ file under src/, tests/ and tools/;
#   2. native build: unit tests of the portable logic with AddressSanitizer and
#      UBSan, and bounded fuzz runs;
#   3. Windows build (MinGW-w64): the Windows-side file tests and the end-to-end
#      tests, each run under Wine through tests/wine-run.sh, and the program's
#      import check;
#   4. 32-bit Windows builds: the program and its import check, and the tests,
#      built only (a 32-bit program cannot run on these machines).
# Installs the packages it needs when they are missing. The last line is
# "N passed, N failed"; the exit status is non-zero when anything failed.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
# shellcheck source=lib.sh
source scripts/lib.sh

started=$(date +%s)
passed=0
failed=0
failed_steps=()

summary() {
    say "Took $(($(date +%s) - started)) s."
    if [[ ${#failed_steps[@]} -gt 0 ]]; then
        say "Failed steps: ${failed_steps[*]}"
    fi
    echo "$passed passed, $failed failed"
}

packages=(g++-mingw-w64-x86-64 wine wine64 xvfb xauth x11-apps imagemagick googletest
    libgtest-dev libgmock-dev cmake ninja-build clang clang-format libclang-rt-14-dev
    locales-all g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix)
say "Checking the packages the tests need."
if ! ensure_packages "${packages[@]}"; then
    failed_steps+=(packages)
    summary
    exit 1
fi

# One virtual display and one Wine prefix for every Windows test; as root, both
# belong to an unprivileged user so that read-only files stay read-only.
scratch=$(mktemp -d /tmp/tarnwick-test.XXXXXX)
XVFB_PID=
prefix_job=
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
    if [[ -n $prefix_job ]] && kill -0 "$prefix_job" 2>/dev/null; then
        kill "$prefix_job" 2>/dev/null
        wait "$prefix_job" 2>/dev/null
    fi
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
        create_wine_prefix || exit 1
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
    local name=$1
    shift
    say "$name"
    if ! "$@"; then
        warn "FAILED: $name"
        failed_steps+=("$name")
        return 1
    fi
}

# C++ files only, by name: clang-format takes whatever it is given for C++.
mapfile -t sources < <(find src tests tools -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
run_step "format: clang-format --dry-run --Werror on ${#sources[@]} files" \
    clang-format --dry-run --Werror "${sources[@]}"

# Runs ctest with preset $1 (and further options), showing its output and
# adding its counts to the totals.
run_ctest() {
    local preset=$1 log=$scratch/ctest-$1.log
    shift
    say "$preset: ctest"
    ctest --preset "$preset" "$@" 2>&1 | tee "$log"
    if [[ ${PIPESTATUS[0]} -ne 0 ]]; then
        warn "FAILED: $preset: ctest"
        failed_steps+=("$preset: ctest")
    fi
    count_ctest "$log"
}

jobs=$(nproc)
if run_step "native: configure" cmake --preset native &&
    run_step "native: build" cmake --build --preset native; then
    run_ctest native -j "$jobs"
fi

if run_step "windows: configure" cmake --preset windows &&
    run_step "windows: build" cmake --build --preset windows; then
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
        # One at a time: the end-to-end tests share the display.
        run_ctest windows
    else
        failed_steps+=("windows: ctest (no display or prefix)")
    fi
fi

# The 32-bit program cannot run here: it is built and its imports checked. The
# tests are built for 32-bit as well, so that they stay buildable there.
if run_step "win32: configure" cmake --preset win32 &&
    run_step "win32: build" cmake --build --preset win32; then
    run_ctest win32
fi
run_step "win32-tests: configure" cmake --preset win32-tests &&
    run_step "win32-tests: build (not run)" cmake --build --preset win32-tests

summary
[[ $failed -eq 0 && ${#failed_steps[@]} -eq 0 ]]
