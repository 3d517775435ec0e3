#!/usr/bin/env bash
# Installs what the project needs on Debian 12 and configures and builds it in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev
  libasound2-dev librtmidi-dev libfluidsynth-dev
  fonts-dejavu-core fonts-wqy-microhei
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -eq 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  elif command -v sudo >/dev/null; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Please install as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

BUILD_TYPE="${ZEL_BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${ZEL_CMAKE_ARGS:-} >/dev/null
cmake --build build -j "$(nproc)"
