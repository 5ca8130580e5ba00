#!/usr/bin/env bash
# Builds the Debian package build/merolan_<version>_amd64.deb and checks it with lintian and the
# desktop validators. Extra arguments go to CMake, e.g. -DMEROLAN_PROJECT_URL=https://...
# or -DMEROLAN_MAINTAINER="Name <address>".
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
# lintian is for this script only, so it stays out of the list every build installs.
if ! dpkg-query -W -f='${Status}' lintian 2>/dev/null | grep -q 'install ok installed'; then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends lintian
fi
bash "$root/scripts/build.sh" "$@"
ctest --test-dir "$root/build" --output-on-failure -R '^(desktop_entry_valid|appstream_metadata_valid|manual_pages_lint)$'
(cd "$root/build" && cpack -G DEB)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/CMakeCache.txt")
deb="$root/build/merolan_${version}_$(dpkg --print-architecture).deb"
# Errors fail the package; warnings and notes are printed for whoever reads along.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "$deb"
