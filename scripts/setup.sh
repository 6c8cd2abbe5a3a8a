#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# and configures the build folder. Sourced by run.sh and test.sh.
set -euo pipefail

VINRA_PACKAGES=(
  cmake g++ ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libpugixml-dev libcurl4-openssl-dev nlohmann-json3-dev libcli11-dev libfmt-dev
  libcpp-httplib-dev
  qt6-base-dev qt6-multimedia-dev qt6-image-formats-plugins libgl-dev qt6-translations-l10n
  xvfb xauth poppler-utils fonts-dejavu-core
  desktop-file-utils appstream
  python3 python3-markdown
)

vinra_install_packages() {
  local missing=()
  for p in "${VINRA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

vinra_configure() {
  local build_dir="$1"
  shift
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
}
