#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs Vigiltide into a scratch folder and packs the .deb; checks in both what a desktop
# needs, validates the menu entry and metainfo, and asks the unpacked program for its version.
# Usage: install_check.sh BUILD_DIR SOURCE_DIR CMAKE CPACK APP_ID VERSION (exits 77: no tool)
set -euo pipefail
build=$1 source=$2 cmake=$3 cpack=$4 id=$5 version=$6
for tool in desktop-file-validate appstreamcli dpkg-deb file readelf strings systemd-analyze; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps.sh)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }

DESTDIR=$tmp/install "$cmake" --install "$build" --prefix /usr >/dev/null
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; exit 1; }
deb=("$tmp/pkg/vigiltide_${version}"*.deb)
dpkg-deb -x "${deb[0]}" "$tmp/package"

# Each file a desktop looks for, and what it must be.
expected=("bin/vigiltide:ELF" "share/man/man1/vigiltide.1.gz:gzip"
    "share/applications/$id.desktop:text" "share/metainfo/$id.metainfo.xml:XML"
    "share/icons/hicolor/scalable/apps/$id.svg:SVG")
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$id.png:PNG image data, $size x $size")
done
for root in "$tmp/install/usr" "$tmp/package/usr"; do
    for entry in "${expected[@]}"; do
        f=$root/${entry%%:*}
        file -b "$f" | grep -q "${entry#*:}" || fail "${f#"$tmp"/} is not ${entry#*:}"
    done
    desktop=$root/share/applications/$id.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop") icon=$(sed -n 's/^Icon=//p' "$desktop")
    [[ -f $root/bin/$exec && -f $root/share/icons/hicolor/scalable/apps/$icon.svg ]] ||
        fail "the menu entry names a program ($exec) or icon ($icon) not installed"
    appstreamcli validate-tree --no-net "$root" >"$tmp/appstream.log" ||
        { cat "$tmp/appstream.log"; fail "appstreamcli validate-tree ${root#"$tmp"/}"; }
    grep -q "<release version=\"$version\"" "$root/share/metainfo/$id.metainfo.xml" ||
        fail "the metainfo has no release $version"
    ! readelf -d "$root/bin/vigiltide" | grep -E '\((RPATH|RUNPATH)\)' ||
        fail "${root#"$tmp"/}/bin/vigiltide searches folders of its own for libraries"
    # The user unit, checked with the program where this install put it; it
    # must restart the program after a crash, within the graphical session.
    unit=$root/lib/systemd/user/vigiltide.service
    sed "s|^ExecStart=vigiltide|ExecStart=$root/bin/vigiltide|" "$unit" >"$tmp/vigiltide.service"
    said=$(systemd-analyze verify --man=no "$tmp/vigiltide.service" 2>&1) && [[ -z $said ]] ||
        fail "systemd-analyze verify ${unit#"$tmp"/}: $said"
    for line in Restart=on-failure PartOf=graphical-session.target \
        WantedBy=graphical-session.target StartLimitBurst=; do
        grep -q "^$line" "$unit" || fail "${unit#"$tmp"/} has no $line"
    done
done
# A sanitizer build keeps its source paths in its instrumentation, stripped or not.
grep -q '^VIGILTIDE_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" ||
    ! strings "$tmp/package/usr/bin/vigiltide" | grep -F -e "$build" -e "$source" ||
    fail "the packaged program names the build tree: it is not stripped"
dpkg-deb -f "${deb[0]}" Depends | grep -q libqt6widgets6 || fail "the package depends on no Qt"
said=$(env -u DISPLAY "$tmp/package/usr/bin/vigiltide" --version 2>&1) || true
[[ $said == "Vigiltide $version" ]] || fail "the unpacked program answers --version with: $said"
((failures == 0)) && echo "all install and package checks passed"
exit $((failures > 0))
