#!/usr/bin/env bash
# The windows under a real window manager: starts Xvfb and openbox, runs tst_minsizewm on the xcb platform
# (centring by outer size, the main window's minimum size, the layouts at open, maximised and restored),
# prints one PASS or FAIL line (with the test's log on FAIL); exits 1 on FAIL.
#   tests/release/minsize-wm.sh <build folder>
set -euo pipefail
build=$(readlink -f "${1:?usage: $0 <build folder>}")
test="$build/bin/tst_minsizewm"
[ -x "$test" ] || {
    echo "FAIL: windows under a window manager: $test is not built"
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/session.sh" <<'SESSION'
# Ready once openbox has announced itself on the root window. Right after the server starts openbox now
# and then cannot open the display yet and ends; it is started again then.
wm=
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    if [ -z "$wm" ] || ! kill -0 "$wm" 2>/dev/null; then
        openbox --sm-disable >>"$1/openbox.log" 2>&1 &
        wm=$!
    fi
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || {
    echo "openbox did not start" >"$1/test.log"
    exit 1
}
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$2" >"$1/test.log" 2>&1
status=$?
kill "$wm" 2>/dev/null
exit $status
SESSION

if timeout 120 xvfb-run -a -s "-screen 0 1600x1000x24" bash "$work/session.sh" "$work" "$test"; then
    echo "PASS: under openbox every window is centred by its outer size, the main window stops at 1024 x 486" \
        "outer, and the layouts follow the real frame at open, maximised and restored"
else
    sed 's/^/  /' "$work/test.log" "$work/openbox.log" 2>/dev/null || true
    echo "FAIL: windows under a window manager"
    exit 1
fi
