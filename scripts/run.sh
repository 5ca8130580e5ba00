#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with the meter simulator on "Com 1".
# Without a display it runs under a virtual X server (xvfb-run). The program keeps its settings in
# build/demo-settings, seeded with the factory calibration, never in the user's own settings file.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${MEROLAN_UNDER_XVFB:-}" ]]; then
    echo "No display found: running under xvfb-run."
    MEROLAN_UNDER_XVFB=1 exec xvfb-run -a "$0" "$@"
fi

simulator_out=$(mktemp)
"$root/build/tools/meter_sim/merolan-meter-sim" --sweep -50:-5:20 --noise 0.2 > "$simulator_out" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null; rm -f "$simulator_out"' EXIT
for _ in $(seq 100); do
    grep -q '^DEVICE ' "$simulator_out" && break
    sleep 0.1
done
device=$(sed -n 's/^DEVICE //p' "$simulator_out")
settings=$(bash "$root/scripts/demo-settings.sh" "$root/build/cli/merolan-cli" "$root/build/demo-settings")
echo "Simulated meter on $device: choose \"Com 1\" and press \"Start Measure\"."
XDG_CONFIG_HOME="$settings" "$root/build/app/merolan" --port "1=$device" "$@"
