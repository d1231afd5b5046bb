# Shared set-up of scripts/run and scripts/test: Debian packages, then configure and build.
# Sourced, not run. Expects BUILD_TYPE, BUILD_DIR and optionally CMAKE_EXTRA (array).

# qt6-translations-l10n: Qt's own dialog texts in German; qt6-qpa-plugins: the xcb platform.
PACKAGES=(g++ cmake ninja-build pkg-config libexpat1-dev qt6-base-dev libgtest-dev
          libgmock-dev libbenchmark-dev fonts-liberation2 qt6-translations-l10n qt6-qpa-plugins
          librsvg2-bin)

# A real X display for the desktop tests and the screenshots: a virtual X server, a window
# manager, real input and the tools that read windows back; a session bus with the
# accessibility bus, a screen reader's client library and the Orca screen reader with the
# speech service it talks to; a headless Wayland compositor and Qt's Wayland platform.
DISPLAY_PACKAGES=(xvfb openbox xdotool wmctrl x11-utils x11-xserver-utils dbus-daemon
                  at-spi2-core python3-pyatspi gir1.2-atspi-2.0 weston qt6-wayland orca
                  speech-dispatcher)

# What building and checking the Debian package takes (scripts/package, the package tests).
PACKAGE_TOOLS=(dpkg-dev desktop-file-utils appstream)

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing Debian packages: ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  else
    echo "Missing Debian packages. Install them with:"
    echo "  sudo apt-get install ${missing[*]}"
    exit 1
  fi
}

configure_and_build() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  cmake -S "$root" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" "${CMAKE_EXTRA[@]}" >/dev/null
  cmake --build "$BUILD_DIR" "$@"
}
