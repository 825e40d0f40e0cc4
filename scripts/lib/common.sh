# Shared by the scripts: installs what is missing and knows the build folders.
# shellcheck shell=bash

VIXO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${VIXO_JOBS:-$(nproc 2>/dev/null || echo 2)}"

# Debian packages every configuration needs.
VIXO_PACKAGES=(cmake g++ ninja-build pkg-config uuid-dev libglib2.0-dev libwxgtk3.2-dev
               libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev clang-format)
# A real FTP server for the upload tests.
VIXO_PACKAGES+=(python3-pyftpdlib)
# Real HTTP clients for the web server's tests.
VIXO_PACKAGES+=(curl python3)
# FFmpeg for the video sources (and for the test videos the tests write).
VIXO_PACKAGES+=(libavformat-dev libavcodec-dev libavutil-dev libswscale-dev)
# A real browser for the observers' page: headless Chromium driven by Selenium.
VIXO_PACKAGES+=(chromium chromium-driver python3-selenium)
# cairo for the video painter's drawing into windows.
VIXO_PACKAGES+=(libcairo2-dev)
# Windows under a virtual X server and a session bus for the tests and headless runs.
VIXO_DISPLAY_PACKAGES=(xvfb xauth dbus x11-utils xdotool)
# Two displays side by side for the players' tests: Xorg with its dummy driver and xrandr.
VIXO_DISPLAY_PACKAGES+=(xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)
# A window manager for the window tests that run on a desktop like an operator's.
VIXO_DISPLAY_PACKAGES+=(openbox)
# The window tests read screenshots straight from the X server.
VIXO_PACKAGES+=(libx11-dev)
# The QR code of the online test's address, and a reader that decodes it back in the tests.
VIXO_PACKAGES+=(libqrcodegencpp-dev zbar-tools)
# The ffmpeg command makes the demo task's clips (scripts/run and the program's own test).
VIXO_PACKAGES+=(ffmpeg)
# The fuzz targets are built with clang's libFuzzer.
VIXO_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are not installed yet; nothing when all are there.
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# configure <build folder> <cmake arguments...>
configure() {
  local dir="$1"; shift
  cmake -S "$VIXO_ROOT" -B "$dir" -G Ninja "$@"
}
