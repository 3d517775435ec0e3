#!/usr/bin/env bash
# Sets up, builds and starts Zelmarin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/zelmarin "$@"
