#!/usr/bin/env bash
# Writes ../adoxport_<version>.orig.tar.xz, the upstream tarball of the
# "3.0 (quilt)" source package: the tree without debian/, the build folders
# and git's own files. From git (HEAD) when the tree is a git checkout with
# no changes, else from the files as they are; either way with fixed owners,
# order and times, so the same tree gives the same tarball.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(adoxport VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || {
  echo "orig-tarball: no version in CMakeLists.txt" >&2
  exit 1
}
out="../adoxport_${version}.orig.tar.xz"
prefix="adoxport-${version}"
if git rev-parse --git-dir >/dev/null 2>&1 && [ -z "$(git status --porcelain 2>/dev/null)" ]; then
  git archive --format=tar --prefix="$prefix/" HEAD -- . ':(exclude)debian' | xz -6 -T1 >"$out"
else
  mtime=$(date -u -d "$(dpkg-parsechangelog -S Date)" +%s)
  tar --exclude=./debian --exclude=./build --exclude=./.git --exclude='./obj-*' \
    --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$mtime" \
    --transform="s,^\.,$prefix," -cf - . | xz -6 -T1 >"$out"
fi
echo "orig-tarball: $(cd .. && pwd)/adoxport_${version}.orig.tar.xz"
