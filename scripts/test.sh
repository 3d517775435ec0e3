#!/usr/bin/env bash
# Sets up, builds and runs every test headless; then runs them again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (ZEL_SKIP_SANITIZERS=1 leaves that out).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j "$(nproc)" "$@")

if [[ "${ZEL_SKIP_SANITIZERS:-0}" != 1 ]]; then
  mkdir -p build-asan
  cp -r build/fonts build-asan/
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON >/dev/null
  cmake --build build-asan -j "$(nproc)" --target zel_test_binaries
  (cd build-asan && ctest --output-on-failure -j "$(nproc)" "$@")
fi
