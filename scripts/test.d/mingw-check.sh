#!/usr/bin/env bash
# Compiles the Windows USB description query with the MinGW cross compiler,
# so that a change to it cannot break the Windows build unnoticed.
# Usage: mingw-check.sh <repo> <build>
set -euo pipefail

repo="${1:?usage: mingw-check.sh <repo> <build>}"
compiler="${MINGW_CXX:-x86_64-w64-mingw32-g++}"

if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "mingw-check: $compiler not found; Windows query not checked (skipped)"
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

status=0
found=0
for source in "$repo"/device/win32/*.cpp; do
    [ -e "$source" ] || continue
    found=1
    object="$work/$(basename "${source%.cpp}").o"
    if "$compiler" -std=c++17 -Wall -Wextra -Werror -I"$repo" -c "$source" -o "$object"; then
        echo "mingw-check: ${source#"$repo"/} compiles"
    else
        echo "mingw-check: ${source#"$repo"/} does not compile" >&2
        status=1
    fi
done
if [ "$found" -eq 0 ]; then
    echo "mingw-check: no sources in $repo/device/win32" >&2
    status=1
fi
exit $status
