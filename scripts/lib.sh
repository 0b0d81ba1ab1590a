# Shared by scripts/run.sh and scripts/test.sh: messages, package installation,
# a virtual X display and a Wine prefix. Sourced, never run.

say() { printf '==> %s\n' "$*"; }
warn() { printf '==> %s\n' "$*" >&2; }

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        warn "need root to run: $*  (install sudo or run this script as root)"
        return 1
    fi
}

# Installs the Debian packages among "$@" that are not installed yet; does
# nothing, and needs no network, when all of them are there.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [[ ${#missing[@]} -eq 0 ]]; then
        say "All needed packages are installed."
        return 0
    fi
    say "Installing missing packages: ${missing[*]}"
    say "apt-get update"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null || return 1
    say "apt-get install ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" </dev/null
}

# Whether this machine runs 32-bit x86 programs: a kernel built or started
# without them answers "Exec format error", and 32-bit Wine cannot work there.
# Tried with the smallest 32-bit Linux program: an ELF header, one program
# header that loads the file, and "exit(42)" through int 0x80.
runs_32_bit_programs() {
    [[ $(uname -m) == x86_64 ]] || return 1
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    elf+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    elf+='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
    local probe status
    probe=$(mktemp "${TMPDIR:-/tmp}/tarnwick-probe32.XXXXXX") || return 1
    # shellcheck disable=SC2059 # the bytes are the format
    printf "$elf" >"$probe" && chmod +x "$probe"
    timeout 10 "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    [[ $status -eq 42 ]]
}

# Lets apt install i386 packages (wine32); the next apt-get update fetches
# their lists.
ensure_i386_architecture() {
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
}

# What a Wine prefix depends on: the installed Wine and the widths it runs. A
# prefix made for another (say, before wine32 was installed) no longer starts.
wine_stamp() {
    dpkg-query -W -f='${Package}:${Architecture} ${Version} ${Status}\n' wine64 wine32:i386 libwine \
        libwine:i386 2>/dev/null | grep 'install ok installed' | cut -d' ' -f1-2 | sort
}

# Starts a virtual X display on the first free display number. Sets XVFB_PID
# and XVFB_DISPLAY (":N"). The caller stops it with stop_xvfb.
start_xvfb() {
    local fd_file
    fd_file=$(mktemp /tmp/tarnwick-xvfb.XXXXXX)
    # Xvfb writes the number it bound to this descriptor once it accepts clients.
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    local waited=0
    while [[ ! -s $fd_file ]]; do
        if ! kill -0 "$XVFB_PID" 2>/dev/null || ((waited >= 100)); then
            rm -f "$fd_file"
            warn "Xvfb did not start"
            stop_xvfb
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    XVFB_DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
    rm -f "$fd_file"
}

stop_xvfb() {
    if [[ -n ${XVFB_PID:-} ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Creates the Wine prefix WINE_PREFIX in the environment in_wine_env describes.
# Mono and Gecko are switched off: nothing here needs them, and their installers
# would otherwise ask on a fresh prefix.
create_wine_prefix() {
    WINEDLLOVERRIDES='mscoree,mshtml=' in_wine_env timeout -k 10 180 wineboot -i \
        >/dev/null 2>&1 </dev/null || return 1
    # wineboot returns before the prefix has settled; the wineserver ends when it has.
    in_wine_env timeout -k 5 60 wineserver -w >/dev/null 2>&1 || true
}

# create_wine_prefix for the tests, whose display has no window manager. There a
# window that Wine leaves to the window manager ("managed") waits up to 2 s, as
# it goes, for an answer that never comes: every box and browser the tests
# close would cost that. Unmanaged, Wine draws and places the windows itself,
# as Windows does.
create_test_wine_prefix() {
    create_wine_prefix || return 1
    in_wine_env timeout -k 10 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >/dev/null 2>&1 </dev/null || return 1
    in_wine_env timeout -k 5 60 wineserver -w >/dev/null 2>&1 || true
}

# Ends every Wine process of WINE_PREFIX.
stop_wine() {
    in_wine_env timeout -k 5 30 wineserver -k >/dev/null 2>&1 || true
}

# The unprivileged user the Windows-side tests run as when we are root: as root,
# Wine lets a program write to read-only files, which Windows never does.
ensure_test_user() {
    local name=tarnwick-test
    if ! getent passwd "$name" >/dev/null; then
        useradd --system --user-group --no-create-home --home-dir /nonexistent \
            --shell /usr/sbin/nologin "$name" >/dev/null 2>&1 || true
    fi
    if getent passwd "$name" >/dev/null; then
        echo "$name"
    else
        echo nobody
    fi
}

# Runs "$@" in the Wine environment described by WINE_USER (empty: the current
# user), WINE_HOME, WINE_PREFIX and WINE_DISPLAY.
in_wine_env() {
    local vars=(WINEPREFIX="$WINE_PREFIX" WINEDEBUG="${TARNWICK_WINEDEBUG:--all}"
        DISPLAY="$WINE_DISPLAY")
    [[ -n ${WINEDLLOVERRIDES:-} ]] && vars+=(WINEDLLOVERRIDES="$WINEDLLOVERRIDES")
    [[ -n ${LANG:-} ]] && vars+=(LANG="$LANG")
    # LC_CTYPE picks the ANSI code page (ja_JP.UTF-8: 932, hi_IN.UTF-8: 65001),
    # LC_MESSAGES the display language.
    [[ -n ${LC_CTYPE:-} ]] && vars+=(LC_CTYPE="$LC_CTYPE")
    [[ -n ${LC_MESSAGES:-} ]] && vars+=(LC_MESSAGES="$LC_MESSAGES")
    # The small file system scripts/test.sh mounts for the disk-full test.
    [[ -n ${TARNWICK_SMALL_DISK:-} ]] && vars+=(TARNWICK_SMALL_DISK="$TARNWICK_SMALL_DISK")
    # GoogleTest's sharding, which deals a program's tests out between ctest entries.
    [[ -n ${GTEST_TOTAL_SHARDS:-} ]] && vars+=(GTEST_TOTAL_SHARDS="$GTEST_TOTAL_SHARDS"
        GTEST_SHARD_INDEX="${GTEST_SHARD_INDEX:-0}")
    if [[ -n ${WINE_USER:-} ]]; then
        setpriv --reuid="$(id -u "$WINE_USER")" --regid="$(id -g "$WINE_USER")" --clear-groups \
            env -i PATH="$PATH" HOME="$WINE_HOME" USER="$WINE_USER" LOGNAME="$WINE_USER" \
            "${vars[@]}" "$@"
    else
        env HOME="$WINE_HOME" "${vars[@]}" "$@"
    fi
}
