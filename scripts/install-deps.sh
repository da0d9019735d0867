#!/usr/bin/env bash
# Installs what building, running and testing KAVRIS needs on Debian 12, if it is missing.
#   scripts/install-deps.sh [MORE PACKAGES...]   (scripts/fuzz.sh adds clang and its runtimes)
set -euo pipefail

# lrelease and lupdate (the English catalogue): qttools5-dev-tools for Qt 5, qt6-l10n-tools for Qt 6.
packages=(cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools qt6-base-dev libftdi1-dev
          libqt5svg5-dev qt6-svg-dev qttools5-dev-tools qt6-l10n-tools fonts-wqy-microhei "$@")
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
