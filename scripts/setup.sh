#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Keyloft need.
# Packages already installed are skipped; nothing is downloaded from anywhere but Debian's archive.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libcli11-dev nlohmann-json3-dev
  xvfb xauth poppler-utils fonts-dejavu-core dbus-daemon
  help2man librsvg2-bin gzip dpkg-dev file desktop-file-utils appstream devscripts
  libsodium-dev libzxcvbn-dev libutf8proc-dev
  libminizip-dev libexpat1-dev
  keepassxc
)
# Runs a command as root: directly, through sudo, or not at all (then says what to run).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "Keyloft needs this run as root: $*" >&2
    return 1
  fi
}

# --enable-sources: the source entries (deb-src) of the same Debian archive that the system installs
# from, so that `apt-get source` works (the Windows build makes libsodium from its source package).
if [ "${1:-}" = "--enable-sources" ]; then
  list=/etc/apt/sources.list.d/keyloft-deb-src.sources
  if [ -f "$list" ] || grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d; then
    exit 0
  fi
  entries=$(mktemp)
  trap 'rm -f "$entries"' EXIT
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$entries"
  elif [ -f /etc/apt/sources.list ]; then
    list=/etc/apt/sources.list.d/keyloft-deb-src.list
    sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list >"$entries"
  fi
  if [ ! -s "$entries" ]; then
    echo "setup.sh: no Debian archive entries found in /etc/apt" >&2
    exit 1
  fi
  echo "Enabling the source entries of the Debian archive ($list)"
  as_root install -m 644 "$entries" "$list"
  as_root apt-get update
  exit 0
fi

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
if [ "$(id -u)" -eq 0 ] || command -v sudo >/dev/null 2>&1; then
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
else
  echo "Keyloft needs these Debian packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
