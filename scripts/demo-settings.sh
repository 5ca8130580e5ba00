#!/usr/bin/env bash
# The settings folder of the demonstration (run.sh): a folder of its own, so the user's real
# settings file is never read or written, seeded with the factory record, so the simulated meter
# measures at once. A record the demonstration saved is kept; a missing or empty one is seeded.
# Prints the folder to use as XDG_CONFIG_HOME.
# Usage: demo-settings.sh MEROLAN_CLI FOLDER
set -euo pipefail
cli=$1
folder=$2
record="$folder/merolan/merolan.dat"
if [[ ! -s "$record" ]]; then
    mkdir -p "$folder/merolan"
    "$cli" settings default --yes --file "$record" >/dev/null
fi
printf '%s\n' "$folder"
