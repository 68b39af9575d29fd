#!/usr/bin/env bash
# check_install.sh <build dir> <vorns.pak>: installs the build into a throwaway DESTDIR and checks
# that the program, its data, the desktop entry and the icon land where a desktop looks for them.
# Exits 77 (skipped) when the data set was not made.
set -euo pipefail

build="$1"
pak="$2"
icon="$(dirname "$pak")/vorns-icon.png"
if [ ! -f "$pak" ] || [ ! -f "$icon" ]; then
    echo "SKIPPED: $pak or $icon was not made (build the vorns_data target)"
    exit 77
fi

dest="$(mktemp -d "${TMPDIR:-/tmp}/vorns-install-test.XXXXXX")"
trap 'rm -rf "$dest"' EXIT
prefix=/opt/vorns-install-test
DESTDIR="$dest" cmake --install "$build" --prefix "$prefix" >"$dest.log" 2>&1 ||
    { cat "$dest.log"; rm -f "$dest.log"; exit 1; }
rm -f "$dest.log"
root="$dest$prefix"

fail() {
    echo "FAILED: $*"
    exit 1
}

for file in bin/Vorns share/vorns/vorns.pak share/applications/vorns.desktop \
    share/icons/hicolor/64x64/apps/vorns.png; do
    [ -f "$root/$file" ] || fail "$file was not installed"
done
[ -x "$root/bin/Vorns" ] || fail "bin/Vorns is not executable"
# The game finds its message-box helper from bin/ as ../libexec/vesk/.
[ -x "$root/libexec/vesk/vesk-message-box" ] || fail "libexec/vesk/vesk-message-box is not installed"
cmp -s "$pak" "$root/share/vorns/vorns.pak" || fail "the installed vorns.pak differs"

# The entry starts the installed program by its full path and shows the installed icon.
entry="$root/share/applications/vorns.desktop"
grep -qx '\[Desktop Entry\]' "$entry" || fail "no [Desktop Entry] group"
grep -qx "Exec=\"$prefix/bin/Vorns\"" "$entry" || fail "Exec does not name $prefix/bin/Vorns"
grep -qx "Icon=vorns" "$entry" || fail "Icon is not vorns"

# A PNG whose header says 64 x 64, as its folder promises.
header="$(od -An -tx1 -N24 "$root/share/icons/hicolor/64x64/apps/vorns.png" | tr -d ' \n')"
[ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the icon is not a PNG"
[ "${header:32:16}" = 0000004000000040 ] || fail "the icon is not 64 x 64"
echo "installed and checked under $root"
