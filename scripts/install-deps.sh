#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, when missing; with the argument "tests"
# also what the tests need, with "xvfb" the virtual screen (Xvfb, xvfb-run and the xauth it
# needs) that runs the program without a desktop, with "screenshot" that and the tools the README's picture is
# taken with. No sound server is installed for the tests on a user's machine:
# the packages of PulseAudio and PipeWire enable their services for every user, and a
# desktop that runs the other server would get a second one at the next login. The sound
# sessions' tests start those servers privately where they are installed and are skipped,
# with the reason, where they are not. CI (CI=true) installs them, so that every test runs.
# Works as root, or as a user with sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libasound2-dev alsa-utils libfftw3-dev libpulse-dev libzita-resampler-dev
  libasound2-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
)
if [[ "${1:-}" == "tests" && "${CI:-}" == "true" ]]; then
  packages+=(pulseaudio pulseaudio-utils pipewire wireplumber pipewire-pulse dbus)
fi
if [[ "${1:-}" == "xvfb" || "${1:-}" == "screenshot" ]]; then
  packages+=(xvfb xauth)
fi
if [[ "${1:-}" == "screenshot" ]]; then
  packages+=(x11-utils imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "Missing packages: ${missing[*]}; run this as root or install sudo." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
