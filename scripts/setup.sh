#!/usr/bin/env bash
# Installs what the project needs on Debian 12 and configures and builds it in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libegl-dev libxkbcommon-dev
  qt6-translations-l10n
  libgtest-dev libgmock-dev
  libasound2-dev librtmidi-dev libfluidsynth-dev
  jackd2 libjack-jackd2-dev
  fonts-dejavu-core fonts-wqy-microhei
  poppler-utils
)
command -v npm >/dev/null || PACKAGES+=(npm)

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

# The music font (Bravura, OFL) comes from the npm registry, pinned; it is not committed.
BRAVURA_VERSION=1.0.2
FONT_DIR=build/fonts
if [[ ! -f "$FONT_DIR/Bravura.otf" || ! -f "$FONT_DIR/bravura-$BRAVURA_VERSION.stamp" ]]; then
  mkdir -p "$FONT_DIR"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "@vexflow-fonts/bravura@$BRAVURA_VERSION" >/dev/null && tar xzf ./*.tgz)
  cp "$tmp/package/bravura.otf" "$FONT_DIR/Bravura.otf"
  cp "$tmp/package/metadata.json" "$FONT_DIR/bravura_metadata.json"
  cp "$tmp/package/LICENSE.txt" "$FONT_DIR/Bravura-LICENSE.txt"
  rm -rf "$tmp"
  touch "$FONT_DIR/bravura-$BRAVURA_VERSION.stamp"
fi

BUILD_TYPE="${ZEL_BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${ZEL_CMAKE_ARGS:-} >/dev/null
cmake --build build -j "$(nproc)"
