#!/usr/bin/env bash
# Builds the Debian package: the program in RelWithDebInfo for /usr with Debian's
# hardening flags, then CPack writes dist/mekira_<version>_<arch>.deb.
# Usage: build-deb.sh [build folder, default build-deb]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
jobs=${JOBS:-$(nproc)}

# The last commit dates the release in the metainfo and the changelog, so that the
# same source gives the same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi

# Fortified functions, stack protector, read-only relocations and immediate binding, as
# Debian builds its own packages.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

# No tests, and no build-tree fallback for the postal table: the packaged program must
# find the table installed beside it.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DMEKIRA_BUILD_TESTS=OFF -DMEKIRA_POSTAL_BUILD_TREE_FALLBACK=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$jobs"

# dist/ holds the package of this version only.
rm -f dist/mekira_*.deb
(cd "$build" && cpack -G DEB)
