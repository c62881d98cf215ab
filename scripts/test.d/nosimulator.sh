#!/usr/bin/env bash
# Builds the application without the simulated device, in a build folder of
# its own, as it is built where there are no pseudo-terminals (Windows): the
# product must not depend on the simulator. Only the application is built.
#   bash scripts/test.d/nosimulator.sh <repo> <build>
set -euo pipefail

repo="$(cd "${1:?usage: nosimulator.sh <repo> <build>}" && pwd)"
build="${2:?usage: nosimulator.sh <repo> <build>}"
out="${build%/}-nosimulator"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Objects of the main build folder serve here too.
    export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1
fi

cmake -S "$repo" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DVELMORA_WITH_SIMULATOR=OFF -DBUILD_TESTING=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j2 --target velmora
if QT_QPA_PLATFORM=offscreen "$out/app/velmora" --help | grep -q -- '--simulate'; then
    echo "nosimulator: --simulate is offered by a build without the simulator" >&2
    exit 1
fi
if [ -e "$out/simulator" ] && find "$out/simulator" -name 'libvelmora_sim*' | grep -q .; then
    echo "nosimulator: the simulator library was built" >&2
    exit 1
fi
echo "nosimulator: velmora built without the simulator"
