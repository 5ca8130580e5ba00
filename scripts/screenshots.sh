#!/usr/bin/env bash
# Renders the windows offscreen into docs/screenshots for the README, and the main window once
# more at scale 2, as a high-density screen shows it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
"$root/build/tools/screenshots/merolan_screenshots" "$root/docs/screenshots"
QT_SCALE_FACTOR=2 "$root/build/tools/screenshots/merolan_screenshots" "$root/docs/screenshots" main_window@2x.png
