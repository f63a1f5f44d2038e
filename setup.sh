#!/usr/bin/env bash
# 青简录: install what the build needs, build, then start the program or run every test.
#   sudo ./setup.sh run     install, build, start the program (an empty data.mdb is made beside it once)
#   sudo ./setup.sh test    install, build, run the whole test suite (plain and sanitizer builds)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"

PACKAGES=(build-essential cmake pkg-config clang libclang-rt-14-dev
          qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-l10n-tools qt6-translations-l10n
          libsqlcipher-dev sqlcipher libsodium-dev libbenchmark-dev
          fonts-noto-cjk xvfb xauth)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
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

case "${1:-run}" in
run)
    install_packages
    build build
    exec ./build/bin/qingjianlu
    ;;
test)
    install_packages
    build build
    run_tests build
    # The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DQJL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
