#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs Vigiltide into a scratch folder, validates what a desktop needs from
# it, packs the .deb and starts the program unpacked from that package.
#
# Usage: install_check.sh BUILD_DIR SOURCE_DIR CMAKE CPACK APP_ID VERSION
# Exits 77 (skipped) only when a tool it needs is not installed.
set -euo pipefail

build=$1 source=$2 cmake=$3 cpack=$4 id=$5 version=$6

missing=()
for tool in desktop-file-validate appstreamcli dpkg dpkg-deb dpkg-shlibdeps file ldd readelf \
    strings; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
    echo "SKIP: not installed: ${missing[*]} (scripts/deps.sh installs them)"
    exit 77
fi

tmp=$(mktemp -d)
app=""
# The program's speech daemon is started on demand and lingers a few seconds
# after its last client; it is ended here so that it outlives nothing it uses.
stop_speech() {
    local pidfile pid
    while IFS= read -r pidfile; do
        pid=$(<"$pidfile")
        if [[ $pid =~ ^[0-9]+$ ]]; then
            kill "$pid" 2>/dev/null || true
        fi
    done < <(find "$tmp/home" "$tmp/runtime" -name 'speech-dispatcher.pid' 2>/dev/null)
}
cleanup() {
    if [[ -n $app ]]; then
        kill "$app" 2>/dev/null || true
        wait "$app" 2>/dev/null || true
    fi
    stop_speech
    rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# Names the runtime search paths of a program that point into the source or
# build tree; the installed program must load nothing from there.
tree_paths() {
    readelf -d "$1" | grep -E '\((RPATH|RUNPATH)\)' | grep -F -e "$build" -e "$source" || true
}

# --- cmake --install ----------------------------------------------------------
stage=$tmp/stage
prefix=$stage/usr
DESTDIR=$stage "$cmake" --install "$build" --prefix /usr >"$tmp/install.log" ||
    { cat "$tmp/install.log"; fail "cmake --install"; exit 1; }

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
expected=(
    "$prefix/bin/vigiltide" "$desktop" "$metainfo"
    "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
    "$prefix/share/man/man1/vigiltide.1.gz"
)
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for f in "${expected[@]}"; do
    [[ -f $f ]] || fail "not installed: ${f#"$stage"}"
done
[[ -x $prefix/bin/vigiltide ]] || fail "the installed program is not executable"
for size in "${sizes[@]}"; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [[ -f $png ]] && ! file -b "$png" | grep -q "PNG image data, $size x $size" &&
        fail "$png is not a ${size}x${size} PNG: $(file -b "$png")"
done
svg=$prefix/share/icons/hicolor/scalable/apps/$id.svg
[[ -f $svg ]] && ! file -b "$svg" | grep -q SVG && fail "$svg is not an SVG: $(file -b "$svg")"
[[ -f $prefix/bin/vigiltide && -n $(tree_paths "$prefix/bin/vigiltide") ]] &&
    fail "the installed program searches the build tree: $(tree_paths "$prefix/bin/vigiltide")"
((failures == 0)) && pass "cmake --install put ${#expected[@]} files in place"

# --- desktop entry ------------------------------------------------------------
if [[ -f $desktop ]]; then
    if out=$(desktop-file-validate "$desktop" 2>&1) && ! grep -q 'error:' <<<"$out"; then
        pass "desktop-file-validate${out:+ ($out)}"
    else
        fail "desktop-file-validate: $out"
    fi
    key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
    exec_name=$(key Exec)
    exec_name=${exec_name%% *}
    [[ -x $prefix/bin/$exec_name ]] || fail "Exec=$exec_name names no installed program"
    icon=$(key Icon)
    [[ $icon == "$id" && -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] ||
        fail "Icon=$icon names no installed icon (expected $id)"
fi

# --- AppStream metainfo -------------------------------------------------------
if [[ -f $metainfo ]]; then
    if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
        pass "appstreamcli validate --no-net: $(tail -n 1 <<<"$out")"
    else
        fail "appstreamcli validate --no-net: $out"
    fi
    # The installed tree as a whole: metainfo, menu entry and icon together.
    if out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1); then
        pass "appstreamcli validate-tree --no-net: $(tail -n 1 <<<"$out")"
    else
        fail "appstreamcli validate-tree --no-net: $out"
    fi
    grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $id.desktop"
    # The newest release comes first; it must be the version being built.
    newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
    [[ $newest == "$version" ]] ||
        fail "metainfo's newest release is '$newest', the project is $version"
fi

# --- cpack -G DEB ---------------------------------------------------------------
# The build's own package configuration, but all of cpack's scratch files and
# the package go to a folder of this test, so the build folder stays as it is.
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    fail "cpack -G DEB"
    exit 1
fi
arch=$(dpkg --print-architecture)
debs=("$tmp/pkg/vigiltide_${version}"*"_${arch}.deb")
if [[ ${#debs[@]} -ne 1 || ! -f ${debs[0]} ]]; then
    ls -l "$tmp/pkg"
    fail "cpack made no single vigiltide_${version}*_${arch}.deb"
    exit 1
fi
deb=${debs[0]}
pass "cpack made $(basename "$deb") ($(stat -c %s "$deb") bytes)"

info=$(dpkg-deb --info "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[[ $(field Package) == vigiltide ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version"* ]] || fail "Version: $(field Version)"
[[ $(field Section) == utils ]] || fail "Section: $(field Section)"
[[ $(field Maintainer) == *@* ]] || fail "Maintainer: $(field Maintainer)"
for dep in libqt6widgets6 libqt6texttospeech6 libqt6multimedia6 libqt6dbus6; do
    grep -qw -- "$dep" <<<"$(field Depends)" || fail "Depends lacks $dep: $(field Depends)"
done
for rec in speech-dispatcher speech-dispatcher-espeak-ng qt6-speech-speechd-plugin; do
    grep -qw -- "$rec" <<<"$(field Recommends)" || fail "Recommends lacks $rec"
done
contents=$(dpkg-deb --contents "$deb")
for f in "${expected[@]}"; do
    grep -qF " .${f#"$stage"}" <<<"$contents" || fail "the package lacks ${f#"$stage"}"
done
echo "Depends: $(field Depends)"

# --- the unpacked program ---------------------------------------------------------
root=$tmp/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin/vigiltide
if [[ ! -x $bin ]]; then
    fail "the package has no usr/bin/vigiltide"
    exit 1
fi
if ldd "$bin" | grep -q 'not found'; then
    fail "libraries not found: $(ldd "$bin" | grep 'not found')"
else
    pass "ldd finds all $(ldd "$bin" | grep -c '=>') libraries"
fi
[[ -z $(tree_paths "$bin") ]] || fail "the packaged program searches the build tree"
# The package's program carries no debugging information, and with it no
# path of the tree it was built in.
if strings "$bin" | grep -qF -e "$build" -e "$source"; then
    fail "the packaged program names the build tree: $(strings "$bin" | grep -F -e "$build" -e "$source" | head -n 3)"
fi

# Started as a user would, with settings and caches in scratch folders.
mkdir -p "$tmp/home/.config" "$tmp/runtime"
chmod 700 "$tmp/runtime"
env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_CACHE_HOME="$tmp/home/.cache" \
    XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=offscreen "$bin" >"$tmp/app.log" 2>&1 &
app=$!
alive=1
for _ in $(seq 20); do
    sleep 0.1
    kill -0 "$app" 2>/dev/null || { alive=0; break; }
done
if ((alive)); then
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
    pass "the unpacked program was still running after 2 s"
else
    status=0
    wait "$app" || status=$?
    app=""
    fail "the unpacked program exited with status $status within 2 s"
    cat "$tmp/app.log"
fi
stop_speech

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "all install and package checks passed"
