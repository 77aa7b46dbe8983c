#!/usr/bin/env bash
# Installs the build into a scratch root and checks that a menu launch would
# work: a valid desktop entry whose Exec exists and whose Path holds the font,
# and an installed exporter that finds that font from there.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR=$root cmake --install "$build" >/dev/null
entry=$(find "$root" -name mountain-ranges.desktop)
[ -n "$entry" ] || { echo "no desktop entry installed"; exit 1; }
desktop-file-validate "$entry"

exec_path=$root$(sed -n 's/^Exec=//p' "$entry")
data=$root$(sed -n 's/^Path=//p' "$entry")
[ -x "$exec_path" ] || { echo "Exec target $exec_path is not installed"; exit 1; }
[ -f "$data/times.ttf" ] || { echo "no times.ttf in the entry's Path $data"; exit 1; }
cmp -s "$data/times.ttf" "$build/times.ttf" || { echo "installed font differs from the build's"; exit 1; }

exporter=$(dirname "$exec_path")/mountain-ranges-export
out=$(mktemp -d "$root/out.XXXXXX")
(cd "$data" && "$exporter" "$out" >/dev/null)
[ "$(ls "$out" | wc -l)" -eq 20 ] || { echo "installed exporter did not write 20 pages"; exit 1; }
echo "installed and checked under $root"
