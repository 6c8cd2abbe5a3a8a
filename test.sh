#!/usr/bin/env bash
# Set-up, build and every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vinra_install_packages
vinra_configure build
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure -j"$(nproc)"
