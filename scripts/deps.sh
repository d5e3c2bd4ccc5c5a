#!/usr/bin/env bash
# Installs the Debian packages Loamrun needs to build, test and run.
# Safe to run again: packages already installed are skipped, and nothing
# is asked of apt when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libode-dev duktape-dev libpng-dev zlib1g-dev libsdl2-dev libgl-dev nettle-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick clang
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
