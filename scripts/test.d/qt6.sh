#!/usr/bin/env bash
# Builds Velmora a second time, against Qt 6 and without the simulated device
# (as on a system without pseudo-terminals), in a build folder of its own:
# the application must build and the Qt Core test suites pass there. Only
# what that check needs is built; ccache keeps repeated runs short.
#   bash scripts/test.d/qt6.sh <repo> <build>
set -euo pipefail

repo="$(cd "${1:?usage: qt6.sh <repo> <build>}" && pwd)"
build="${2:?usage: qt6.sh <repo> <build>}"
qt6_build="${build%/}-qt6"

for package in qt6-base-dev qt6-serialport-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || { echo "qt6: $package is needed (scripts/dev.sh installs it)" >&2; exit 1; }
done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S "$repo" -B "$qt6_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DVELMORA_QT_MAJOR=6 -DVELMORA_WITH_SIMULATOR=OFF -DVELMORA_BUILD_BENCH=OFF >"$qt6_build.configure.log" 2>&1 \
    || { cat "$qt6_build.configure.log" >&2; echo "qt6: configure failed" >&2; exit 1; }
grep -q '^VELMORA_QT_MAJOR:STRING=6$' "$qt6_build/CMakeCache.txt" \
    || { echo "qt6: the build did not pick Qt 6" >&2; exit 1; }
cmake --build "$qt6_build" -j "$(nproc 2>/dev/null || echo 2)" --target velmora velmora_core_tests
QT_QPA_PLATFORM=offscreen "$qt6_build/app/velmora" --version | grep -q "2\.0\.1" \
    || { echo "qt6: the Qt 6 velmora does not start" >&2; exit 1; }
(cd "$qt6_build" && ctest -L core --output-on-failure -j 2)
