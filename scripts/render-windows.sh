#!/usr/bin/env bash
# Lays out every window of both programs in both operating modes on Qt's
# offscreen platform and saves them as out/windows/<program>-<mode>-<Window>.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
export QT_QPA_FONTDIR=${QT_QPA_FONTDIR:-/usr/share/fonts/truetype/dejavu}
out=out/windows
mkdir -p "$out"
for program in modupd4620 modupd2520; do
  ./build/bin/$program --render="$out"
  ./build/bin/$program --render="$out" --production
done
ls -1 "$out"
