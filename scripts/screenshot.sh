#!/usr/bin/env bash
# Screenshots of the desktop window, taken under Xvfb: the main window, the
# terminal after LOAD"$",8 and LIST on the demo disk, and the Preferences
# dialog, saved as PNG files into DIR. Builds what is missing first. The
# window runs with a scratch program directory, so no Status.ini of yours is
# read or written, and with a socket of its own. With ROMS=DIR the window
# runs the emulated C64 on your ROMs in DIR (AS_IS=1 leaves the kernal
# unpatched, as the Open ROMs need) and its picture is saved too; without,
# no installed ROMs are looked for.
#
#   scripts/screenshot.sh DIR
#   ROMS=DIR [AS_IS=1] scripts/screenshot.sh DIR
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: scripts/screenshot.sh DIR" >&2
  exit 2
fi
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
build=${BUILD:-build}
root=$(pwd)

if ! command -v xvfb-run >/dev/null; then
  echo "screenshot.sh: xvfb-run is missing (Debian package xvfb; make deps installs it)" >&2
  exit 1
fi
if [ ! -x "$build/src/app/brimwick" ]; then
  make build BUILD="$build"
fi
if cmake --build "$build" --target help | grep -q '^demo_disk:'; then
  cmake --build "$build" --target demo_disk >/dev/null
fi
drive=()
if [ -f "$build/demo/demo.d64" ]; then
  drive=(--drive "8=$root/$build/demo/demo.d64")
fi

c64=(--virtual-c64)
search=1
if [ -n "${ROMS:-}" ]; then
  c64=(--roms "$(cd "$ROMS" && pwd)")
  if [ -n "${AS_IS:-}" ]; then c64+=(--as-is); fi
  search=
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
(cd "$scratch" &&
  BRIMWICK_HOME="$scratch" XDG_RUNTIME_DIR="$scratch" BRIMWICK_NO_ROM_SEARCH=$search \
  xvfb-run -a -s "-screen 0 1024x768x24" \
  "$root/$build/src/app/brimwick" "${c64[@]}" "${drive[@]}" --screenshot "$out")
ls "$out"/*.png
