#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (fuzz smoke runs included) through CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600
