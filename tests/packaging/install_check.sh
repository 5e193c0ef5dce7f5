#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop reads there, then builds
# the Debian package and checks the packages it depends on.
#   install_check.sh CMAKE CPACK BUILD_DIR
set -euo pipefail
trap 'echo "packaging check failed at line $LINENO" >&2' ERR
cmake=$1 cpack=$2 build=$3 id=org.tavrilo.Synth
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$cmake" --install "$build" --prefix "$tmp/usr" >/dev/null
share=$tmp/usr/share
test -x "$tmp/usr/bin/tavrilo-synth"
# desktop-file-validate exits 0 on some errors: any message it prints fails the check.
messages=$(desktop-file-validate "$share/applications/$id.desktop")
[[ -z $messages ]] || { echo "$messages" >&2; exit 1; }
grep -qx "Icon=$id" "$share/applications/$id.desktop"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
for n in 16 32 48 64 128 256; do
    size=$(identify -format '%wx%h' "$share/icons/hicolor/${n}x$n/apps/$id.png")
    [[ $size == "${n}x$n" ]] || { echo "the ${n}x$n icon is $size" >&2; exit 1; }
done

(cd "$tmp" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >/dev/null)
depends=$(dpkg-deb --field "$tmp/deb/tavrilo-synth_"*"_$(dpkg --print-architecture).deb" Depends)
for package in qt6-qpa-plugins fonts-wine 'libsdl2-2\.0-0' libqt6widgets6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || { echo "Depends: $depends" >&2; exit 1; }
done
