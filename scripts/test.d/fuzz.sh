#!/usr/bin/env bash
# Builds the libFuzzer targets in their own clang build directory and fuzzes
# them for a minute in all, starting from the committed seeds: half for the
# serial receivers, a quarter each for the mapping read-back parser and the
# configuration file reader (seeded with the golden configuration files).
#   bash scripts/test.d/fuzz.sh <repo> <build>
# Fails on any crash, leak, timeout or broken invariant.
set -euo pipefail

repo="$(cd "${1:?usage: fuzz.sh <repo> <build>}" && pwd)"
build="${2:?usage: fuzz.sh <repo> <build>}"
mkdir -p "${build%/}-fuzz"
fuzz_build="$(cd "${build%/}-fuzz" && pwd)"
total_seconds="${VELMORA_FUZZ_SECONDS:-60}"
targets=(velmora-fuzz-receivers velmora-fuzz-mappingreadback velmora-fuzz-configreader)
# Each target's share of the time, its seeds and its longest input, in the
# order of targets. A configuration file is a few kilobytes of JSON.
shares=(2 1 1)
seeds=(fuzz/corpus fuzz/corpus tests/configfile/golden)
max_lens=(8192 8192 32768)

for tool in clang clang++; do
    command -v "$tool" >/dev/null || { echo "fuzz: $tool not found" >&2; exit 1; }
done

CC=clang CXX=clang++ cmake -S "$repo" -B "$fuzz_build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF -DBUILD_TESTING=OFF \
    >/dev/null
ninja -C "$fuzz_build" -j2 "${targets[@]}"

# A smaller allocator quarantine keeps long runs well inside the RSS limit
# without hiding use-after-free in inputs of a few kilobytes.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

share_sum=0
for share in "${shares[@]}"; do share_sum=$(( share_sum + share )); done
total_runs=0
for index in "${!targets[@]}"; do
    target="${targets[$index]}"
    per_target=$(( total_seconds * ${shares[$index]} / share_sum ))
    (( per_target > 0 )) || per_target=1
    binary="$(find "$fuzz_build" -type f -name "$target" -perm -u+x | head -n 1)"
    [ -n "$binary" ] || { echo "fuzz: $target was not built" >&2; exit 1; }

    # A fresh work corpus each time: the committed seeds stay as they are and
    # one run's findings do not steer the next.
    work="$fuzz_build/corpus-work/$target"
    rm -rf "$work"
    mkdir -p "$work"
    cp "$repo/${seeds[$index]}"/* "$work"/
    artifacts="$fuzz_build/artifacts/$target/"
    mkdir -p "$artifacts"
    log="$fuzz_build/$target.log"

    echo "fuzz: $target for ${per_target}s"
    status=0
    (cd "$fuzz_build" && "$binary" "$work" \
        -max_total_time="$per_target" -rss_limit_mb=512 -timeout=5 -max_len="${max_lens[$index]}" \
        -print_final_stats=1 -artifact_prefix="$artifacts") >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target FAILED (exit $status); reproducer in $artifacts, log in $log" >&2
        exit 1
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    total_runs=$(( total_runs + ${runs:-0} ))
done

echo "fuzz: $total_runs runs, no crash"
