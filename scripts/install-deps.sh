#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-charts-dev qt6-translations-l10n qt6-l10n-tools
  libcurl4-openssl-dev libzip-dev libxlsxwriter-dev libfmt-dev zlib1g-dev libcpp-httplib-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick fonts-dejavu-core python3-numpy desktop-file-utils appstream file
  libssl-dev openssl locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The tests check that number texts do not follow the C library's locale: they need a locale with
# a decimal comma, which a fresh machine does not have.
has_locale() { locale -a 2>/dev/null | grep -qiE '^ru_RU\.utf-?8$'; }
[ ${#missing[@]} -eq 0 ] && has_locale && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]} ru_RU.UTF-8" >&2; exit 1; }
  sudo="sudo"
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
fi
if ! has_locale; then
  echo "Generating the locale ru_RU.UTF-8"
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
