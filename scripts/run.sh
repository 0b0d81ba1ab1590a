#!/usr/bin/env bash
# Builds tarnwick.exe, prepares a demo archive and an empty destination, and
# opens the program under Wine.
#   With an X display: the program opens in a window; close it to finish.
#   Without one: a virtual display is started, a screenshot of the dialog is
#   saved, and everything that was started is stopped again. Then a copy of the
#   demo archive is restored from end to end through the real dialog and folder
#   browser, and a picture of the completion box is saved. Both pictures are
#   taken in a Wine virtual desktop, which draws the caption bars as Windows
#   does, and go to build/run/ (screenshot.png, completion.png).
#
#   scripts/run.sh --pictures
#     remakes the README's pictures, docs/screenshot.png and docs/completion.png,
#     the same way on a virtual display (also where there is an X display).
# Installs the packages it needs when they are missing.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo=$(pwd)
# shellcheck source=lib.sh
source scripts/lib.sh

pictures=build/run
force_headless=
case ${1:-} in
"") ;;
--pictures)
    pictures=docs
    force_headless=1
    ;;
*)
    warn "usage: $0 [--pictures]"
    exit 2
    ;;
esac

say "Checking the packages the program needs."
# The Windows build configures with GoogleTest's sources; the demo archive
# generator is built natively (preset native: clang with its sanitizers).
ensure_packages g++-mingw-w64-x86-64 wine wine64 fonts-wine xvfb xauth x11-apps x11-utils \
    imagemagick googletest cmake ninja-build clang libclang-rt-14-dev libgtest-dev libgmock-dev

say "Building the Windows program (cmake --preset windows, target tarnwick)."
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwick tarnwick_demo_tour
exe=$repo/build/windows/src/tarnwick.exe
tour=$repo/build/windows/tools/tour/tarnwick_demo_tour.exe

say "Building the demo archive generator (cmake --preset native, target make-demo-archive)."
cmake --preset native >/dev/null
cmake --build --preset native --target make-demo-archive

demo=$HOME/tarnwick-demo
archive=$demo/archive
restored=$demo/restored
say "Preparing the demo archive (read-only, as from a CD) and an empty destination."
for dir in "$archive" "$restored"; do
    if [[ -e $dir ]]; then
        chmod -R u+w "$dir"
        rm -rf "$dir"
    fi
