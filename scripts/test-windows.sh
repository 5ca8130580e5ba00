#!/usr/bin/env bash
# Installs what is missing, builds the standard-library core and its unit tests as Windows
# programs with MinGW-w64 into build-windows/, and runs them under Wine through CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh" "$root/scripts/debian-packages-windows.txt"

cmake -S "$root/windows" -B "$root/build-windows" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DMEROLAN_WERROR=ON
cmake --build "$root/build-windows" --parallel "$(nproc)"
# The test sets up Wine itself (windows/CMakeLists.txt): a prefix of its own inside
# build-windows/, no display. Creating the prefix on the first run takes a while.
cd "$root/build-windows"
# Wine turns file names into the host's bytes through the caller's locale: without one (a
# minimal container, env -i) a name outside ASCII cannot be made. C.UTF-8 is on every Debian.
LC_ALL=C.UTF-8 ctest --output-on-failure --timeout 600
