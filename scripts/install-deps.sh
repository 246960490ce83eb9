#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Brimwick
# need. Idempotent: when everything is there it only asks dpkg and returns.
set -euo pipefail

packages=(
  make cmake ninja-build ccache g++ clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  64tass cbmconvert cc1541 libpng-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