done
build/native/tools/make-demo-archive "$archive"
chmod a-w "$archive"/*
mkdir -p "$restored"

# The Linux root is drive Z: under Wine.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A prefix of our own, kept between runs, so that ~/.wine is left alone.
WINE_USER=
WINE_HOME=$HOME
WINE_PREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/wineprefix
WINE_DISPLAY=${DISPLAY:-}
XVFB_PID=

finish() {
    stop_wine
    stop_xvfb
}

headless=
if [[ -n $force_headless ]]; then
    headless=1
    say "Taking the README's pictures on a virtual display (Xvfb)."
elif [[ -z $WINE_DISPLAY ]] || ! timeout 10 xdpyinfo -display "$WINE_DISPLAY" >/dev/null 2>&1; then
    headless=1
    say "No usable X display: starting a virtual one (Xvfb)."
fi
if [[ -n $headless ]]; then
    trap finish EXIT
    start_xvfb
    WINE_DISPLAY=$XVFB_DISPLAY
fi

# A prefix works only with the Wine it was made with: one made before wine32 was
# installed no longer starts a program ("could not load kernel32.dll"). The
# installed Wine is noted beside it, and the prefix is made again when that
# changes.
wine_noted=$WINE_PREFIX/.tarnwick-wine
if [[ -f $WINE_PREFIX/system.reg && "$(cat "$wine_noted" 2>/dev/null)" != "$(wine_stamp)" ]]; then
    say "The installed Wine has changed since $WINE_PREFIX was made: making it again."
    in_wine_env timeout -k 5 30 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINE_PREFIX"
fi
if [[ ! -f $WINE_PREFIX/system.reg ]]; then
    say "Creating the Wine prefix $WINE_PREFIX (first run only, about 20 s)."
    mkdir -p "$(dirname "$WINE_PREFIX")"
    create_wine_prefix
    wine_stamp >"$wine_noted"
fi

# Debian's Wine does not find its own fonts (package fonts-wine) outside the
# prefix, so every face, "MS Sans Serif" too, falls back to Liberation Sans. The
# dialog asks for 8-point "MS Sans Serif"; in Liberation Sans "Source Directory"
# is as wide as its 55-unit label and wraps. In the prefix's Fonts folder,
# where Windows keeps them, Wine uses them: the dialog then has the units and
# the text widths it has on Windows.
cp -u /usr/share/wine/fonts/*.fon /usr/share/wine/fonts/*.ttf "$WINE_PREFIX/drive_c/windows/Fonts/" ||
    warn "Could not copy Wine's fonts into $WINE_PREFIX: the dialog's text may not fit."

# Headless pictures are taken in a virtual desktop: it draws the window frames
# and caption bars that a bare X display, with no window manager, leaves out.
desktop=(explorer /desktop=Tarnwick,800x600)

cat <<INFO

  Demo archive (read-only):   $archive
                              $(windows_path "$archive")
  Empty destination:          $restored
                              $(windows_path "$restored")

  In Tarnwick: Browse to the archive as Source Directory and to the destination
  as Destination Directory (both under "My Computer", drive Z:), move the
  folders to the right with >>, tick the box to take the new mail along, and
  press Restore. The restored BAK... files appear in $restored.

INFO

if [[ -z $headless ]]; then
    say "Opening Tarnwick on display $WINE_DISPLAY; close its window to finish."
    in_wine_env wine "$exe"
    exit 0
fi

say "Opening Tarnwick on the virtual display $WINE_DISPLAY."
in_wine_env wine "${desktop[@]}" "$exe" >/dev/null 2>&1 &

# Waits until the dialog is mapped; its line in the window tree gives its size
# with the frame, and its position on the screen ("... 578x435+111+82  +111+82").
geometry=
for _ in $(seq 1 120); do
    geometry=$(xwininfo -display "$WINE_DISPLAY" -root -tree 2>/dev/null |
        awk '/"Tarnwick": \(/ { sub(/\+.*/, "", $(NF-1)); print $(NF-1) $NF; exit }')
    [[ -n $geometry ]] && break
    sleep 0.5
done
if [[ -z $geometry ]]; then
    warn "The Tarnwick dialog did not appear within 60 s."
    exit 1
fi

# Takes screenshots until two in a row agree: the dialog has finished painting.
shot=$(mktemp /tmp/tarnwick-shot.XXXXXX)
previous=
for _ in $(seq 1 20); do
    sleep 0.5
    xwd -root -display "$WINE_DISPLAY" -silent >"$shot"
    current=$(md5sum <"$shot")
    [[ $current == "$previous" ]] && break
    previous=$current
done
mkdir -p "$pictures"
# -strip: no time stamps, so an unchanged dialog gives an unchanged file.
convert "xwd:$shot" -crop "$geometry" +repage -strip "$pictures/screenshot.png"
rm -f "$shot"
say "Screenshot of the dialog: $repo/$pictures/screenshot.png"
say "Closing Tarnwick."
stop_wine

# The whole job once on the demo directories; the destination is emptied again
# afterwards, so they stay as described above.
say "Restoring the demo archive through the dialog, for $pictures/completion.png."
tour_dir=$(mktemp -d /tmp/tarnwick-tour.XXXXXX)
cp "$exe" "$tour" "$tour_dir/"
# The desktop does not pass the tour's exit status on: its output says how it went.
tour_output=$(cd "$tour_dir" && in_wine_env timeout -k 10 120 wine "${desktop[@]}" ./tarnwick_demo_tour.exe \
    "$(windows_path "$archive")" "$(windows_path "$restored")" completion.bmp 2>/dev/null) || true
if [[ $tour_output == "Mail files copied from "* && -s $tour_dir/completion.bmp ]]; then
    convert "$tour_dir/completion.bmp" -strip "$pictures/completion.png"
    say "Picture of the completion box: $repo/$pictures/completion.png"
else
    warn "The demo restore did not end with the completion box; $pictures/completion.png not updated."
fi
rm -rf "$tour_dir"
find "$restored" -mindepth 1 -delete
say "Closing the virtual display."
