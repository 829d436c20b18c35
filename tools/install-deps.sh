#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tamarack need,
# on Debian 12 (bookworm) and Debian 13 (trixie): the names below exist on both;
# "a|b" names alternatives, of which the first one installed counts, else the
# first one apt offers. Given package names as arguments, it installs those
# instead, the same way (tools/build-windows.sh names its cross tools so).
# Quiet and idempotent: packages already present are not touched, and apt is only
# asked when something is missing. When another program holds apt's lock (an
# unattended upgrade, say), it waits for it, up to 5 minutes, and says so once.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libsdl2-dev libsdl2-mixer-dev
  libjpeg-dev libpng-dev libsdl2-image-dev libjpeg-turbo-progs
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libcli11-dev nlohmann-json3-dev
  libassimp-dev
  libgtest-dev libgmock-dev googletest
  clang "libclang-rt-dev|libclang-rt-19-dev|libclang-rt-14-dev" clang-format
  xvfb xauth xdotool x11-utils
  sox libsox-fmt-all vorbis-tools ffmpeg
  libopenmpt-dev
  libavformat-dev libavcodec-dev libswresample-dev libswscale-dev libavutil-dev
  file dpkg-dev man-db
  chromium
)
[ $# -eq 0 ] || packages=("$@")

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for entry in "${packages[@]}"; do
  IFS='|' read -r -a names <<<"$entry"
  have=0
  for p in "${names[@]}"; do
    if installed "$p"; then have=1; break; fi
  done
  [ $have -eq 1 ] || missing+=("$entry")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# Runs an apt-get command; while another program holds apt's lock, tries again
# every few seconds for up to 5 minutes. Its output is shown only on failure.
lock_wait=${TAMARACK_APT_LOCK_WAIT:-300}
lock_poll=${TAMARACK_APT_LOCK_POLL:-5}
said_busy=0
apt_get() {
  local start=$SECONDS out
  while :; do
    if out=$($sudo apt-get "$@" 2>&1); then return 0; fi
    if grep -qiE 'could not get lock|unable to acquire the dpkg frontend lock|unable to lock' <<<"$out" &&
      [ $((SECONDS - start)) -lt "$lock_wait" ]; then
      if [ $said_busy -eq 0 ]; then
        echo "tamarack: apt is busy (another program holds its lock); waiting for it, up to 5 minutes" >&2
        said_busy=1
      fi
      sleep "$lock_poll"
      continue
    fi
    printf '%s\n' "$out" >&2
    return 1
  done
}

apt_get update -qq
# The first alternative apt offers (a candidate version), else the first named.
chosen=()
for entry in "${missing[@]}"; do
  IFS='|' read -r -a names <<<"$entry"
  pick=${names[0]}
  for p in "${names[@]}"; do
    if apt-cache policy "$p" 2>/dev/null | grep -q 'Candidate: [^(]'; then pick=$p; break; fi
  done
  chosen+=("$pick")
done
echo "tamarack: installing ${chosen[*]}" >&2
apt_get install -y -qq --no-install-recommends "${chosen[@]}"
