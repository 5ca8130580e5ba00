#!/usr/bin/env bash
# Installs whatever Debian packages of debian-packages.txt are missing; does nothing when all are there.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done < "$here/debian-packages.txt"
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
