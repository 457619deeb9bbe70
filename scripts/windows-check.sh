#!/usr/bin/env bash
# Keeps the Windows side of the platform layer compiling: the MinGW-w64 cross
# compiler builds platform/win and the code-page tables to objects, and checks
# the Qt-based part's syntax against the Linux Qt headers (Debian has no
# Windows build of Qt).
set -euo pipefail
cd "$(dirname "$0")/.."
cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
flags=(-std=c++20 -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Iplatform)
for src in platform/win/PlatformWin.cpp platform/common/CodePages.cpp; do
  "$cxx" "${flags[@]}" -c "$src" -o "$out/$(basename "$src").o"
  echo "windows: compiled $src"
done
qt=/usr/include/x86_64-linux-gnu/qt6
"$cxx" "${flags[@]}" -fsyntax-only -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" \
  platform/common/Desktop.cpp
echo "windows: syntax of platform/common/Desktop.cpp checked"
