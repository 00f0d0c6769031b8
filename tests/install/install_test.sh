#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree: programs, shared files, desktop
# entry (validated), icons; then starts the installed program offscreen and checks that it keeps its
# data in $XDG_DATA_HOME/Kivra_5x45 and finds the installed help.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/Kivra_5x45 bin/kivra-cli bin/kivra-server; do
  [ -x "$prefix/$f" ] || fail "$f is not installed"
done
[ -d "$prefix/share/Kivra_5x45/lang" ] || fail "share/Kivra_5x45/lang is missing"
[ -f "$prefix/share/applications/Kivra_5x45.desktop" ] || fail "the desktop entry is missing"
desktop-file-validate "$prefix/share/applications/Kivra_5x45.desktop" || fail "the desktop entry is not valid"
metainfo=$prefix/share/metainfo/org.kivra.Kivra_5x45.metainfo.xml
[ -f "$metainfo" ] || fail "the AppStream metainfo is missing"
appstreamcli validate --no-net "$metainfo" || fail "the AppStream metainfo is not valid"
grep -q '<launchable type="desktop-id">Kivra_5x45.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not name the desktop entry"
[ -f "$prefix/share/icons/hicolor/scalable/apps/Kivra_5x45.svg" ] || fail "the SVG icon is missing"
for size in 48 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/Kivra_5x45.png
  [ -f "$png" ] || fail "the ${size} px icon is missing"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "the ${size} px icon has another size"
done
help_expected=-
if [ -f "$source/help/index.html" ]; then
  help_expected=$prefix/share/Kivra_5x45/help/index.html
  [ -f "$help_expected" ] || fail "the help is not installed"
fi

# The installed program, started from another folder, with a private home.
mkdir -p "$tmp/home" "$tmp/xdg" "$tmp/cwd"
out=$(cd "$tmp/cwd" && HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg QT_QPA_PLATFORM=offscreen \
  timeout 120 "$prefix/bin/Kivra_5x45" quit-when-idle 2>&1 >/dev/null) || fail "the installed program failed: $out"
echo "$out" | grep -qF "quit-when-idle: data $tmp/xdg/Kivra_5x45, help $help_expected" ||
  fail "unexpected data or help folder: $out"
[ -f "$tmp/xdg/Kivra_5x45/Kivra_5x45.ini" ] || [ -d "$tmp/xdg/Kivra_5x45" ] || fail "no data folder made"
[ -z "$(ls -A "$prefix/bin" | grep -v -e '^Kivra_5x45$' -e '^kivra-cli$' -e '^kivra-server$')" ] ||
  fail "the program wrote into its bin folder"
echo "install tree and installed program: ok"
