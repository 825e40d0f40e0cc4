# Shared by the scripts: installs what is missing and knows the build folders.
# shellcheck shell=bash

VIXO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${VIXO_JOBS:-$(nproc 2>/dev/null || echo 2)}"

# Debian packages that building and running the programs needs (scripts/run): the build tools
# and the libraries the programs link.
VIXO_RUN_PACKAGES=(cmake g++ ninja-build pkg-config uuid-dev libglib2.0-dev libwxgtk3.2-dev)
# FFmpeg for the video sources.
VIXO_RUN_PACKAGES+=(libavformat-dev libavcodec-dev libavutil-dev libswscale-dev)
# cairo for the video painter's drawing into windows; Xlib for what the player asks the X server.
VIXO_RUN_PACKAGES+=(libcairo2-dev libx11-dev)
# The QR code of the online test's address.
VIXO_RUN_PACKAGES+=(libqrcodegencpp-dev)
# The ffmpeg command makes the demo task's clips (scripts/run and the program's own test).
VIXO_RUN_PACKAGES+=(ffmpeg)
# Running without a display: a virtual X server, and python3 to read its screen into a picture.
VIXO_HEADLESS_PACKAGES=(xvfb xauth python3)

# What the tests add (scripts/test): GoogleTest, Google Benchmark with nlohmann's JSON library
# as the benchmarks' reference, and the layout checker.
VIXO_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev clang-format)
# A real FTP server for the upload tests.
VIXO_TEST_PACKAGES+=(python3-pyftpdlib)
# Real HTTP clients for the web server's tests.
VIXO_TEST_PACKAGES+=(curl python3)
# A real browser for the observers' page: headless Chromium driven by Selenium.
VIXO_TEST_PACKAGES+=(chromium chromium-driver python3-selenium)
# A reader that decodes the QR code back.
VIXO_TEST_PACKAGES+=(zbar-tools)
# Windows under a virtual X server and a session bus for the tests.
VIXO_TEST_PACKAGES+=(xvfb xauth dbus x11-utils xdotool)
# Two displays side by side for the players' tests: Xorg with its dummy driver and xrandr.
VIXO_TEST_PACKAGES+=(xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)
# A window manager for the window tests that run on a desktop like an operator's.
VIXO_TEST_PACKAGES+=(openbox)
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
