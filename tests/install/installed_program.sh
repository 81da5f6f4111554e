#!/usr/bin/env bash
# The installed program keeps its files in the user's folders; a copy in a writable folder
# keeps them beside itself. Usage: installed_program.sh BUILD_FOLDER
#
# Installs into a temporary DESTDIR (prefix /usr), makes its bin/ read-only, and starts the
# program offscreen on the virtual devices with a temporary HOME and XDG folders. The program
# gives the record command as soon as its window is up (TAVRIN_RECORD_AT_SHOW=1), records for
# a second and is closed by SIGTERM, which ends the recording and writes setup.ini.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-install.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# run PROGRAM HOME: one recording, then SIGTERM.
run() {
  local program=$1 home=$2 out="$work/out.$RANDOM"
  mkdir -p "$home"
  # No session bus: the installed program would take the desktop's own name on it.
  env -u DBUS_SESSION_BUS_ADDRESS HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work" \
      QT_QPA_PLATFORM=offscreen TAVRIN_AUDIO=virtual TAVRIN_RECORD_AT_SHOW=1 \
      "$program" >"$out" 2>"$out.err" &
  pid=$!
  for _ in $(seq 1 300); do
    grep -q '^recording ' "$out" && break
    kill -0 "$pid" 2>/dev/null || { cat "$out.err" >&2; fail "$program ended before recording"; }
    sleep 0.1
  done
  grep -q '^recording ' "$out" || fail "$program did not start recording"
  sleep 1
  kill -TERM "$pid"
  for _ in $(seq 1 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$program did not end after SIGTERM"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || { cat "$out.err" >&2; fail "$program ended with status $status"; }
}

# expect_recording FOLDER: one non-empty MP3 made there.
expect_recording() {
  [ -s "$1/Untitled1.mp3" ] || fail "no recording in $1: $(find "$(dirname "$1")" | head -n 40)"
}

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
bin="$work/dest/usr/bin"
[ -x "$bin/tavrin" ] || fail "cmake --install put no program in usr/bin"
for f in tips.txt support.ini tavrin.html; do
  [ -f "$work/dest/usr/share/tavrin/$f" ] || fail "side file $f not installed"
done
grep -qx 'Exec=/usr/bin/tavrin' "$work/dest/usr/share/dbus-1/services/org.example.tavrin.service" \
  || fail "no D-Bus service that starts the installed program"
chmod a-w "$bin"

# Installed: settings in the config folder, recordings in the music folder of user-dirs.
home="$work/home"
mkdir -p "$home/.config"
echo 'XDG_MUSIC_DIR="$HOME/Музыка"' >"$home/.config/user-dirs.dirs"
run "$bin/tavrin" "$home"
grep -qi '^timelimit=-1' "$home/.config/tavrin/setup.ini" || fail "no setup.ini in the config folder"
expect_recording "$home/Музыка/Recording"
[ "$(ls -A "$bin")" = "tavrin" ] || fail "the installed program wrote beside itself: $(ls -A "$bin")"

# A copy in a writable folder of its own: everything beside the program, none of it in HOME.
portable="$work/portable"
mkdir -p "$portable"
cp "$bin/tavrin" "$work/dest/usr/share/tavrin/"* "$portable/"
run "$portable/tavrin" "$work/home2"
grep -qi '^timelimit=-1' "$portable/setup.ini" || fail "no setup.ini beside the portable program"
expect_recording "$portable/Recording"
stray=$(find "$work/home2" -name setup.ini -o -name 'Untitled*' -o -name tavrin)
[ -z "$stray" ] || fail "the portable program wrote into HOME: $stray"
echo "the installed program uses the user's folders; the portable copy its own"
