#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: packages that are already installed are skipped, and
# apt-get is not touched at all when nothing is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache clang-format pkg-config git
  # Qt 6 and its platform plugins (offscreen for widget tests, xcb for the desktop)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6opengl6-dev
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev
  qt6-multimedia-dev libqt6svg6
  # libraries of the stack
  libzip-dev zlib1g-dev libhunspell-dev hunspell-en-us libpulse-dev
  libxcb1-dev libxcb-ewmh-dev libxcb-keysyms1-dev libxcb-xtest0-dev
  libxcb-xinput-dev libxcb-xkb-dev libxcb-screensaver0-dev libxcb-res0-dev libxcb-icccm4-dev
  libx11-xcb-dev libxkbcommon-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth openbox x11-utils
  fonts-dejavu-core fonts-dejavu-extra fzf fd-find hyperfine
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
