#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (fuzz smoke runs included) through CTest,
# then runs the unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cd "$root"
ctest --preset release

# The "asan" preset builds into build-asan/. Debug leaves Qt's own index checks in its inline
# container code on. The leak checker stays on without suppressions: Qt, fontconfig and the
# offscreen platform leave nothing behind at exit in these tests, so any report is ours.
# Test discovery runs the test program while building, so the preset sets the sanitizers'
# options for the build as well as for the tests.
cmake --preset asan
cmake --build --preset asan --parallel "$(nproc)"
ctest --preset asan
