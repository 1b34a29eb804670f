#!/usr/bin/env bash
# Installs everything Zarvon needs to build, run and test on Debian 12.
# Idempotent: when every package is already there it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  zlib1g-dev libminizip-dev
  libgtest-dev googletest
  zip unzip 7zip libarchive-tools python3
  libunrar5 libunrar-headers rar unrar
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The UnRAR library and rar live in Debian's non-free component.
nonfree=/etc/apt/sources.list.d/zarvon-non-free.sources
if ! grep -rqs 'non-free' /etc/apt/sources.list /etc/apt/sources.list.d/ ; then
  $sudo tee "$nonfree" >/dev/null <<'SRC'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: non-free
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
