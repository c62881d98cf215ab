#!/usr/bin/env bash
# Velmora developer entry point.
#   scripts/dev.sh run [ARGS...]  install what is missing, build, start Velmora
#                                 on its simulated device (extra ARGS go to velmora)
#   scripts/dev.sh test           install what is missing, build, run every test
#   scripts/dev.sh build          install what is missing and build
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev
    qt6-base-dev qt6-serialport-dev
    desktop-file-utils appstream file dpkg-dev ccache
    clang libclang-rt-dev
    g++-mingw-w64-x86-64
    xvfb xauth openssl
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$jobs"
}

cmd="${1:-run}"
shift || true
case "$cmd" in
build)
    install_missing
    configure_and_build
    ;;
run)
    install_missing
    configure_and_build
    if [ -x "$build/app/velmora" ]; then
        exec "$build/app/velmora" --simulate "$@"
    fi
    exec "$build/simulator/velmora-devsim" "$@"
    ;;
test)
    install_missing
    configure_and_build
    status=0
    ctest_log="$build/ctest-summary.log"
    (cd "$build" && ctest --output-on-failure -j "$jobs") | tee "$ctest_log" || status=1
    extra_failed=0
    for extra in "$here"/scripts/test.d/*.sh; do
        [ -e "$extra" ] || continue
        echo "== $(basename "$extra")"
        bash "$extra" "$here" "$build" || { status=1; extra_failed=$((extra_failed + 1)); }
    done
    # One closing line for the whole run: ctest's executables plus the extra checks.
    total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$ctest_log" | tail -1)
    failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$ctest_log" | tail -1)
    extras=$(ls "$here"/scripts/test.d/*.sh 2>/dev/null | wc -l)
    total=${total:-0}; failed=${failed:-0}
    echo "$((total - failed + extras - extra_failed)) passed, $((failed + extra_failed)) failed"
    exit $status
    ;;
*)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
