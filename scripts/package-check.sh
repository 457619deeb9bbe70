#!/usr/bin/env bash
# Builds the Debian package as a packager does (dpkg-buildpackage on a clean
# copy of the tree), checks it with lintian, installs it with apt, runs the
# installed program as an ordinary user with a home of its own on the demo
# school (an unattended ANARPE export whose archive unzip must accept), and
# purges it, leaving no file behind. Run as root on a Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

step() { printf '\n== package: %s\n' "$*"; }
fail() {
  echo "package: FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "run as root (it installs and purges the package)"

version=$(sed -n 's/^project(adoxport VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
head -n 1 debian/changelog | grep -q "^adoxport ($version-" ||
  fail "debian/changelog does not start with version $version"
deb="adoxport_${version}-1_amd64.deb"

step "tools"
tools=(dpkg-dev debhelper fakeroot lintian desktop-file-utils appstream unzip binutils)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
chmod 755 "$work"
user=adoxcheck
cleanup() {
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

step "dpkg-buildpackage -us -uc -b"
src="$work/adoxport-$version"
mkdir "$src"
tar --exclude=./build --exclude=./.git --exclude='./obj-*' -cf - . | tar -xf - -C "$src"
apt-get build-dep -y -qq "$src" >/dev/null
(cd "$src" && dpkg-buildpackage -us -uc -b -j"$(nproc)") >"$work/build.log" 2>&1 || {
  tail -n 60 "$work/build.log"
  fail "dpkg-buildpackage"
}
grep -E "^(dpkg-deb|dpkg-buildpackage): " "$work/build.log"
ls -l "$work"/*.deb
[ -f "$work/$deb" ] || fail "$deb was not built"
ls "$work"/adoxport-dbgsym_"${version}"-1_amd64.*deb >/dev/null || fail "no -dbgsym package"
# ADOX_PACKAGE_OUT names a folder that keeps the packages.
if [ -n "${ADOX_PACKAGE_OUT:-}" ]; then cp "$work"/*.deb "$work"/*.changes "$ADOX_PACKAGE_OUT/"; fi

step "lintian"
# Info tags are shown too; the overrides (with their reasons) are in
# debian/adoxport.lintian-overrides.
lintian --fail-on error,warning --display-info "$work"/adoxport_"${version}"-1_amd64.changes
echo "lintian: no errors, no warnings; overridden:"
grep -v '^#' debian/adoxport.lintian-overrides

step "contents"
dpkg-deb -c "$work/$deb" | awk '{print $6}' >"$work/contents"
grep -q '^\./usr/lib/x86_64-linux-gnu/adoxport/ZipDll\.so$' "$work/contents" ||
  fail "the zip library is not in the private library folder"
if grep '^\./usr/bin/.*\.so$' "$work/contents"; then fail "a library in /usr/bin"; fi
for f in usr/bin/adoxport usr/bin/adoxport-classic usr/bin/packet-dump usr/bin/record-check \
  usr/share/man/man1/adoxport.1.gz usr/share/man/man1/adoxport-classic.1.gz \
  usr/share/man/man1/packet-dump.1.gz usr/share/man/man1/record-check.1.gz \
  usr/share/doc/adoxport/examples/hklm.reg usr/share/adoxport/guida/index.html \
  usr/share/icons/hicolor/scalable/apps/adoxport.svg usr/share/icons/hicolor/48x48/apps/adoxport.png; do
  grep -qx "\./$f" "$work/contents" || fail "$f missing"
done

step "apt-get install ./$deb"
(cd "$work" && apt-get install -y -qq "./$deb" >/dev/null)
dpkg -L adoxport | sort >"$work/installed"
for prog in adoxport adoxport-classic packet-dump record-check; do
  if readelf -d "/usr/bin/$prog" | grep -Eq 'RUNPATH|RPATH'; then fail "$prog carries a run path"; fi
done
desktop-file-validate /usr/share/applications/*adoxport*.desktop
appstreamcli validate --no-net /usr/share/metainfo/*adoxport*.metainfo.xml
adoxport --version
adoxport-classic --version
packet-dump --version
record-check --version
[ "$(adoxport --version)" = "adoxport $version" ] || fail "installed adoxport --version"
adoxport --help | head -n 1

step "unattended ANARPE export of the demo as an ordinary user"
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
cp -r demo/data demo/install "$home/"
# Git keeps no file times; the parameter file's date is a header field.
touch -d "2021-09-01 10:00:00" "$home"/install/ETC/datrex/*.ufp
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"MainDir"="%s/install/"\r\n' "$home" \
  >"$home/hklm.reg"
mkdir -m 700 "$home/.runtime"
chown -R "$user:" "$home"
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/.runtime" \
  ADOXPORT_HKLM="$home/hklm.reg" adoxport "$home/data" anarpe 1 --unattended --protocol DEMO/2021 \
  >"$work/export.log" 2>"$work/export.err" || {
  cat "$work/export.log" "$work/export.err"
  fail "the installed export did not finish"
}
tail -n 4 "$work/export.log"
archive="$home/rozadiver/datrex/anarpe/Anarpe.zip"
unzip -t "$archive"
listing=$(unzip -Z1 "$archive")
[ "$listing" = "$(printf 'Adoz001.txt\nAdoz002.txt\nAdoz003.txt\nAdoz004.txt')" ] ||
  fail "the archive holds: $listing"
record-check "$archive" >/dev/null || fail "record-check finds faults in the exported archive"
userdel -r "$user" >/dev/null 2>&1

step "apt-get purge adoxport"
apt-get purge -y -qq adoxport >/dev/null
status=$(dpkg-query -W -f='${Status}' adoxport 2>/dev/null || true)
case "$status" in *" installed" | *config-files*) fail "after purge: $status" ;; esac
left=0
while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then
    echo "left behind: $path"
    left=1
  fi
  case "$path" in /usr/share/adoxport* | /usr/lib/*/adoxport* | /usr/share/doc/adoxport*)
    if [ -d "$path" ]; then
      echo "left behind: $path/"
      left=1
    fi ;;
  esac
done <"$work/installed"
[ ! -e /etc/adoxport ] || {
  echo "left behind: /etc/adoxport"
  left=1
}
[ "$left" -eq 0 ] || fail "files left after purge"
echo "purge: no files left"
echo "package: built, lintian clean, installed, exported, purged"
