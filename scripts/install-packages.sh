#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need (the
# accessibility robot: the AT-SPI buses, pyatspi and a window manager),
# only when some are missing: as root, or through sudo when it is there.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev
  libbenchmark-dev libexpat1-dev libzip-dev zlib1g-dev xvfb xauth fonts-dejavu-core zip unzip p7zip-full
  python3 clang clang-format g++-multilib qt6-translations-l10n
  at-spi2-core python3-pyatspi dbus-daemon dbus-bin openbox)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Missing Debian packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Installing them needs root: run this as root, or install sudo, or have an administrator run" >&2
    echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Updating the package lists..."
"${sudo[@]}" apt-get update -qq
# A first install downloads some hundred megabytes: one line per package shows it going on.
echo "Installing (download and set-up take a few minutes on a fresh machine)..."
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" |
  grep --line-buffered -E '^(Get:|Unpacking|Setting up) ' || true
# The pipe hides apt's own status: check the outcome.
for p in "${missing[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || {
    echo "Not installed: $p" >&2
    exit 1
  }
done
echo "Installed: ${missing[*]}"
