#!/bin/sh
# Adds 青简录 to the current user's application menu, started from this folder.
#   ./install-desktop-entry.sh            install (again after moving the folder)
#   ./install-desktop-entry.sh --remove   take it out of the menu again
# Writes only below ${XDG_DATA_HOME:-~/.local/share}; needs no root.
set -eu
here=$(dirname "$(readlink -f "$0")")
data=${XDG_DATA_HOME:-$HOME/.local/share}
apps=$data/applications
icons=$data/icons/hicolor
sizes="16 24 32 48 64 128 256"

refresh() {
    # Menus pick up the change by themselves on most desktops; the caches only make it quicker.
    if command -v update-desktop-database >/dev/null 2>&1; then
        update-desktop-database -q "$apps" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null 2>&1 && [ -f "$icons/index.theme" ]; then
        gtk-update-icon-cache -q -t "$icons" 2>/dev/null || true
    fi
}

case "${1:-}" in
"") ;;
--remove)
    rm -f "$apps/qingjianlu.desktop" "$icons/scalable/apps/qingjianlu.svg"
    for size in $sizes; do
        rm -f "$icons/${size}x${size}/apps/qingjianlu.png"
    done
    refresh
    echo "青简录 removed from the application menu."
    exit 0
    ;;
*)
    echo "usage: $0 [--remove]" >&2
    exit 2
    ;;
esac

case "$here" in
*'
'*)
    echo "$0: the folder's path holds a line break; a desktop entry cannot name it" >&2
    exit 1
    ;;
esac

for size in $sizes; do
    mkdir -p "$icons/${size}x${size}/apps"
    cp "$here/icons/qingjianlu-$size.png" "$icons/${size}x${size}/apps/qingjianlu.png"
done
mkdir -p "$icons/scalable/apps"
cp "$here/icons/qingjianlu.svg" "$icons/scalable/apps/qingjianlu.svg"

# Exec takes the launcher's path in double quotes, with \ " ` and $ escaped by a backslash; as a string
# value every backslash is then written twice. Path is a plain string: only its backslashes are doubled.
exec_path=$(printf '%s\n' "$here/qingjianlu.sh" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g')
work_path=$(printf '%s\n' "$here" | sed -e 's/\\/\\\\/g')
mkdir -p "$apps"
entry="$apps/qingjianlu.desktop"
while IFS= read -r line; do
    case "$line" in
    Exec=*) printf 'Exec="%s"\nPath=%s\n' "$exec_path" "$work_path" ;;
    '#'*) ;;
    *) printf '%s\n' "$line" ;;
    esac
done <"$here/qingjianlu.desktop" >"$entry.new"
chmod 644 "$entry.new"
mv -f "$entry.new" "$entry"
refresh
echo "青简录 is in the application menu now (Office and Utility); it starts $here/qingjianlu.sh."
