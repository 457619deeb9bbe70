#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need,
# only when some are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev
  libbenchmark-dev libexpat1-dev libzip-dev xvfb xauth fonts-dejavu-core zip unzip p7zip-full
  python3 clang clang-format g++-multilib)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
