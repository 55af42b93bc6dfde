#!/usr/bin/env bash
# Installs what the build and the tests need when it is missing (Debian, as root).
#   install-deps.sh              the program's build needs and the tests'
#   install-deps.sh --programme  the program's build needs only (make run)
set -euo pipefail
programme=(cmake ninja-build g++ make libx11-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libpng-dev libglpk-dev zlib1g-dev libedit-dev nlohmann-json3-dev pkg-config)
tests=(libgtest-dev clang-format libgmock-dev libbenchmark-dev xvfb xauth libqhull-dev clang libomp-dev python3-scipy python3-numpy strace libopenmpi-dev openmpi-bin)
wanted=("${programme[@]}")
if [ "${1:-}" != "--programme" ]; then wanted+=("${tests[@]}"); fi

# One dpkg-query for the whole list: a run with nothing missing stays quick.
need=()
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${wanted[@]}" 2>/dev/null | awk '/install ok installed/ {print $1}' || true)
for pkg in "${wanted[@]}"; do
  grep -qx "$pkg" <<<"$installed" || need+=("$pkg")
done
if [ ${#need[@]} -eq 0 ]; then exit 0; fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${need[*]} (run as root to install them)" >&2
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}"
