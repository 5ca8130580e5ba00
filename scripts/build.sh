#!/usr/bin/env bash
# Configures and builds everything into build/ with clang (the "release" preset of
# CMakePresets.json), so the fuzz targets come along. Arguments go to the configure step.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset release "$@"
cmake --build --preset release --parallel "$(nproc)"
