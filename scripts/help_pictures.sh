#!/usr/bin/env bash
# Makes the pictures of the manual (help/pictures/<language>/*.png) from the
# real windows, in every language, on a virtual X server. Run it after a
# window changed, look at the pictures and commit them.
#   scripts/help_pictures.sh [build folder]     (default: build)
# VINRA_XVFB_DISPLAY: the first display number to try (default 99).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" -j2 --target help_pictures_test
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# A real X server (not Qt's offscreen platform), so the windows are drawn by
# the same platform plugin the player's desktop uses.
VINRA_HELP_PICTURES="$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -n "${VINRA_XVFB_DISPLAY:-99}" -s "-screen 0 1280x1024x24" "$build/tests/help_pictures_test"
# Modest files: at most 900 pixels wide, a 256-colour palette.
for lang in sv en da no fi; do
  mkdir -p "help/pictures/$lang"
  for png in "$out/$lang"/*.png; do
    convert "$png" -resize '900x>' -colors 256 -strip "PNG8:help/pictures/$lang/$(basename "$png")"
  done
done
du -sh help/pictures
