#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tamarack need.
# Quiet and idempotent: packages already present are not touched, and apt is only
# asked when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libsdl2-dev libsdl2-mixer-dev
  libjpeg62-turbo-dev libpng-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils
  sox libsox-fmt-all vorbis-tools ffmpeg
  libopenmpt-dev
  libavformat-dev libavcodec-dev libswresample-dev libswscale-dev libavutil-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
echo "tamarack: installing ${missing[*]}" >&2
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
