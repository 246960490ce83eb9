#!/usr/bin/env bash
# Screenshots of the desktop window, taken under Xvfb: the main window, the
# terminal after LOAD"$",8 and LIST on the demo disk, and the Preferences
# dialog, saved as PNG files into DIR. Builds what is missing first. The
# window runs with a scratch program directory, so no Status.ini of yours is
# read or written, and with a socket of its own.
#
#   scripts/screenshot.sh DIR
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
if [ ! -x "$build/bin/brimwick" ]; then
  make build BUILD="$build"
fi
if cmake --build "$build" --target help | grep -q '^demo_disk:'; then
  cmake --build "$build" --target demo_disk >/dev/null
fi
drive=()
if [ -f "$build/demo/demo.d64" ]; then
  drive=(--drive "8=$root/$build/demo/demo.d64")
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
(cd "$scratch" &&
  BRIMWICK_HOME="$scratch" XDG_RUNTIME_DIR="$scratch" \
  xvfb-run -a -s "-screen 0 1024x768x24" \
  "$root/$build/bin/brimwick" --virtual-c64 "${drive[@]}" --screenshot "$out")
ls "$out"/*.png
