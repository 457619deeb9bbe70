#!/usr/bin/env bash
# Runs robot.py (arguments passed on) in a session of its own: a virtual X
# display with a window manager, a private D-Bus session bus and the
# accessibility bus it starts. Exit status 77 (the test counts as skipped)
# when a part of that session is missing or the accessibility bus does not
# answer; any other status is the robot's.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

# Debian's pyatspi is for the system's Python, whatever python3 comes first.
python=/usr/bin/python3
[ -x "$python" ] || python="$(command -v python3 || true)"
[ -n "$python" ] || skip "no python3"
for tool in Xvfb openbox dbus-run-session dbus-send; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/install-packages.sh installs it)"
done
"$python" -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi2-core is not installed"

if [ "${ADOX_A11Y_IN_SESSION:-}" != 1 ]; then
  export ADOX_A11Y_IN_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/adox-a11y-XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 3>&-
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_ACCESSIBILITY=1
export NO_AT_BRIDGE=0
unset QT_QPA_PLATFORM

# The accessibility bus is started on demand by the session bus.
if ! bus="$(timeout 20 dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress 2>&1)"; then
  skip "the accessibility bus does not start: $bus"
fi
timeout 20 dbus-send --session --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null 2>&1 || true

"$python" "${ROBOT:-$here/robot.py}" "$@"
