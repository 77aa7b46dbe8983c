#!/usr/bin/env bash
# The Debian package as users meet it: lintian finds no errors; it holds the
# programs, their manual pages, the desktop entry, the icon, the copyright
# file, the changelog and the font; unpacked into a scratch root, its exporter
# finds the installed font from another folder and, without one, says where
# it looked. Then the same exporter from `cmake --install` under /opt.
#
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/cpack" >/dev/null)
deb=$work/cpack/mountain-ranges_${version}_$(dpkg --print-architecture).deb
# Lintian leaves scratch files in TMPDIR: keep them in the folder removed at exit.
TMPDIR=$work lintian --fail-on error "$deb" || fail "lintian reports errors"
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in bin/mountain-ranges bin/mountain-ranges-export man/man1/mountain-ranges.1.gz \
            man/man1/mountain-ranges-export.1.gz applications/mountain-ranges.desktop \
            icons/hicolor/scalable/apps/mountain-ranges.svg doc/mountain-ranges/copyright mountain-ranges/times.ttf; do
  grep -qx "./usr/share/$path\|./usr/$path" <<<"$contents" || fail "the package lacks $path"
done

root=$work/root
dpkg --extract "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/mountain-ranges.desktop"
[ "$(zcat "$root/usr/share/doc/mountain-ranges/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not version $version"
font=$root/usr/share/mountain-ranges/times.ttf
if [ -L "$font" ]; then
  # The font comes from a dependency: stand it in as dpkg would install it.
  target=$(realpath -m "/usr/share/mountain-ranges/$(readlink "$font")")
  dpkg-deb --field "$deb" Depends | grep -qw "$(dpkg-query --search "$target" | cut -d: -f1)" ||
    fail "the font links to $target, from a package the .deb does not depend on"
  mkdir -p "$root$(dirname "$target")" && ln -s "$target" "$root$target"
fi

# An installed exporter run from an empty folder, as a user would from anywhere.
mkdir "$work/elsewhere"
export_from_elsewhere() {
  (cd "$work/elsewhere" && "$1" --length 8 "$work/pages" >/dev/null) || fail "$1 failed from another folder"
  [ -f "$work/pages/page-01.png" ] && rm -r "$work/pages" || fail "$1 wrote no page"
}
export_from_elsewhere "$root/usr/bin/mountain-ranges-export"
: >"$work/elsewhere/times.ttf"  # the working directory's comes first, even one that is no font
message=$(cd "$work/elsewhere" && "$root/usr/bin/mountain-ranges-export" "$work" 2>&1) && fail "it passed over times.ttf"
grep -q '"times.ttf" is not a TrueType font' <<<"$message" || fail "unexpected message: $message"
rm "$work/elsewhere/times.ttf" "$font"
message=$(cd "$work/elsewhere" && "$root/usr/bin/mountain-ranges-export" "$work" 2>&1) && fail "it ran without a font"
[ "$(wc -l <<<"$message")" -eq 1 ] && grep -qF "$work/elsewhere" <<<"$message" && grep -qF "$font" <<<"$message" ||
  fail "the message should name $work/elsewhere and $font: $message"

DESTDIR=$work/dest cmake --install "$build" --prefix /opt/mountain-ranges >/dev/null
export_from_elsewhere "$work/dest/opt/mountain-ranges/bin/mountain-ranges-export"
echo "package $(basename "$deb") ($(stat -c %s "$deb") bytes) and an install under /opt checked"
