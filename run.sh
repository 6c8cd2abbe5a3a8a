#!/usr/bin/env bash
# Set-up, build and start the desktop program. Without a display it runs
# under a virtual X server (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vinra_install_packages
vinra_configure build
cmake --build build -j"$(nproc)"

# The data files (pool definitions, service settings, pictures) are installed
# into the data folder by the installer beside the program. The program runs
# it itself at its first start; running it here first keeps that start quick.
if [ -x build/bin/vinra2000-datafiles ]; then
  build/bin/vinra2000-datafiles /S || echo "run.sh: the data-files installer failed; the program will try again" >&2
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vinra2000 "$@"
else
  echo "run.sh: no display; starting Vinra 2000 under xvfb-run"
  exec xvfb-run -a build/bin/vinra2000 "$@"
fi
