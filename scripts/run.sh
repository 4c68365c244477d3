#!/usr/bin/env bash
# Builds and starts modupd4620. Without options it looks for an adapter: when
# neither an FTDI USB device nor a parallel port is present it runs on the
# simulated station (a PIC18F4620 module on a Vantrel adapter). Options given
# on the command line are passed to the program as they are.
# Without a display (no X11 or Wayland session) it renders every window to
# out/windows/ instead, so a headless machine still shows what the program
# looks like.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

if [[ $# -eq 0 ]]; then
  hardware=0
  for v in /sys/bus/usb/devices/*/idVendor; do
    [[ -r $v && $(cat "$v") == 0403 ]] && hardware=1
  done
  compgen -G "/dev/parport*" >/dev/null && hardware=1
  if ((hardware == 0)); then
    echo "No adapter found: starting on the simulated station."
    set -- --simulate
  fi
fi

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "No display: rendering the windows of modupd4620 to out/windows/ instead."
  export QT_QPA_PLATFORM=offscreen
  mkdir -p out/windows
  ./build/bin/modupd4620 "$@" --render=out/windows
  ./build/bin/modupd4620 "$@" --render=out/windows --production
  ls -1 out/windows/modupd4620-*
  exit 0
fi
exec ./build/bin/modupd4620 "$@"
