#!/usr/bin/env bash
# Builds everything and runs every test (widget tests on Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
