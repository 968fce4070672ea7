#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Keyloft need.
# Packages already installed are skipped; nothing is downloaded from anywhere but Debian's archive.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libcli11-dev nlohmann-json3-dev
  xvfb xauth poppler-utils fonts-dejavu-core
  help2man librsvg2-bin gzip dpkg-dev file desktop-file-utils appstream
  libsodium-dev
)
# Other scripts pass the packages of their own part instead.
if [ $# -gt 0 ]; then
  packages=("$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
elif command -v sudo >/dev/null 2>&1; then
  sudo apt-get update
  sudo DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
else
  echo "Keyloft needs these Debian packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
