#!/usr/bin/env bash
# The Wine test bench: a private 32-bit prefix in code page 932, an Xvfb
# display and a running wineserver, shared by every program started through it.
#   bench.sh exec [--screen WxHxD] PROGRAM.exe [ARGS...]   run a program inside
#   bench.sh shell CMD...                                   run a command with the bench's environment
#   bench.sh stop                                           end the wineserver and the displays
# ZOTE_BENCH names the state folder inside a build tree (default: build/bench).
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
state=${ZOTE_BENCH:-$here/build/bench}
deps=${ZOTE_DEPS_ROOT:-/opt/zote-deps}
mkdir -p "$state"
state=$(cd "$state" && pwd)
build=$(dirname "$state")

# One prefix per screen size: Wine's desktop process takes the screen's size
# from the display it starts on, and every program of that prefix then lays
# its windows out for that size, whichever display it runs on.
default_screen=1280x1024x24
use_screen() { # screen
  local tag=""
  [ "$1" = "$default_screen" ] || tag="-$1"
  export WINEPREFIX="$state/prefix$tag"
  export HOME="$state/home$tag"
  mkdir -p "$HOME"
}
use_screen "$default_screen"
export WINEARCH=win32
# Japan time written the POSIX way: Wine's msvcrt reads TZ too and takes a
# zone name such as Asia/Tokyo for UTC, so its mktime and localtime would be
# nine hours off the system's local time.
export TZ=JST-9
export LOCPATH="$deps/locale"
{ export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
export LANG=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko prompts, and no debugger: a crash ends the program instead of
# leaving it waiting in winedbg.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}

lock() { exec 9>"$state/.lock"; flock 9; }
unlock() { flock -u 9; }

# One Xvfb per screen size, started once and reused.
display_for() { # screen
  local screen=$1 f="$state/display-$1" d
  if [ -f "$f" ]; then
    d=$(cat "$f")
    if [ -e "/tmp/.X11-unix/X$d" ] && kill -0 "$(cat "$f.pid" 2>/dev/null)" 2>/dev/null; then
      echo ":$d"; return
    fi
  fi
  for d in $(seq 90 190); do
    [ -e "/tmp/.X$d-lock" ] && continue
    setsid Xvfb ":$d" -screen 0 "$screen" -nolisten tcp -ac >/dev/null 2>&1 < /dev/null &
    echo $! > "$f.pid"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
    if [ -e "/tmp/.X11-unix/X$d" ]; then echo "$d" > "$f"; echo ":$d"; return; fi
  done
  echo "bench: no display could be started" >&2; exit 3
}

prepare_prefix() {
  [ -f "$WINEPREFIX/.zote-ready" ] && return
  # A half-made prefix may still have a server and services running: end them
  # first, or they would linger beside the new prefix's.
  [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX" "$WINEPREFIX.services.pid"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # No drive onto the Linux root: tests never reach outside the prefix.
  rm -f "$WINEPREFIX/dosdevices/z:"
  ln -sfn "$build" "$WINEPREFIX/dosdevices/d:"
  # Japanese glyphs for the console face and screenshots.
  cat > "$state/fonts.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"
REG
  # regedit reads the file through a drive of the prefix (there is no Z:).
  iconv -f UTF-8 -t CP932 "$state/fonts.reg" > "$WINEPREFIX/drive_c/zote-settings.reg"
  wine regedit /S 'C:\zote-settings.reg' >/dev/null 2>&1
  wineserver -w
  for hook in "$here"/tools/bench.d/*.sh; do
    [ -f "$hook" ] && . "$hook"
  done
  touch "$WINEPREFIX/.zote-ready"
}

services_pid() {
  local p
  for p in $(pgrep -f 'services.exe'); do
    if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$p"; return; fi
  done
}
services_alive() {
  local p; p=$(cat "$WINEPREFIX.services.pid" 2>/dev/null)
  [ -n "$p" ] && kill -0 "$p" 2>/dev/null && [ "$(services_pid)" = "$p" ]
}

ensure() { # screen
  lock
  use_screen "$1"
  export DISPLAY=$(display_for "$1")
  prepare_prefix
  # A persistent wineserver keeps every later start quick.
  wineserver -p >/dev/null 2>&1 || true
  # Start the prefix's services once with quiet output: services started by a
  # program under test would hold its output pipe open after it ends.
  if ! services_alive; then
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    services_pid > "$WINEPREFIX.services.pid"
  fi
  # D: is the build tree that holds this bench, where the programs under test live.
  ln -sfn "$build" "$WINEPREFIX/dosdevices/d:"
  # The small drive is a mount, which a stop or a reboot takes away.
  . "$here/tools/bench.d/small_drive.sh"
  . "$here/tools/bench.d/archivers.sh"
  unlock
}

# Unix path to the path the prefix sees (D: is the build tree).
dos_path() {
  local p; p=$(readlink -f "$1")
  case "$p" in
    "$build"/*) p="D:${p#$build}"; echo "${p//\//\\}" ;;
    *) echo "$1" ;;
  esac
}

cmd=${1:-}; shift || true
case "$cmd" in
  exec)
    screen=$default_screen
    if [ "${1:-}" = "--screen" ]; then screen=$2; shift 2; fi
    ensure "$screen"
    prog=$(dos_path "$1"); shift
    exec wine "$prog" "$@"
    ;;
  shell)
    ensure "$default_screen"
    exec "$@"
    ;;
  stop)
    for WINEPREFIX in "$state"/prefix "$state"/prefix-*; do
      [ -d "$WINEPREFIX" ] || continue
      export WINEPREFIX
      wineserver -k >/dev/null 2>&1 || true
      # Unmounted once no program of the prefix is left on it, so that the
      # build tree holding the prefix can be removed.
      wineserver -w >/dev/null 2>&1 || true
      umount "$WINEPREFIX/zote-drives/small" >/dev/null 2>&1 || true
    done
    for f in "$state"/display-*.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null; done
    rm -f "$state"/display-*
    ;;
  *)
    sed -n '2,8p' "$0"; exit 2 ;;
esac
