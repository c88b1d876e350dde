#!/usr/bin/env bash
# Checks what `cmake --install` put below a prefix, as a desktop and a package
# manager will read it:
#   packaging/check_install.sh PREFIX VERSION
# Needs desktop-file-validate (desktop-file-utils), appstreamcli (appstream),
# man (man-db) and update-mime-database (shared-mime-info).
set -euo pipefail

prefix=$1
version=$2
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs a check that must succeed and print nothing on standard error (for the
# validators, nothing at all: a warning fails too).
quiet() {
    local what=$1
    shift
    if ! "$@" >"$work/out" 2>"$work/err" || [ -s "$work/err" ]; then
        fail "$what"
        cat "$work/out" "$work/err" >&2
    fi
}

# The width and height a PNG file declares in its header.
png_size() {
    local header
    header=$(od -An -tx1 -N24 "$1" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || { echo "not-a-png"; return; }
    echo "$((16#${header:32:8}))x$((16#${header:40:8}))"
}

share=$prefix/share
expected=(
    bin/trimora bin/trimora-cli
    share/applications/trimora.desktop
    share/mime/packages/trimora.xml
    share/metainfo/com.kestrova.Trimora.metainfo.xml
    share/icons/hicolor/scalable/apps/trimora.svg
    share/icons/hicolor/scalable/mimetypes/application-x-trimora-list.svg
    share/doc/trimora/trimora.html
    share/man/man1/trimora.1.gz share/man/man1/trimora-cli.1.gz
)
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for program in trimora trimora-cli; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

# Desktop entry and AppStream metadata.
desktop=$share/applications/trimora.desktop
quiet "desktop-file-validate $desktop" desktop-file-validate "$desktop"
quiet "appstreamcli validate" appstreamcli validate --no-net "$share/metainfo/com.kestrova.Trimora.metainfo.xml"
grep -qx 'MimeType=application/x-trimora-list;' "$desktop" || fail "the desktop entry does not open batch lists"
grep -qx 'Exec=trimora /c %f' "$desktop" || fail "the desktop entry has no Run action"
grep -qx 'Icon=trimora' "$desktop" || fail "the desktop entry names another icon"

# The MIME package, compiled as the desktop will: *.lst is a batch list.
mkdir -p "$work/mime"
cp -r "$share/mime/packages" "$work/mime/"
quiet "update-mime-database" env XDG_DATA_DIRS="$work" update-mime-database "$work/mime"
grep -qx 'application/x-trimora-list:\*\.lst' "$work/mime/globs" || fail "*.lst is not application/x-trimora-list"

# Icons: each PNG is the size its folder says, from 16 to 256 pixels.
for size in 16 32 48 64 128 256; do
    [ -f "$share/icons/hicolor/${size}x${size}/apps/trimora.png" ] || fail "no ${size}x${size} application icon"
done
while IFS= read -r icon; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    [ "$(png_size "$icon")" = "$folder" ] || fail "$icon is $(png_size "$icon"), not $folder"
done < <(find "$share/icons/hicolor" -name '*.png')
for svg in "$share"/icons/hicolor/scalable/*/*.svg; do
    grep -q '<svg' "$svg" || fail "$svg is no SVG"
done

# Manual pages render without a single warning.
render_man() {
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" >/dev/null
}
for page in trimora trimora-cli; do
    quiet "man -l $page.1.gz" render_man "$share/man/man1/$page.1.gz"
done

# The installed trimora-cli runs, is this version, and associates the
# trimora installed beside it.
answer=$("$prefix/bin/trimora-cli" --version) || fail "trimora-cli --version failed"
[ "$answer" = "trimora-cli $version" ] || fail "trimora-cli --version says '$answer', not 'trimora-cli $version'"
mkdir -p "$work/home"
status=$(HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config \
    TRIMORA_HOME=$work/home/trimora "$prefix/bin/trimora-cli" associate status) || fail "associate status failed"
program=$(cd "$prefix/bin" && pwd -P)/trimora
grep -qxF "  program: $program (installed)" <<<"$status" || fail "associate status: $status"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of the installation in $prefix failed" >&2
    exit 1
fi
echo "Installation in $prefix: files, desktop entry, MIME type, AppStream data, icons, manual pages and trimora-cli $version checked"
