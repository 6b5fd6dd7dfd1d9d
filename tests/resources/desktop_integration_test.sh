#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs Movelle into a private prefix and asks the desktop's type finders what our files and Windows
# animated cursors (which share the .ani extension) are: xdg-mime outside a desktop (File::MimeInfo),
# xdg-mime under GNOME (GIO), both with our package beside the system's database and merged into it.
# Usage: desktop_integration_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in xdg-mime mimetype gio update-mime-database update-desktop-database desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (./build.sh test installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --component desktop --prefix "$work/user" >/dev/null
desktop-file-validate "$work/user/share/applications/movelle.desktop"
update-mime-database "$work/user/share/mime" 2>/dev/null
update-desktop-database "$work/user/share/applications"
# The same package merged into a copy of the system's database, as a distribution package installs it.
mkdir -p "$work/system/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$work/user/share/mime/packages/movelle.xml" \
    "$work/system/mime/packages/"
update-mime-database "$work/system/mime" 2>/dev/null

ours=application/x-movelle-animation
cursor=application/x-navi-animation
files=$work/files
mkdir "$files"
# name | content (printf format) | type every finder must give
cases=(
    "walk.ani|3\r\n100\r\n/home/u/a.png\r\n\r\n/home/u/b.png\r\n|$ours"
    "big.ani|32767\r\n40\r\n/p/f.png\r\n|$ours"
    "empty-count.ani|\r\n100\r\n|$ours"
    "empty-rate.ani|1\r\n\r\n/p/f.png\r\n|$ours"
    "half.ani|2.5\r\n70\r\n\r\n\r\n|$ours"
    "pointer.ani|RIFF\x20\x00\x00\x00ACONanih\x24\x00\x00\x00|$cursor"
    "notes.txt|walk cycle\r\n12 frames\r\n|text/plain"
)
failures=0
check() {
    local what=$1 name=$2 want=$3 got=$4
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what says $name is '$got', not '$want'"
        failures=$((failures + 1))
    fi
}
for layout in user system; do
    if [ "$layout" = user ]; then
        env=(XDG_DATA_HOME="$work/user/share" XDG_DATA_DIRS=/usr/share)
    else
        env=(XDG_DATA_HOME="$work/none" XDG_DATA_DIRS="$work/system")
    fi
    for c in "${cases[@]}"; do
        IFS='|' read -r name content want <<<"$c"
        printf "$content" >"$files/$name"
        for desktop in "" GNOME; do
            got=$(env -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
                  XDG_CURRENT_DESKTOP="$desktop" "${env[@]}" xdg-mime query filetype "$files/$name")
            check "xdg-mime (${desktop:-no desktop}, $layout)" "$name" "$want" "$got"
        done
    done
done
got=$(env -u DESKTOP_SESSION XDG_CURRENT_DESKTOP= XDG_DATA_HOME="$work/user/share" XDG_DATA_DIRS=/usr/share \
      xdg-mime query default "$ours")
check "xdg-mime's default application" "$ours" movelle.desktop "$got"
[ "$failures" -eq 0 ] && echo "every type finder agrees"
exit "$failures"
