#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vora needs.
# Idempotent and quiet: packages already present are not fetched again.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # libraries
  librtmidi-dev libasound2-dev libjack-jackd2-dev libsdl2-dev libimgui-dev libgles-dev libegl-dev libegl-mesa0
  libgl1-mesa-dri nlohmann-json3-dev libcli11-dev libstb-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  jackd2 xvfb xdotool xauth python3
  # benchmarks: made-up input through the X server, timed by the benchmark itself
  libxtst-dev
  # the window's text
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime priority; answer once, non-interactively.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
