#!/usr/bin/env bash
# Builds and starts modupd4620. With no adapter attached it runs on the
# simulated station; pass your own options to override (e.g. none for real hardware).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [[ $# -eq 0 ]]; then set -- --simulate; fi
exec ./build/bin/modupd4620 "$@"
