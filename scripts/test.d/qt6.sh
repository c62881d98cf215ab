#!/usr/bin/env bash
# The second build of the test command, in a build folder of its own: against
# Qt 6, and without the simulated device on a pseudo-terminal, as it is built
# where there are none (Windows). The application must build and must not
# offer --simulate or build the pseudo-terminal simulator, and the Qt Core test
# suites pass there, the simulated device's own logic (which offline editing
# runs in-process) among them. Only what that check needs is built; ccache
# keeps repeated runs short.
#   bash scripts/test.d/qt6.sh <repo> <build>
set -euo pipefail

repo="$(cd "${1:?usage: qt6.sh <repo> <build>}" && pwd)"
build="${2:?usage: qt6.sh <repo> <build>}"
out="${build%/}-qt6"

for package in qt6-base-dev qt6-serialport-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || { echo "qt6: $package is needed (scripts/dev.sh installs it)" >&2; exit 1; }
done
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1
fi

mkdir -p "$out"
cmake -S "$repo" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DVELMORA_QT_MAJOR=6 -DVELMORA_WITH_SIMULATOR=OFF -DVELMORA_BUILD_BENCH=OFF >"$out/configure.log" 2>&1 \
    || { cat "$out/configure.log" >&2; echo "qt6: configure failed" >&2; exit 1; }
grep -q '^Qt6_DIR:' "$out/CMakeCache.txt" && ! grep -q '^Qt5_DIR:PATH=/' "$out/CMakeCache.txt" \
    || { echo "qt6: the build did not pick Qt 6 alone" >&2; exit 1; }
cmake --build "$out" -j2 --target velmora velmora_core_tests

QT_QPA_PLATFORM=offscreen "$out/app/velmora" --version | grep -q "2\.0\.1" \
    || { echo "qt6: the Qt 6 velmora does not start" >&2; exit 1; }
if QT_QPA_PLATFORM=offscreen "$out/app/velmora" --help | grep -q -- '--simulate'; then
    echo "qt6: --simulate is offered by a build without the simulator" >&2
    exit 1
fi
# The simulated device's logic is built everywhere (offline editing runs it
# in-process); serving it on a pseudo-terminal is not.
if find "$out" \( -name 'libvelmora_sim.*' -o -name 'velmora-devsim' \) | grep -q .; then
    echo "qt6: the pseudo-terminal simulator was built" >&2
    exit 1
fi
echo "qt6: velmora built on Qt 6 without the pseudo-terminal simulator"
(cd "$out" && ctest -L core --output-on-failure -j 2)
