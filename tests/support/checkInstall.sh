#!/bin/sh
# Installs a build into a scratch prefix and checks that every file lands where desktops and
# hosts look, that the installed command-line tool finds the installed plugin, that an
# installation for one user leaves one plugin, and that uninstalling leaves nothing of ours.
set -e
build="$1"
source="$(cd "$(dirname "$0")/../.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
fail() { echo "$1"; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null
for f in lib/vst/QuelvarVST.so lib/vst3/Quelvar.vst3/Contents/x86_64-linux/Quelvar.so lib/clap/Quelvar.clap \
         lib/lv2/quelvar.lv2/quelvar.so lib/lv2/quelvar.lv2/quelvar_ui.so \
         lib/lv2/quelvar.lv2/manifest.ttl lib/lv2/quelvar.lv2/quelvar.ttl \
         lib/lv2/quelvar.lv2/presets.ttl bin/quelvar-render share/doc/quelvar/README.md \
         share/doc/quelvar/docs/manual.md share/doc/quelvar/docs/images/panel.png \
         share/doc/quelvar/docs/images/lines-row.png share/doc/quelvar/docs/images/drag-handle.png \
         share/doc/quelvar/docs/images/chain-strip.png share/doc/quelvar/docs/images/chain-switch.png \
         share/man/man1/quelvar-render.1; do
    [ -f "$prefix/$f" ] || fail "missing $f"
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
             share/icons/hicolor/scalable/apps/quelvar.svg share/mime/packages/quelvar.xml \
             share/metainfo/example.brontavell.Quelvar.metainfo.xml \
             share/man/man1/quelvar-standalone.1; do
        [ -f "$prefix/$f" ] || fail "missing $f"
    done
    for size in 16 22 24 32 48 64 128 256; do
        [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/quelvar.png" ] ||
            fail "missing the ${size} px icon"
    done
    if command -v appstreamcli > /dev/null; then
        appstreamcli validate --no-net \
            "$prefix/share/metainfo/example.brontavell.Quelvar.metainfo.xml" > /dev/null ||
            fail "the AppStream metainfo does not validate"
    elif [ "$CI" = true ]; then
        fail "appstreamcli is missing (package appstream)"
    fi
    if command -v update-mime-database > /dev/null; then
        mime="$scratch/mime"
        mkdir -p "$mime/packages"
        cp "$prefix/share/mime/packages/quelvar.xml" "$mime/packages/"
        update-mime-database "$mime" 2> "$scratch/mime.log" || fail "$(cat "$scratch/mime.log")"
        for t in pattern bank abl-pattern phoscyon-pattern; do
            [ -f "$mime/application/x-quelvar-$t.xml" ] || fail "no file type x-quelvar-$t"
        done
    fi
fi
# A host finds the installed bundle by its URI.
if command -v lv2info > /dev/null; then
    LV2_PATH="$prefix/lib/lv2" lv2info https://brontavell.example/quelvar/lv2 | grep -q "Name: *Quelvar" ||
        fail "the installed LV2 bundle is not found"
elif [ "$CI" = true ]; then
    fail "lv2info is missing (package lilv-utils)"
fi
"$prefix/bin/quelvar-render" --out "$prefix/check.wav" --bars 1 > /dev/null
[ -s "$prefix/check.wav" ] || fail "the installed tool rendered nothing"
rm "$prefix/check.wav"

# Ours, once installed: every file with our name, the programs' documents and our bundles' folders.
ours() {
    find "$1" -type f \( -iname '*quelvar*' -o -path '*/doc/quelvar/*' -o -path '*/quelvar.lv2/*' \)
    find "$1" -type d -name Quelvar.vst3
}
"$source/scripts/uninstall" "$build" "$prefix" > /dev/null
left=$(ours "$prefix")
[ -z "$left" ] || fail "left after uninstalling: $left"

# For one user: one plugin of each kind, in ~/.vst, ~/.vst3, ~/.lv2 and ~/.clap, which the
# installed tool finds.
home="$scratch/home"
mkdir -p "$home"
HOME="$home" "$source/scripts/install-user" "$build" > /dev/null
plugins=$(find "$home" -name QuelvarVST.so | wc -l)
[ "$plugins" -eq 1 ] || fail "install-user left $plugins copies of the plugin"
bundles=$(find "$home" -name quelvar.so | wc -l)
[ "$bundles" -eq 1 ] || fail "install-user left $bundles copies of the LV2 plugin"
[ -f "$home/.lv2/quelvar.lv2/manifest.ttl" ] || fail "the LV2 bundle is not in ~/.lv2"
vst3=$(find "$home" -name Quelvar.so | wc -l)
[ "$vst3" -eq 1 ] || fail "install-user left $vst3 copies of the VST 3 plugin"
[ -f "$home/.vst3/Quelvar.vst3/Contents/x86_64-linux/Quelvar.so" ] ||
    fail "the VST 3 bundle is not in ~/.vst3"
claps=$(find "$home" -name Quelvar.clap | wc -l)
[ "$claps" -eq 1 ] || fail "install-user left $claps copies of the CLAP plugin"
[ -f "$home/.clap/Quelvar.clap" ] || fail "the CLAP plugin is not in ~/.clap"
HOME="$home" "$home/.local/bin/quelvar-render" --list-params > "$scratch/params" ||
    fail "the tool installed for one user does not find the plugin"
grep -q "CutOff" "$scratch/params" || fail "the parameter list is wrong"
HOME="$home" "$source/scripts/uninstall" "$build" --user > /dev/null
left=$(ours "$home")
[ -z "$left" ] || fail "left after uninstalling for one user: $left"
echo "install ok"
