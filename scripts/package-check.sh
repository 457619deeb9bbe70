#!/usr/bin/env bash
# Builds the Debian source and binary packages as a packager does (the orig
# tarball from the tree, dpkg-buildpackage on a clean copy), checks both with
# lintian, installs the package with apt and, as a new ordinary user with a
# home of its own and no /etc/adoxport, sets up the installation folder in
# the start dialog of a real window (Xvfb, openbox, xdotool), checks the
# window's WM_CLASS against the desktop entry, runs an ANARPE export whose
# header must carry the parameter file's date, runs the program in a window
# and unattended on a minimal Debian 12 tree without qt6-qpa-plugins, and
# purges the package, leaving no file behind. Run as root on Debian 12.
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
tools=(dpkg-dev debhelper fakeroot lintian desktop-file-utils appstream unzip binutils xz-utils
  xvfb xauth openbox xdotool x11-utils mmdebstrap)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  apt-get install -y -q --no-install-recommends "${missing[@]}" | grep -E '^(Unpacking|Setting up) ' || true
fi

work=$(mktemp -d)
chmod 755 "$work"
user=adoxcheck
pids=()
stop_pids() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ ${#pids[@]} -eq 0 ] || sleep 1
  pids=()
  # What the throwaway user's session started (the X server under runuser,
  # the window manager's helpers) goes too, so that the user can be removed.
  if id "$user" >/dev/null 2>&1; then
    pkill -TERM -u "$user" 2>/dev/null && sleep 1
    pkill -KILL -u "$user" 2>/dev/null || true
  fi
}
cleanup() {
  stop_pids
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

step "orig tarball and dpkg-buildpackage -us -uc (source and binary)"
src="$work/adoxport-$version"
mkdir "$src"
tar --exclude=./build --exclude=./.git --exclude='./obj-*' -cf - . | tar -xf - -C "$src"
bash "$src/scripts/orig-tarball.sh"
apt-get build-dep -y -qq "$src" >/dev/null
(cd "$src" && dpkg-buildpackage -us -uc -j"$(nproc)") >"$work/build.log" 2>&1 || {
  tail -n 60 "$work/build.log"
  fail "dpkg-buildpackage"
}
grep -E "^(dpkg-deb|dpkg-source|dpkg-buildpackage): " "$work/build.log"
# The tests of the package build ran.
grep -E "tests passed|tests failed" "$work/build.log" || fail "the package build ran no tests"
ls -l "$work"/*.deb "$work"/*.dsc "$work"/*.tar.* "$work"/*.buildinfo "$work"/*.changes
[ -f "$work/$deb" ] || fail "$deb was not built"
ls "$work"/adoxport-dbgsym_"${version}"-1_amd64.*deb >/dev/null || fail "no -dbgsym package"
changes="$work/adoxport_${version}-1_amd64.changes"
# ADOX_PACKAGE_OUT names a folder that keeps the packages and all lintian needs.
if [ -n "${ADOX_PACKAGE_OUT:-}" ]; then
  cp "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$work"/*.dsc "$work"/*.tar.* "$ADOX_PACKAGE_OUT/"
fi
if dpkg-deb -f "$work/$deb" Depends | grep -q qt6-qpa-plugins; then fail "the package depends on qt6-qpa-plugins"; fi

step "lintian -I -E --pedantic (source and binary)"
# The overrides, each with its reason, are in debian/*lintian-overrides.
# lintian counts overridden tags towards --fail-on when they are shown, so the
# run that decides shows none and a second one lists the overrides.
lintian -I -E --pedantic --fail-on error,warning "$changes" | tee "$work/lintian.log"
lintian --show-overrides --fail-on none "$changes" | grep "^[NO]:" || true
echo "lintian: no errors, no warnings ($(grep -c "^[IPXO]:" "$work/lintian.log" || true) lines of info, pedantic, experimental or overridden tags)"

step "contents"
dpkg-deb -c "$work/$deb" | awk '{print $6}' >"$work/contents"
grep -q '^\./usr/lib/x86_64-linux-gnu/adoxport/ZipDll\.so$' "$work/contents" ||
  fail "the zip library is not in the private library folder"
if grep '^\./usr/bin/.*\.so$' "$work/contents"; then fail "a library in /usr/bin"; fi
for f in usr/bin/adoxport usr/bin/adoxport-classic usr/bin/packet-dump usr/bin/record-check \
  usr/share/man/man1/adoxport.1.gz usr/share/man/man1/adoxport-classic.1.gz \
  usr/share/man/man1/packet-dump.1.gz usr/share/man/man1/record-check.1.gz \
  usr/share/adoxport/hklm.reg usr/share/adoxport/guida/index.html usr/share/doc/adoxport/changelog.gz \
  usr/share/doc/adoxport/README.Debian usr/share/applications/invalid.adoxport.adoxport-classic.desktop \
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

step "set-up in the start dialog by a new ordinary user (fresh home, no /etc/adoxport)"
[ ! -e /etc/adoxport ] || fail "/etc/adoxport exists: the check needs a machine set up by nobody"
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
install_dir="$home/suite scuola"
cp -r demo/data "$home/data"
cp -r demo/install "$install_dir"
# Git keeps no file times; the parameter file's date is a header field.
touch -d "2021-09-01 10:00:00" "$install_dir"/ETC/datrex/*.ufp
mkdir -m 700 "$home/.runtime"
chown -R "$user:" "$home"
display=
for n in $(seq 90 110); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || fail "no free X display number"
as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/.runtime" \
    DISPLAY="$display" "$@"
}
as_user Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do as_user xdpyinfo >/dev/null 2>&1 && break || sleep 0.1; done
as_user xdpyinfo >/dev/null || fail "Xvfb did not start"
as_user openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1
as_user adoxport >"$work/window.log" 2>&1 &
app=$!
pids+=($app)
find_window() { as_user timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# The start dialog goes by the menu entry's name.
win=$(find_window '^Esportazione adozioni$') || fail "the start dialog did not open"
# Docks link a window to its menu entry by WM_CLASS = StartupWMClass.
wm_class=$(as_user xprop -id "$win" WM_CLASS)
echo "$wm_class"
entry_class=$(sed -n 's/^StartupWMClass=//p' /usr/share/applications/invalid.adoxport.adoxport.desktop)
[ "$wm_class" = "WM_CLASS(STRING) = \"adoxport\", \"$entry_class\"" ] ||
  fail "WM_CLASS does not match StartupWMClass=$entry_class"
as_user xdotool windowactivate --sync "$win"
# The data folder (Alt+R), then ANARPE in the recipient list (Alt+D).
as_user xdotool key --delay 100 alt+r ctrl+a
as_user xdotool type --delay 20 "$home/data"
as_user xdotool key --delay 200 alt+d Down
as_user xdotool key alt+i
chooser=$(find_window '^Cartella di installazione$') || fail "the folder chooser did not open"
as_user xdotool type --delay 20 "$install_dir"
as_user xdotool key Return
user_reg="$home/.config/adoxport/hklm.reg"
for _ in $(seq 20); do
  [ -f "$user_reg" ] && break
  # A first Return may only enter the folder; the next one chooses it.
  sleep 0.5
  if as_user xdotool search --onlyvisible --name '^Cartella di installazione$' >/dev/null; then
    as_user xdotool windowactivate --sync "$chooser" key Return
  fi
done
[ -f "$user_reg" ] || fail "the start dialog wrote no registry file for the user"
[ "$(stat -c %U "$user_reg")" = "$user" ] || fail "the user's registry file is not the user's"
grep -F "\"MainDir\"=\"$install_dir/\"" "$user_reg" || fail "the user's registry file names no MainDir"
as_user xdotool windowactivate --sync "$win" key alt+a
archive="$home/rozadiver/datrex/anarpe/Anarpe.zip"
# Enter walks the wizard (Avanti, then the export page runs the export).
for _ in $(seq 30); do
  [ -f "$archive" ] && break
  as_user xdotool key Return
  sleep 1
done
[ -f "$archive" ] || {
  cat "$work/window.log"
  fail "the export in the window delivered no archive"
}
sleep 1
kill "$app" 2>/dev/null || true
head -n 1 "$home/data/Adoz001.txt" | grep -q 01092021 ||
  fail "the header does not carry the parameter file's date: $(head -n 1 "$home/data/Adoz001.txt")"
echo "set-up by the user, export in a window: header carries 01092021 (the parameter file's date)"

step "unattended ANARPE export by the same user, reading the user's registry file"
rm -f "$archive"
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/.runtime" \
  adoxport "$home/data" anarpe 1 --unattended --protocol DEMO/2021 \
  >"$work/export.log" 2>"$work/export.err" || {
  cat "$work/export.log" "$work/export.err"
  fail "the installed export did not finish"
}
tail -n 4 "$work/export.log"
unzip -t "$archive"
listing=$(unzip -Z1 "$archive")
[ "$listing" = "$(printf 'Adoz001.txt\nAdoz002.txt\nAdoz003.txt\nAdoz004.txt')" ] ||
  fail "the archive holds: $listing"
record-check "$archive" >/dev/null || fail "record-check finds faults in the exported archive"
unzip -p "$archive" Adoz001.txt >"$work/Adoz001.txt"
head -n 1 "$work/Adoz001.txt" | grep -q 01092021 || fail "the archived header lacks the date"
stop_pids
userdel -r "$user" >/dev/null 2>&1 || fail "the user $user could not be removed"

step "without qt6-qpa-plugins: a minimal Debian 12 tree, the package in a window and unattended"
cat >"$work/noqpa.sh" <<'EOS'
set -eu
if dpkg-query -W -f='${Status}' qt6-qpa-plugins 2>/dev/null | grep -q "ok installed"; then
  echo "qt6-qpa-plugins is installed" >&2
  exit 1
fi
export HOME=/check LANG=C.UTF-8 ADOXPORT_HKLM=/check/hklm.reg
touch -d "2021-09-01 10:00:00" /check/install/ETC/datrex/*.ufp
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"MainDir"="/check/install/"\r\n' >/check/hklm.reg
adoxport /check/data anarpe 1 --unattended >/check/unattended.log
unzip -t /check/rozadiver/datrex/anarpe/Anarpe.zip >/dev/null
echo "unattended: exported"
Xvfb :5 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:5
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break || sleep 0.1; done
adoxport /check/data aie 1 >/check/window.log 2>&1 &
app=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^adoxport' | head -n 1)
xprop -id "$win" WM_CLASS WM_NAME
kill "$app" "$xvfb"
echo "window: shown"
EOS
# The package goes in as on a minimal system: its dependencies only, no
# recommendations (libqt6gui6 recommends qt6-qpa-plugins).
mmdebstrap --quiet --variant=apt --mode=root --include="xvfb,xauth,xdotool,x11-utils,unzip" \
  --customize-hook="mkdir -p \"\$1/check\" && cp -r '$PWD/demo/data' '$PWD/demo/install' '$work/noqpa.sh' \
    '$work/$deb' \"\$1/check/\"" \
  --customize-hook="chroot \"\$1\" apt-get install -y -q --no-install-recommends /check/$deb >/dev/null" \
  --customize-hook="chroot \"\$1\" bash /check/noqpa.sh" \
  bookworm /dev/null "deb http://deb.debian.org/debian bookworm main" \
  "deb http://deb.debian.org/debian bookworm-updates main" \
  "deb http://deb.debian.org/debian-security bookworm-security main" || fail "the run without qt6-qpa-plugins"

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
