#!/usr/bin/env bash
# Configures and builds the given presets (default: native and windows) in build/<preset>.
set -euo pipefail
cd "$(dirname "$0")/.."

# Warnings are errors in CI and wherever KESTRUNE_WERROR=ON is set.
if [ -z "${KESTRUNE_WERROR:-}" ]; then
    if [ "${CI:-}" = "true" ]; then export KESTRUNE_WERROR=ON; else export KESTRUNE_WERROR=OFF; fi
fi

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native windows)
jobs=$(nproc 2>/dev/null || echo 2)

for preset in "${presets[@]}"; do
    echo "==> configure and build: $preset"
    cmake --preset "$preset" -DKESTRUNE_WERROR="$KESTRUNE_WERROR"
    cmake --build --preset "$preset" -j "$jobs"
done
