# Shared set-up of the Windows build (scripts/windows, scripts/test): the cross compiler, Wine and
# Expat built from Debian's source package. Sourced after scripts/lib/setup.sh, not run.

# The MinGW-w64 compilers with POSIX threads (std::thread), Wine with a virtual display for the
# Windows programs, dpkg-dev for unpacking Debian's Expat source, NSIS and zip for the installer
# and the portable archive.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                  wine wine64 xvfb dpkg-dev nsis zip)

# The version of Expat in the main archive of this release, the one the Linux build links.
EXPAT_SOURCE_VERSION=2.5.0-1+deb12u2
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build/windows}

# Adds the source line of the main archive, so apt-get source can fetch Debian's packages.
ensure_debian_sources() {
  local list=/etc/apt/sources.list.d/rufkartei-debian-src.sources
  if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources; then return 0; fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Debian's source packages are not available; add a deb-src entry for deb.debian.org/debian bookworm."
    exit 1
  fi
  cat >"$list" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  flock /tmp/apt.lock apt-get update -q
}

# Fetches Debian's Expat source (its patches applied) and builds the UTF-16 static library with
# the options of Debian's libexpatw (XML_UNICODE: 16-bit XML_Char; DTD, namespaces and 1024 context
# bytes, configure's defaults) into $WINDOWS_BUILD_DIR/expat; done once per build folder.
build_windows_expat() {
  local root=$1
  local work="$root/$WINDOWS_BUILD_DIR/expat"
  [ -f "$work/install/lib/libexpatw.a" ] && return 0
  mkdir -p "$work"
  if [ ! -d "$work/source" ]; then
    ensure_debian_sources
    rm -rf "$work/fetch" && mkdir -p "$work/fetch"
    (cd "$work/fetch" && apt-get source -q "expat=$EXPAT_SOURCE_VERSION")
    mv "$work/fetch/expat-${EXPAT_SOURCE_VERSION%%-*}" "$work/source"
    rm -rf "$work/fetch"
  fi
  cmake -S "$work/source/expat" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$work/install" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_CHAR_TYPE=ushort \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
    -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_DTD=ON -DEXPAT_NS=ON -DEXPAT_CONTEXT_BYTES=1024 >/dev/null
  # Debian's security patches test "#if XML_DTD == 1", as its configure script defines it; Expat's
  # CMake defines the switches empty.
  sed -i -E 's/^#define (XML_DTD|XML_NS)$/#define \1 1/' "$work/build/expat_config.h"
  cmake --build "$work/build"
  cmake --install "$work/build" >/dev/null
}

# Builds the Windows programs and runs their suite under Wine, then compares the two builds'
# output files byte for byte. The Wine display and server started for it end with the calling
# script, so later Windows tests of that script find them ready.
run_windows_suite() {
  local root=$1 linux_build=$2
  # shellcheck disable=SC2064  # the folder is fixed now
  trap "'$root/scripts/lib/wine-run' --stop '$root/$WINDOWS_BUILD_DIR'" EXIT
  "$root/scripts/windows"
  local status=0
  ctest --test-dir "$root/$WINDOWS_BUILD_DIR" --output-on-failure -j "$(nproc)" || status=$?
  if [ $status -eq 0 ]; then
    bash "$root/tests/windows/same_bytes.sh" "$linux_build/bench/rufkartei-bench" \
      "$root/$WINDOWS_BUILD_DIR/bin/rufkartei-bench.exe" "$linux_build/tests/xmlconf/xmlconf" \
      "$root/$WINDOWS_BUILD_DIR/same-bytes" || status=$?
    # 77: the comparison could not run (its message says why); the suite itself passed.
    [ $status -eq 77 ] && status=0
  fi
  return $status
}
