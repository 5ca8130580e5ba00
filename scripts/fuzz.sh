#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 600) with a corpus kept in fuzz-corpus/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-600}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
for target in settings_record reading_frame settings_text calibration_import scpi_message; do
    mkdir -p "$root/fuzz-corpus/$target"
    "$root/build/fuzz/fuzz_$target" -max_total_time="$seconds" "$root/fuzz-corpus/$target"
done
