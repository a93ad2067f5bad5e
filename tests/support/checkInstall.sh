#!/bin/sh
# Installs a build into a scratch prefix and checks that every file lands where desktops and
# hosts look, and that the installed command-line tool finds the installed plugin.
set -e
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for f in lib/vst/QuelvarVST.so bin/quelvar-render share/doc/quelvar/README.md; do
    [ -f "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
if [ -x "$build/quelvar-standalone" ]; then
    for f in bin/quelvar-standalone share/applications/quelvar.desktop \
             share/icons/hicolor/scalable/apps/quelvar.svg share/mime/packages/quelvar.xml; do
        [ -f "$prefix/$f" ] || { echo "missing $f"; exit 1; }
    done
fi
"$prefix/bin/quelvar-render" --out "$prefix/check.wav" --bars 1 > /dev/null
[ -s "$prefix/check.wav" ] || { echo "the installed tool rendered nothing"; exit 1; }
echo "install ok"
