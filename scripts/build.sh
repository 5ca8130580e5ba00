#!/usr/bin/env bash
# Configures and builds everything into build/ with clang, so the fuzz targets come along.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DMEROLAN_WERROR=ON "$@"
cmake --build "$root/build" --parallel "$(nproc)"
