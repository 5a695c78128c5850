#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with, skipping those present.
set -euo pipefail
packages=(cmake make g++ clang clang-format clang-tidy libclang-rt-14-dev qt6-base-dev libgl-dev
          libbenchmark-dev fonts-liberation2 python3 desktop-file-utils appstream zlib1g-dev
          libdivsufsort-dev pkg-config help2man dpkg-dev lintian)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
