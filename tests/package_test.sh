#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it as users meet
# it: lintian finds no errors; it holds both programs, their manual pages, the
# desktop entry, the icon, the copyright file and the font; and unpacked into
# a scratch root, its exporter finds the installed font from another folder.
# Then the same for `cmake --install` under another prefix, which copies the
# font where the package links it.
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
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"): $(ls "$work/cpack")"
echo "lintian $(basename "$deb"):"
# Lintian leaves scratch files in TMPDIR: keep them in the folder removed at exit.
TMPDIR=$work lintian --fail-on error "$deb" || fail "lintian reports errors"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in bin/mountain-ranges bin/mountain-ranges-export share/applications/mountain-ranges.desktop \
            share/man/man1/mountain-ranges.1.gz share/man/man1/mountain-ranges-export.1.gz \
            share/icons/hicolor/scalable/apps/mountain-ranges.svg share/doc/mountain-ranges/copyright \
            share/mountain-ranges/times.ttf; do
  grep -qx "./usr/$path" <<<"$contents" || fail "the package lacks /usr/$path"
done

root=$work/root
dpkg --extract "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/mountain-ranges.desktop"
zcat "$root/usr/share/doc/mountain-ranges/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not version $version"

font=$root/usr/share/mountain-ranges/times.ttf
if [ -L "$font" ]; then
  # The font comes from a dependency: stand it in as dpkg would install it.
  target=$(realpath -m "/usr/share/mountain-ranges/$(readlink "$font")")
  owner=$(dpkg-query --search "$target" | cut -d: -f1)
  dpkg-deb --field "$deb" Depends | tr ',' '\n' | awk '{print $1}' | grep -qx "$owner" ||
    fail "the font links to $target from $owner, which the package does not depend on"
  mkdir -p "$root$(dirname "$target")"
  ln -s "$target" "$root$target"
fi

# Runs an installed exporter for length 8 from an empty folder, as a user
# would from anywhere, and checks that it writes its page.
export_from_elsewhere() {
  local out
  out=$(mktemp -d "$work/pages.XXXXXX")
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && "$1" --length 8 "$out" >/dev/null) || fail "$1 failed from another folder"
  [ -f "$out/page-01.png" ] || fail "$1 wrote no page"
}
export_from_elsewhere "$root/usr/bin/mountain-ranges-export"

# A times.ttf in the working directory comes first, even one that is no font.
: >"$work/elsewhere/times.ttf"
message=$(cd "$work/elsewhere" && "$root/usr/bin/mountain-ranges-export" "$work" 2>&1) &&
  fail "the exporter passed over the working directory's times.ttf"
grep -q '"times.ttf" is not a TrueType font' <<<"$message" || fail "unexpected message: $message"
rm "$work/elsewhere/times.ttf" "$font"

# With no font anywhere, one line names both places looked in.
message=$(cd "$work/elsewhere" && "$root/usr/bin/mountain-ranges-export" "$work" 2>&1) &&
  fail "the exporter ran without a font"
[ "$(wc -l <<<"$message")" -eq 1 ] && grep -qF "$work/elsewhere" <<<"$message" && grep -qF "$font" <<<"$message" ||
  fail "the message should name $work/elsewhere and $font: $message"

DESTDIR=$work/dest cmake --install "$build" --prefix /opt/mountain-ranges >/dev/null
export_from_elsewhere "$work/dest/opt/mountain-ranges/bin/mountain-ranges-export"
echo "package $(basename "$deb") ($(stat -c %s "$deb") bytes) and an install under /opt checked"
