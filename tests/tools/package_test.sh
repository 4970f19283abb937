#!/bin/sh
# The Debian package cpack makes from this build tree: its files and modes, the
# dependencies Qt loads by name, and binaries that start from the unpacked tree.
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work" || exit 1
fail() { echo "FAIL: $*"; exit 1; }
cpack --config "$1" -G DEB -B out > cpack.log 2>&1 || { cat cpack.log; fail cpack; }
deb=$(echo out/kavro_*.deb)
version=$(dpkg-deb -f "$deb" Version)
[ "$deb" = "out/kavro_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ] || fail "file name $deb"
dpkg-deb -x "$deb" root && dpkg-deb -e "$deb" control || fail unpacking
find root control/post* -type f -printf '%p %m\n' | sort | diff -u - /dev/fd/3 3<<'LIST' || fail files
control/postinst 755
control/postrm 755
root/usr/bin/kavro 755
root/usr/bin/kavrotir 755
root/usr/lib/udev/rules.d/70-kavro-sensor.rules 644
root/usr/share/applications/kavrotir.desktop 644
root/usr/share/icons/hicolor/256x256/apps/kavrotir.png 644
LIST
grep -qx Icon=kavrotir root/usr/share/applications/kavrotir.desktop || fail "desktop entry's icon"
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' > depends
for p in libqt6core6 libqt6sql6-sqlite qml6-module-qtquick-controls qt6-qpa-plugins; do
    grep -qx "$p" depends || fail "Depends lacks $p: $(dpkg-deb -f "$deb" Depends)"
done
[ "$(root/usr/bin/kavro --version)" = "kavro $version" ] || fail "kavro --version is not $version"
root/usr/bin/kavrotir --help > help 2>&1 && grep -q '^Usage: kavrotir' help || fail "kavrotir --help"
