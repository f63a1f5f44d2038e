#!/usr/bin/env bash
# Saves every window at 100 %, 150 % and 200 % into docs/screenshots/<window>_<scale>.png: the login window,
# the main window signed in with an entry on show, the editor changing that entry, the search window with
# results. Each window is drawn by the real program code in a temporary diary, under a virtual X server.
#   tests/release/screenshots.sh <build folder>     (after building the target tst_windowlook)
set -euo pipefail
root=$(dirname "$(readlink -f "$0")")/../..
build=$(readlink -f "${1:?usage: $0 <build folder>}")
out=$root/docs/screenshots
mkdir -p "$out"
unset QT_QPA_PLATFORM
for percent in 100 150 200; do
    QT_SCALE_FACTOR=$((percent / 100)).$((percent % 100 / 10)) QJL_SCREENSHOT_DIR=$out QJL_SCREENSHOT_SCALE=$percent \
        LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 2560x1600x24" "$build/bin/tst_windowlook" >/dev/null
done
ls "$out"/{login,main,editor,search}_{100,150,200}.png
