#!/usr/bin/env bash
# What a user installs, checked as installed: `cmake --install` into a throw-away prefix and
# the Debian package unpacked with `dpkg -x`. In each tree the menu entry and the AppStream file
# pass Debian's validators, every program is in bin/, and the installed quillfetch-cli runs and
# keeps its data in the user's data folder, never under the prefix.
# Usage: check_install.sh BUILD_FOLDER VERSION PROGRAM...
set -euo pipefail
build=$1 version=$2
shift 2
programs=("$@")
app_id=com.quillfetch.Quillfetch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check_tree() {
    local prefix=$1 home
    home=$(mktemp -d -p "$work")
    for program in "${programs[@]}"; do
        [ -x "$prefix/bin/$program" ] || fail "$prefix/bin/$program is missing"
    done
    desktop-file-validate "$prefix/share/applications/$app_id.desktop"
    appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >/dev/null
    [ -s "$prefix/share/icons/hicolor/48x48/apps/$app_id.png" ] || fail "no 48x48 icon"
    [ -s "$prefix/share/man/man1/quillfetch-cli.1" ] || fail "no man page"
    env -u QUILLFETCH_HOME -u XDG_DATA_HOME HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        "$prefix/bin/quillfetch-cli" run >/dev/null
    [ -d "$home/.local/share/Quillfetch/projects" ] || fail "no data in the user's data folder"
    [ -z "$(find "$prefix" -name projects)" ] || fail "data written under $prefix"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_tree "$work/prefix"

cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >/dev/null
package=("$work"/package/quillfetch_"$version"_*.deb)
depends=$(dpkg-deb --field "${package[0]}" Depends)
for library in libc6 libqt6core6 libqt6network6 libqt6widgets6; do
    [[ "$depends" == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
dpkg -x "${package[0]}" "$work/root"
check_tree "$work/root/usr"
echo "install tree and package checked"
