#!/bin/sh
# Installs a build into a scratch prefix and checks that every file lands where desktops and
# hosts look, and that the installed command-line tool finds the installed plugin.
set -e
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for f in lib/vst/QuelvarVST.so lib/lv2/quelvar.lv2/quelvar.so lib/lv2/quelvar.lv2/quelvar_ui.so \
         lib/lv2/quelvar.lv2/manifest.ttl \
         lib/lv2/quelvar.lv2/quelvar.ttl lib/lv2/quelvar.lv2/presets.ttl bin/quelvar-render \
         share/doc/quelvar/README.md; do
    [ -f "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
# A host finds the installed bundle by its URI.
if command -v lv2info > /dev/null; then
    LV2_PATH="$prefix/lib/lv2" lv2info https://brontavell.example/quelvar/lv2 | grep -q "Name: *Quelvar" ||
        { echo "the installed LV2 bundle is not found"; exit 1; }
elif [ "$CI" = true ]; then
    echo "lv2info is missing"
    exit 1
fi
if [ -x "$build/quelvar-standalone" ]; then
    for f in bin/quelvar-standalone share/applications/quelvar.desktop \
             share/icons/hicolor/scalable/apps/quelvar.svg share/mime/packages/quelvar.xml; do
        [ -f "$prefix/$f" ] || { echo "missing $f"; exit 1; }
    done
fi
"$prefix/bin/quelvar-render" --out "$prefix/check.wav" --bars 1 > /dev/null
[ -s "$prefix/check.wav" ] || { echo "the installed tool rendered nothing"; exit 1; }
echo "install ok"
