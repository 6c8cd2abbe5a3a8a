#!/usr/bin/env bash
# Builds the Debian package (vinra2000_<version>_<arch>.deb) with Debian's own
# compiler and linker flags, in its own build folder, and checks it with
# lintian when that is installed. Not part of ./test.sh: a second full build.
#   packaging/build-deb.sh [BUILD_FOLDER]     (default build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
vinra_install_packages
build="${1:-build-deb}"

# Debian's hardening (fortified functions, stack protector, PIE, full RELRO,
# bind now). -g is left out: the package is stripped anyway. CMake does not read
# CPPFLAGS, so they go in front of CXXFLAGS.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CXXFLAGS_MAINT_STRIP="-g"
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVINRA_BUILD_TESTS=OFF -DVINRA_BUILD_BENCH=OFF
cmake --build "$build" -j"${VINRA_JOBS:-$(nproc)}"
rm -f "$build"/vinra2000_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/vinra2000_*.deb)
echo "build-deb.sh: $deb"
dpkg-deb --info "$deb"
if command -v lintian >/dev/null; then
  lintian --info --display-info --pedantic "$deb" || true
else
  echo "build-deb.sh: lintian is not installed (apt-get install lintian); the package was not checked" >&2
fi
