#!/usr/bin/env bash
# Builds the two release zips from clean build directories and writes them to
# dist/:
#   tarnwick-<version>-win64.zip  the 64-bit tarnwick.exe, the one the tests run
#                                 (preset windows)
#   tarnwick-<version>-win32.zip  the 32-bit tarnwick.exe (preset win32)
#   SHA256SUMS                    the zips, and each tarnwick.exe as it unpacks
#                                 into a folder named after its zip
# Each zip holds tarnwick.exe and a README.txt with CR LF line ends, made from
# release/README.txt. Both builds pass the import check before they are packed.
#
# The same commit gives the same bytes: the programs carry no link time, and
# every time stored in the zips is the commit's (SOURCE_DATE_EPOCH, when set,
# takes its place). Installs the packages it needs when they are missing.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo=$(pwd)
# shellcheck source=lib.sh
source scripts/lib.sh

say "Checking the packages the release needs."
ensure_packages g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 cmake ninja-build zip git

version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [[ -z $version ]]; then
    warn "No version found in CMakeLists.txt (project(Tarnwick VERSION ...))."
    exit 1
fi
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
        warn "Not a git checkout: set SOURCE_DATE_EPOCH to the time the zips should carry."
        exit 1
    fi
fi
export SOURCE_DATE_EPOCH
commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
if [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
    warn "The working tree has changes that are not committed: these zips are not those of commit $commit."
fi
say "Tarnwick $version, commit $commit, file times $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')."

out=build/release
rm -rf "$out" dist
mkdir -p "$out" dist

# build <preset>: configures and builds the program alone in a clean directory
# and runs its import check.
build() {
    local preset=$1 dir=$out/$1
    say "$preset: building tarnwick.exe in $dir"
    cmake --preset "$preset" -B "$dir" -DTARNWICK_TESTS=OFF >/dev/null
    cmake --build "$dir" --target tarnwick
    say "$preset: import check"
    ctest --test-dir "$dir" --output-on-failure -R '^imports$'
}

# pack <preset> <bits> <zip name>
pack() {
    local preset=$1 bits=$2 name=$3 stage=$out/zip-$2
    local exe=$out/$preset/src/tarnwick.exe
    mkdir -p "$stage"
    cp "$exe" "$stage/tarnwick.exe"
    local sum
    sum=$(sha256sum <"$exe" | cut -d' ' -f1)
    # Lines for the other build go; "winNN| " goes from the lines for this one.
    sed -e "/^win$((96 - bits))|/d" -e "s/^win${bits}| \\{0,1\\}//" \
        -e "s/@VERSION@/$version/g" -e "s/@BITS@/$bits/g" -e "s/@EXE_SHA256@/$sum/g" \
        -e 's/$/\r/' release/README.txt >"$stage/README.txt"
    chmod 0644 "$stage/tarnwick.exe" "$stage/README.txt"
    touch -d "@$SOURCE_DATE_EPOCH" "$stage/tarnwick.exe" "$stage/README.txt"
    # -X: no owner or extra time fields; -D: no directory entries. Zip stores
    # local time, so the zone is fixed.
    (cd "$stage" && TZ=UTC zip -X -D -q "$repo/dist/$name" tarnwick.exe README.txt)
    touch -d "@$SOURCE_DATE_EPOCH" "dist/$name"
    sums+=("$(sha256sum "dist/$name" | sed 's| dist/| |')")
    sums+=("$sum  ${name%.zip}/tarnwick.exe")
}

build windows
build win32
sums=()
pack windows 64 "tarnwick-$version-win64.zip"
pack win32 32 "tarnwick-$version-win32.zip"
printf '%s\n' "${sums[@]}" | sort -k2 >dist/SHA256SUMS
touch -d "@$SOURCE_DATE_EPOCH" dist/SHA256SUMS

tested=build/windows/src/tarnwick.exe
if [[ -f $tested ]]; then
    if cmp -s "$tested" "$out/windows/src/tarnwick.exe"; then
        say "The 64-bit program is byte for byte the one in $tested, which the test command ran."
    else
        warn "The 64-bit program differs from $tested: that build is not of this working tree."
    fi
fi

say "Written to $repo/dist:"
for file in dist/*.zip; do
    printf '    %-28s %8d bytes\n' "$(basename "$file")" "$(stat -c %s "$file")"
done
printf '    %-28s %8d bytes (64-bit), %d bytes (32-bit)\n' tarnwick.exe \
    "$(stat -c %s "$out/windows/src/tarnwick.exe")" "$(stat -c %s "$out/win32/src/tarnwick.exe")"
sed 's/^/    /' dist/SHA256SUMS
