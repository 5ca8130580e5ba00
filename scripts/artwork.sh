#!/usr/bin/env bash
# Redraws the committed pictures in ui/artwork (front panel, meter face, warning lamp) and the
# desktop icon in packaging/icons (SVG, and PNGs at 48, 128 and 256 pixels).
# The generator is deterministic: an unchanged tree gives the same bytes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
"$root/build/tools/merolan_artwork" "$root/ui/artwork" "$root/packaging/icons"
