#!/usr/bin/env bash
# Renders the three windows offscreen into docs/screenshots for the README.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
"$root/build/tools/screenshots/merolan_screenshots" "$root/docs/screenshots"
