#!/usr/bin/env bash
# update.dll for Windows: cross-built with MinGW-w64 for x86_64 and i686, its exports checked, and the
# x86_64 build run under Wine by a small Windows test program against a local HTTP server (serve.py).
# The 32-bit build runs too where a 32-bit Wine is installed. The last line is "PASS ..." or "FAIL ...".
#   tests/windows/update-dll.sh [work folder]     (default: a temporary folder, removed afterwards)
set -uo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
# shellcheck source=install-missing.sh
. "$here/install-missing.sh"
root=$(cd "$here/../.." && pwd)
src=$root/update/libupdate
started=$(date +%s)

fail() {
    echo "FAIL update.dll: $*"
    exit 1
}

packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 python3)
install_missing "${packages[@]}" || fail "could not install what this test needs"

work=${1:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    trap 'kill "${server:-}" 2>/dev/null; rm -rf "$work"' EXIT
else
    mkdir -p "$work"
    trap 'kill "${server:-}" 2>/dev/null' EXIT
fi
version=$(sed -n 's/^project(qingjianlu VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt"

# The library's own sources only: it shares no code with the program and needs no Qt. The -posix
# compilers give std::thread; -static puts libstdc++, libgcc and winpthread inside the DLL.
# --kill-at exports the 32-bit __stdcall names undecorated (DoUpdate, not DoUpdate@8).
flags=(-std=c++20 -O2 -Wall -Wextra -Werror -static -static-libgcc -static-libstdc++)
build() { # build <arch>
    local out=$work/$1
    mkdir -p "$out"
    "$1-w64-mingw32-g++-posix" "${flags[@]}" -shared -DQJL_UPDATE_RUNNING_VERSION="\"$version\"" -I"$src" \
        "$src/UpdateLibrary.cpp" "$src/UpdateText.cpp" "$src/Notice.cpp" "$src/NoticeWin32.cpp" \
        "$src/HttpFetchWinHttp.cpp" -o "$out/update.dll" -Wl,--kill-at -lwinhttp -luser32 &&
        "$1-w64-mingw32-g++-posix" "${flags[@]}" "$here/update_dll_test.cpp" -o "$out/update_dll_test.exe"
}
build x86_64 >"$work/build-x86_64.log" 2>&1 &
x64=$!
build i686 >"$work/build-i686.log" 2>&1 || { cat "$work/build-i686.log"; fail "the i686 build failed"; }
wait $x64 || { cat "$work/build-x86_64.log"; fail "the x86_64 build failed"; }

# Exactly the four entry points, undecorated, and nothing but system DLLs needed.
for arch in x86_64 i686; do
    dump=$("$arch-w64-mingw32-objdump" -p "$work/$arch/update.dll")
    exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '/\[/ && !/Table/ {print $NF}' |
        tr '\n' ' ')
    echo "$arch exports: $exports"
    [ "$exports" = "BeginUpdate DoUpdate PendingUpdateChecks SetNoticeHandler " ] || fail "$arch exports $exports"
    imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | tr '\n' ' ')
    echo "$arch imports: $imports"
    for dll in $imports; do
        case "${dll,,}" in
        kernel32.dll | user32.dll | winhttp.dll | msvcrt.dll | api-ms-win-*) ;;
        *) fail "$arch update.dll needs $dll" ;;
        esac
    done
done

coproc SERVE { exec python3 "$here/serve.py"; }
server=$SERVE_PID
read -r port closed <&"${SERVE[0]}" || fail "the test server did not start"

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
boot=$(date +%s)
timeout 180 wine wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
echo "wine prefix ready in $(($(date +%s) - boot)) s"

run() { # run <arch>: the test program beside its DLL, under Wine
    (cd "$work/$1" && timeout 150 wine update_dll_test.exe "$port" "$closed") 2>&1 | tr -d '\r' | sed "s/^/$1 /"
    return "${PIPESTATUS[0]}"
}
run x86_64 || fail "the x86_64 test program failed under Wine"
tested="x86_64 under Wine"
if [ -e /usr/lib/wine/wine ] || [ -e /usr/lib/i386-linux-gnu/wine/wine ]; then
    run i686 || fail "the i686 test program failed under Wine"
    tested="x86_64 and i686 under Wine"
else
    tested="$tested (no 32-bit Wine here: i686 built and its exports checked only)"
fi
echo "PASS update.dll: $tested, in $(($(date +%s) - started)) s"
