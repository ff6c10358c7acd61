#!/usr/bin/env bash
# Installs what is missing, builds Vantor and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF
cmake --build build --target vantor
exec build/app/vantor "$@"
