#!/usr/bin/env bash
# The install tree as a desktop sees it, and the Debian package made from the same rules:
#   install_tree.sh <build dir>
set -euo pipefail
build="$(realpath "$1")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/usr" > /dev/null
for f in bin/orvantis bin/orvantis-boxsim share/applications/example.orvantis.Utility.desktop \
         share/metainfo/example.orvantis.Utility.metainfo.xml \
         share/icons/hicolor/scalable/apps/orvantis.svg \
         share/icons/hicolor/48x48/apps/orvantis.png share/icons/hicolor/128x128/apps/orvantis.png \
         share/man/man1/orvantis.1; do
    [ -e "$tmp/usr/$f" ] || { echo "not installed: $f"; exit 1; }
done
for m in serial net sound; do
    compgen -G "$tmp/usr/lib*/orvantis/liborvantis_$m.so" > /dev/null ||
        compgen -G "$tmp/usr/lib/*/orvantis/liborvantis_$m.so" > /dev/null ||
        { echo "module not installed: $m"; exit 1; }
done
desktop-file-validate "$tmp/usr/share/applications/example.orvantis.Utility.desktop"
appstreamcli validate --no-net "$tmp/usr/share/metainfo/example.orvantis.Utility.metainfo.xml"
python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert struct.unpack(">II",d[16:24])==(128,128)' \
        "$tmp/usr/share/icons/hicolor/128x128/apps/orvantis.png"

# The installed program finds its modules and answers.
out="$(env -u DISPLAY "$tmp/usr/bin/orvantis" --version)"
[[ "$out" == "orvantis "* ]] || { echo "--version said: $out"; exit 1; }
"$tmp/usr/bin/orvantis-boxsim" --help 2>&1 | grep -q "usage: boxsim" ||
    { echo "orvantis-boxsim does not answer"; exit 1; }

# Started as the menu starts it: the desktop entry's command, found on the PATH, opens the window.
exec_line="$(sed -n 's/^Exec=//p' "$tmp/usr/share/applications/example.orvantis.Utility.desktop")"
command="$(PATH="$tmp/usr/bin:$PATH" command -v "${exec_line%% *}")"
[ "$command" = "$tmp/usr/bin/orvantis" ] || { echo "the menu entry runs: $command"; exit 1; }
if command -v xvfb-run > /dev/null; then
    titles="$("$(dirname "$0")/../x11/window_titles.sh" "$command")"
    grep -q '^_NET_WM_NAME=Orvantis Utility' <<< "$titles" ||
        { echo "from the menu entry: $titles"; exit 1; }
fi

# The package: built from the same rules, holding the same files.
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" > /dev/null)
deb="$(ls "$tmp"/pkg/orvantis_*.deb)"
contents="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/orvantis ./usr/bin/orvantis-boxsim ./usr/share/applications/example.orvantis.Utility.desktop; do
    grep -q " $f\$" <<< "$contents" || { echo "not in the package: $f"; exit 1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
grep -q "libqt6widgets6" <<< "$depends" || { echo "Depends: $depends"; exit 1; }
echo "install tree and package: ok ($(basename "$deb"))"
if [ -n "${ORV_KEEP_DEB:-}" ]; then cp "$deb" "$ORV_KEEP_DEB"; fi
