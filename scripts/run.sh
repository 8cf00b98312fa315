#!/usr/bin/env bash
# Builds vellory and starts the kitten on this user's X display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target vellory >/dev/null
exec build/vellory
