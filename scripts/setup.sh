#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if missing.
set -euo pipefail
PKGS=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
      libftdi1-dev libgtest-dev libgmock-dev gputils fonts-dejavu-core sigrok-cli)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
