#!/usr/bin/env bash
# Set-up, build and start the program. Until the desktop window exists this
# shows the engine at work on a sample system: its facts, a reduction and its warranty.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vinra_install_packages
vinra_configure build
cmake --build build -j"$(nproc)"

sample="resources/samples/sample.1x2"
echo "== vinra info $sample"
build/bin/vinra info "$sample" --json
for cmd in generate warranty; do
  if build/bin/vinra "$cmd" --help >/dev/null 2>&1; then
    out="$(mktemp -d)/sample-$cmd.1x2"
    case "$cmd" in
      generate) echo "== vinra generate (full expansion with the sample's conditions)"
                build/bin/vinra generate "$sample" -o "$out" --method full && build/bin/vinra info "$out" --json ;;
      warranty) echo "== vinra warranty"
                build/bin/vinra warranty "$sample" --json ;;
    esac
  fi
done
