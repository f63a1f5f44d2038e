#!/usr/bin/env bash
# Smoke test of the release archive, as a user meets it: builds the archive from a finished build folder,
# unpacks it into a fresh temporary folder, starts the program there through its launcher under a virtual
# X server, and checks that the login window comes up and that the launcher made a new data.mdb, which a
# second run of the database tool leaves untouched. Then it upgrades that folder as the README says: the
# archive unpacked over it keeps data.mdb and backup/. Prints one PASS or FAIL line; exits 1 on FAIL.
#   tests/release/archive-smoke.sh <build folder>
set -euo pipefail
build=$(readlink -f "${1:?usage: $0 <build folder>}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: release archive: $*"
    exit 1
}

(cd "$build" && cpack -G TGZ -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    fail "cpack could not build the archive"
}
archive=$(find "$work/out" -maxdepth 1 -name 'qingjianlu-*.tar.gz' | head -n 1)
[ -n "$archive" ] || fail "cpack made no qingjianlu-*.tar.gz"
mkdir "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
folder=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
for f in qingjianlu qingjianlu.sh mkdiarydb libupdate.so qingjianlu.desktop install-desktop-entry.sh \
    FIRST-RUN.txt icons/qingjianlu.svg icons/qingjianlu-16.png icons/qingjianlu-256.png; do
    [ -e "$folder/$f" ] || fail "$f is missing from $(basename "$archive")"
done
[ ! -e "$folder/data.mdb" ] || fail "the archive carries a data.mdb"

# Inside the X session: start the launcher from another folder, give the program 5 seconds, then look for
# the login window by its caption and end the program.
cat >"$work/session.sh" <<'SESSION'
folder=$1
cd /
"$folder/qingjianlu.sh" >"$folder/../program.log" 2>&1 &
pid=$!
sleep 5
if ! kill -0 "$pid" 2>/dev/null; then
    echo "the program ended within 5 seconds"
    exit 1
fi
windows=$(xwininfo -root -tree)
kill "$pid"
wait "$pid" 2>/dev/null || true
if ! grep -qF '"青简录 - 用户登陆"' <<<"$windows"; then
    echo "no window captioned 青简录 - 用户登陆"
    exit 1
fi
SESSION

# Qt WebEngine's sandbox does not run as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM
if ! reason=$(timeout 40 xvfb-run -a bash "$work/session.sh" "$folder" 2>&1); then
    sed 's/^/  program: /' "$work/unpacked/program.log" 2>/dev/null || true
    fail "${reason:-the program did not start}"
fi
[ -s "$folder/data.mdb" ] || fail "the launcher made no data.mdb beside the program"
before=$(sha256sum <"$folder/data.mdb")
"$folder/mkdiarydb" --if-missing "$folder/data.mdb" || fail "mkdiarydb --if-missing failed on an existing file"
[ "$(sha256sum <"$folder/data.mdb")" = "$before" ] || fail "mkdiarydb --if-missing changed an existing data.mdb"

# Upgrade: a newer archive unpacked over the old folder. The archive carries no diary and no backups, so the
# folder's own stay as they are, while the program files are replaced.
tar -tzf "$archive" >"$work/contents"
if grep -qE '(^|/)(data\.mdb|backup/?)$' "$work/contents"; then
    fail "the archive carries a data.mdb or a backup folder"
fi
# The older release's folder, under its own name, with a diary, a backup and an older launcher; the newer
# archive is unpacked over it with the README's command.
old=$work/unpacked/qingjianlu-0.9.0-Linux-x86_64
mv "$folder" "$old"
folder=$old
mkdir -p "$folder/backup"
cp "$folder/data.mdb" "$folder/backup/data-20091008-201500.mdb"
echo "an older release" >"$folder/qingjianlu.sh"
kept=$(cd "$folder" && sha256sum data.mdb backup/data-20091008-201500.mdb)
tar -xzf "$archive" -C "$work/unpacked" --transform "s,^qingjianlu-[^/]*,$(basename "$old"),"
[ "$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | wc -l)" -eq 1 ] ||
    fail "the archive did not unpack into the older folder"
[ "$(cd "$folder" && sha256sum data.mdb backup/data-20091008-201500.mdb)" = "$kept" ] ||
    fail "unpacking over the folder changed data.mdb or backup/"
grep -q mkdiarydb "$folder/qingjianlu.sh" || fail "unpacking over the folder did not replace the program files"
echo "PASS: release archive $(basename "$archive") unpacks, makes data.mdb, opens the login window, and" \
    "unpacked over an older folder keeps data.mdb and backup/"
