#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and then starts Movelle or runs the tests.
#   ./build.sh run        build and start the program
#   ./build.sh test       build with warnings as errors and run every test
#   ./build.sh sanitize   the tests again, built with AddressSanitizer and UBSan (build-asan/)
#   ./build.sh fuzz [s]   build the fuzz targets with clang and run each for s seconds (default 30)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-image-formats-plugins qt6-qpa-plugins
    libgl-dev fonts-urw-base35
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation2
    xvfb xauth xdotool x11-apps imagemagick openbox libxcb1-dev
    at-spi2-core python3-pyatspi dbus-daemon dbus-bin
    libimagequant-dev libpng-dev libwebp-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
    shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin desktop-file-utils
)
fuzz_packages=(clang libclang-rt-14-dev)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j2
}

case "${1:-run}" in
run)
    install_missing "${packages[@]}"
    configure_and_build build -DMOVELLE_TESTS=OFF -DMOVELLE_BENCH=OFF
    exec ./build/movelle
    ;;
test)
    install_missing "${packages[@]}"
    configure_and_build build -DMOVELLE_WERROR=ON
    ctest --test-dir build --output-on-failure -j2
    ;;
sanitize)
    install_missing "${packages[@]}"
    # -O1 with line tables only: what the sanitizers need, at half the compile time of -O2 -g.
    configure_and_build build-asan -DMOVELLE_WERROR=ON -DMOVELLE_SANITIZE=ON -DMOVELLE_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
    ;;
fuzz)
    install_missing "${packages[@]}" "${fuzz_packages[@]}"
    cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DMOVELLE_FUZZ=ON -DMOVELLE_TESTS=OFF -DMOVELLE_BENCH=OFF
    # moc's helper targets (name_autogen) are no fuzz targets.
    targets=$(cmake --build build-fuzz --target help | sed -n 's/^\.\.\. \(fuzz_[a-z0-9_]*\).*/\1/p' | grep -v '_autogen$')
    for t in $targets; do
        cmake --build build-fuzz -j2 --target "$t"
        bin=$(find build-fuzz -type f -name "$t" -perm -u+x | head -n 1)
        corpus=$(mktemp -d)
        mapfile -t seeds < <(find fuzz -type d -name 'corpus*')
        echo "Fuzzing $t for ${2:-30} s"
        "$bin" -max_total_time="${2:-30}" -timeout=10 -rss_limit_mb=2048 "$corpus" "${seeds[@]}"
        rm -rf "$corpus"
    done
    ;;
*)
    echo "usage: $0 run|test|sanitize|fuzz [seconds]" >&2
    exit 2
    ;;
esac
