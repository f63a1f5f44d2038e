#!/usr/bin/env bash
# 青简录: install what the build needs, build, then start the program or run every test.
#   sudo ./setup.sh run     install what building and running the program needs, build only the program,
#                           start it (an empty data.mdb is made beside it once)
#   sudo ./setup.sh test    install that and what the tests need too, build everything, run the whole test
#                           suite (plain and sanitizer builds) and start the release archive once
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"

# Building and running the program.
RUN_PACKAGES=(build-essential cmake pkg-config
              qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-translations-l10n
              libsqlcipher-dev libssl-dev libsodium-dev libuchardet-dev libcurl4-openssl-dev fonts-noto-cjk)
# The tests on top: sanitizers and fuzzing (clang), benchmarks, a virtual X server with a window manager,
# formatting, the sqlcipher shell, and the Windows cross build run under Wine.
TEST_PACKAGES=(clang libclang-rt-14-dev qt6-l10n-tools sqlcipher libbenchmark-dev
               xvfb xauth x11-utils clang-format openbox
               g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)

install_packages() { # install_packages <package>...: those not installed yet
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build() { # build <dir> [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

run_tests() { # run_tests <dir>
    (cd "$1" && ctest --output-on-failure -j"$(nproc)")
}

fuzz() { # fuzz <seconds>: the libFuzzer targets, built with clang in build-fuzz, each run for a bounded time
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQJL_FUZZ=ON \
        -DQJL_WEBENGINE=OFF -DQJL_BUILD_TESTS=OFF >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target fuzz_statement fuzz_import
    mkdir -p build-fuzz/found
    for target in statement import; do
        # New inputs go to a work folder; the seed corpus in fuzz/corpus stays as committed.
        mkdir -p "build-fuzz/corpus-$target"
        local words=()
        [ -f "fuzz/$target.dict" ] && words=(-dict="fuzz/$target.dict")
        "./build-fuzz/bin/fuzz_$target" -max_total_time="$1" -print_final_stats=1 "${words[@]}" \
            -artifact_prefix=build-fuzz/found/ "build-fuzz/corpus-$target" "fuzz/corpus/$target"
    done
}

case "${1:-run}" in
run)
    install_packages "${RUN_PACKAGES[@]}"
    # Only the program (and the updater library and data.mdb maker it needs), no tests.
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQJL_BUILD_TESTS=OFF >/dev/null
    cmake --build build -j"$(nproc)" --target qingjianlu
    exec ./build/bin/qingjianlu
    ;;
test)
    install_packages "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    # CI builds: every warning is an error.
    build build -DQJL_WERROR=ON -DQJL_BUILD_TESTS=ON
    run_tests build
    # update.dll cross-built with MinGW-w64 and run under Wine.
    tests/windows/update-dll.sh | tail -n 40
    [ "${PIPESTATUS[0]}" -eq 0 ]
    # The release archive: built with cpack, unpacked into a temporary folder and started under Xvfb.
    tests/release/archive-smoke.sh build
    # The main window's minimum size with a real window frame, under Xvfb and openbox.
    tests/release/minsize-wm.sh build
    # The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DQJL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DQJL_WERROR=ON -DQJL_BUILD_TESTS=ON
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    # Any text as a statement, any bytes as an imported file: a minute each.
    fuzz 60
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
