#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zorvane need,
# and the Japanese locale that Wine needs to draw the interface. Only what is
# missing is installed, so a machine that has everything is left untouched.
# Package names given as arguments are installed too (the benchmark's peers).
set -euo pipefail

packages=(
  cmake g++ make python3
  g++-mingw-w64-x86-64
  wine64
  xvfb xauth x11-utils imagemagick xdotool
  dovecot-pop3d openssl iproute2
  fonts-ipafont-gothic locales
  libgtest-dev
  clang libclang-rt-14-dev clang-format
  "$@"
)
locale_name="ja_JP.UTF-8"

as_root() {
  if [[ ${EUID} -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "install_packages.sh: need root to run: $*" >&2
    return 1
  fi
}

is_installed() {
  [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}

has_locale() {
  # locale -a spells the code set in its own way (ja_JP.utf8).
  locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'
}

missing=()
for package in "${packages[@]}"; do
  is_installed "${package}" || missing+=("${package}")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! has_locale; then
  echo "Generating the ${locale_name} locale"
  if grep -q "^# *${locale_name} UTF-8" /etc/locale.gen; then
    as_root sed -i "s/^# *\(${locale_name} UTF-8\)/\1/" /etc/locale.gen
  elif ! grep -q "^${locale_name} UTF-8" /etc/locale.gen; then
    echo "${locale_name} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen
fi
