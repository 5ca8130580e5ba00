#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (fuzz smoke runs included) through CTest,
# then runs the unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600

# Debug leaves Qt's own index checks in its inline container code on. The leak checker stays on
# without suppressions: Qt, fontconfig and the offscreen platform leave nothing behind at exit in
# these tests, so any report is ours.
# Test discovery runs the test program while building, so the options apply to both steps.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1
cmake -S "$root" -B "$root/build-asan" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DMEROLAN_WERROR=ON \
    -DMEROLAN_SANITIZE=ON
cmake --build "$root/build-asan" --parallel "$(nproc)" --target merolan_tests
cd "$root/build-asan"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600
