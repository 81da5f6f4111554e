#!/usr/bin/env bash
# Installs the Debian 12 packages Tavrin needs to build, run and test.
# Only packages that are missing are installed; runs apt-get through sudo when not root.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  portaudio19-dev libasound2-dev libasound2-plugins libpulse-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libsndfile1-dev libtag1-dev libfftw3-dev libsamplerate0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils alsa-utils dbus-daemon
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  lame sox ffmpeg flac opus-tools
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev file lintian dex
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
  fi
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another install running at the same time holds dpkg's lock: wait for it instead of failing.
$SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
