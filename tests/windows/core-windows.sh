#!/usr/bin/env bash
# The Qt-Core-only layers on Windows: Qt Core, SQLCipher and libsodium cross-built from Debian's sources
# (mingw-deps.sh, cached), the project's database, codec, date, backup and restore code, mkdiarydb and a test
# program (core_test.cpp) built with MinGW-w64 and run under Wine with the Chinese ANSI code page (936).
# Files go both ways: one made on Linux is read there, one made there is read by Debian's sqlcipher shell.
# The last line is "PASS ..." or "FAIL ...".
#   tests/windows/core-windows.sh <Linux build folder> [work folder]     (default: a temporary folder)
set -uo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
# shellcheck source=install-missing.sh
. "$here/install-missing.sh"
started=$(date +%s)

fail() {
    echo "FAIL Windows core: $*"
    exit 1
}

[ $# -ge 1 ] || fail "usage: $0 <Linux build folder> [work folder]"
linux=$(cd "$1" && pwd) || fail "no Linux build folder $1"
[ -x "$linux/bin/mkdiarydb" ] || fail "$linux/bin/mkdiarydb is not built"

packages=(g++-mingw-w64-x86-64 wine wine64 cmake ninja-build tcl autoconf automake libtool sqlcipher locales)
install_missing "${packages[@]}" || fail "could not install what this test needs"

work=${2:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
else
    rm -rf "$work/run" && mkdir -p "$work"
fi

prefix=$("$here/mingw-deps.sh" | tail -n 1) || fail "the libraries could not be cross-built"
[ -d "$prefix" ] || fail "the libraries could not be cross-built"
deps=$(($(date +%s) - started))

hostcmake=$(dirname "$(find /usr/lib -path "*/cmake/Qt6HostInfo" -print -quit)")
cmake -S "$here" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$(dirname "$prefix")/toolchain.cmake" -DQJL_MINGW_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$hostcmake" \
    >"$work/configure.log" 2>&1 || { tail -n 30 "$work/configure.log"; fail "the Windows build did not configure"; }
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 ||
    { grep -A5 -m5 "error" "$work/build.log"; fail "the Windows build failed"; }

# Beside the programs, as on Windows: Qt Core and the compiler's run-time libraries.
bin=$work/build/bin
cp "$prefix/bin/Qt6Core.dll" "$bin/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$bin/" || fail "no $dll"
done

# A diary made on Linux, with an entry written by Debian's sqlcipher shell.
run=$work/run
mkdir -p "$run"
"$linux/bin/mkdiarydb" "$run/linux.mdb" || fail "mkdiarydb on Linux failed"
sqlcipher "$run/linux.mdb" >/dev/null <<'SQL' || fail "sqlcipher could not write linux.mdb"
PRAGMA key = 'vexol';
INSERT INTO diary(username, diarytitle, diarydate) VALUES ('小明', '在Linux上写的日记', '2009-09-07');
SQL

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
[ -d "$WINEPREFIX" ] || timeout 300 wine wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
timeout 300 wine "$bin/core_test.exe" "$(winepath -w "$run")" 2>"$work/wine.log" | tr -d '\r' | tee "$work/cases.log"
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || fail "$(grep -c '^FAIL' "$work/cases.log") of the test program's cases failed (exit $status)"

# The file made under Wine, read on Linux.
title=$(printf "PRAGMA key = 'vexol';\nSELECT diarytitle FROM diary;\n" | sqlcipher "$run/windows.mdb" 2>&1 | tail -n 1)
[ "$title" = "在Windows上写的日记" ] || fail "Linux read “$title” from the file made under Wine"
echo "ok   the file made there opens in Debian's sqlcipher shell"

# mkdiarydb.exe: a new database, and an existing one left alone with --if-missing.
mk=$(winepath -w "$run/新的.mdb")
timeout 120 wine "$bin/mkdiarydb.exe" "$mk" >/dev/null 2>&1 || fail "mkdiarydb.exe failed"
timeout 120 wine "$bin/mkdiarydb.exe" --if-missing "$mk" >/dev/null 2>&1 || fail "mkdiarydb.exe --if-missing failed"
tables=$(printf "PRAGMA key = 'vexol';\nSELECT group_concat(name, ' ') FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%%';\n" |
    sqlcipher "$run/新的.mdb" 2>&1 | tail -n 1)
[ "$tables" = "users diary" ] || fail "the database mkdiarydb.exe made has the tables “$tables”"
echo "ok   mkdiarydb.exe makes a database Linux opens"

cases=$(grep -c '^ok' "$work/cases.log")
echo "PASS Windows core: $((cases + 2)) cases under Wine (code page 936) in $(($(date +%s) - started)) s" \
    "(libraries ${deps} s)"
