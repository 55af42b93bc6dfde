#!/usr/bin/env bash
# Installs what the build and the tests need when it is missing (Debian, as root).
set -euo pipefail
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libgl1-mesa-dev \
           libglu1-mesa-dev libgl1-mesa-dri xvfb xauth libqhull-dev clang libomp-dev \
           libedit-dev pkg-config; do
  have_pkg "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -eq 0 ]; then exit 0; fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${need[*]} (run as root to install them)" >&2
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}"
