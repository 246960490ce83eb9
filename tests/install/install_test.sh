#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, as `make install
# PREFIX=...` does, and uses the installed programs from another directory
# as a person would: every file in its place, the settings in
# $XDG_CONFIG_HOME/brimwick, the program's own files found from the
# executable (also with BRIMWICK_HOME set, and after the prefix is moved),
# the desktop's file associations installed and removed again, and nothing
# written beside the programs.
#
#   install_test.sh BUILD_DIR STOCK_KERNAL_DIR
# STOCK_KERNAL_DIR holds the tests' stand-in stock kernal, one program file
# per segment (stock_kernalADDR.prg).
set -euo pipefail
build=$(cd "$1" && pwd)
segments=$(cd "$2" && pwd)
scratch=$(mktemp -d)
window=
cleanup() {
  if [ -n "$window" ]; then kill -KILL "$window" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$scratch/prefix" > "$scratch/install.log"
prefix=$scratch/prefix
for f in bin/brimwick-cli share/brimwick/kernels/link.prg share/brimwick/register.txt \
         share/applications/brimwick_open.desktop share/applications/brimwick_ids.desktop \
         share/mime/packages/brimwick_c64.xml share/icons/hicolor/scalable/apps/brimwick.svg \
         share/icons/hicolor/48x48/apps/brimwick.png share/icons/hicolor/256x256/apps/brimwick.png \
         share/man/man1/brimwick.1.gz share/man/man1/brimwick-cli.1.gz \
         share/bash-completion/completions/brimwick-cli share/doc/brimwick/README.md \
         share/doc/brimwick/desktop.md share/doc/brimwick/copyright; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
# The system-wide entries find brimwick on PATH, and have the per-user names.
grep -q '^Exec="brimwick" --trace-in-state %F$' "$prefix/share/applications/brimwick_open.desktop" ||
  fail "brimwick_open.desktop: $(grep '^Exec' "$prefix/share/applications/brimwick_open.desktop")"

# A person with a fresh home, somewhere else.
mkdir -p "$scratch/home" "$scratch/elsewhere"
cd "$scratch/elsewhere"
unset BRIMWICK_HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
export HOME=$scratch/home
listing() { find "$prefix/bin" "$scratch/elsewhere" | sort; }
before=$(listing)

cli=$prefix/bin/brimwick-cli
version=$("$cli" --version) || fail "--version exits $?"
[[ $version == "brimwick-cli "* ]] || fail "--version says: $version"
if [ -x "$prefix/bin/brimwick" ]; then
  v=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/brimwick" --version) || fail "brimwick --version exits $?"
  [[ $v == "brimwick "* ]] || fail "brimwick --version says: $v"
fi

"$cli" settings set port=2 reset.0=hello > /dev/null || fail "settings set exits $?"
[ -f "$HOME/.config/brimwick/Status.ini" ] || fail "settings set wrote no ~/.config/brimwick/Status.ini"
"$cli" dos 1541 > /dev/null || fail "dos 1541 exits $?"
shown=$("$cli" settings)
grep -q 'hello' <<<"$shown" || fail "settings do not show what was set: $shown"
grep -q 'DOS of the drives: 1541' <<<"$shown" || fail "settings do not show the DOS set: $shown"
[ "$(listing)" == "$before" ] || fail "files were written beside the programs or in the working directory: $(diff <(echo "$before") <(listing))"

# The link kernal comes from the installation, also for a portable
# BRIMWICK_HOME and after the whole prefix has moved.
kernal=$scratch/stock.rom
head -c 8192 /dev/zero > "$kernal"
for prg in "$segments"/stock_kernal*.prg; do
  address=$(od -An -tu2 -N2 "$prg" | tr -d ' ')
  tail -c +3 "$prg" | dd of="$kernal" bs=1 seek=$((address - 0xE000)) conv=notrunc status=none
done
"$cli" kernal patch "$kernal" -o "$scratch/ks.rom" > /dev/null || fail "kernal patch exits $?"
BRIMWICK_HOME=$scratch/portable "$cli" kernal patch "$kernal" -o "$scratch/ks2.rom" > /dev/null ||
  fail "kernal patch with BRIMWICK_HOME exits $?"
mv "$prefix" "$scratch/moved"
"$scratch/moved/bin/brimwick-cli" kernal patch "$kernal" -o "$scratch/ks3.rom" > /dev/null ||
  fail "kernal patch from a moved prefix exits $?"
mv "$scratch/moved" "$prefix"
cmp -s "$scratch/ks.rom" "$scratch/ks3.rom" || fail "the moved install patched differently"

# The window as a desktop entry starts it: its trace goes to
# $XDG_STATE_HOME/brimwick/message.txt, written while it runs.
if [ -x "$prefix/bin/brimwick" ]; then
  mkdir -p "$scratch/runtime" && chmod 700 "$scratch/runtime"
  # Settings of its own: a first start, which the trace tells at once.
  XDG_CONFIG_HOME=$scratch/window-config XDG_RUNTIME_DIR=$scratch/runtime \
    XDG_STATE_HOME=$scratch/state QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/brimwick" --trace-in-state --virtual-c64 > "$scratch/window.txt" 2>&1 &
  window=$!
  trace=$scratch/state/brimwick/message.txt
  for _ in $(seq 100); do
    grep -q 'Status file not found' "$trace" 2>/dev/null && break
    sleep 0.1
  done
  grep -q 'Status file not found' "$trace" 2>/dev/null ||
    fail "no trace in $trace while the window runs: $(cat "$scratch/window.txt")"
  kill -TERM "$window"
  status=0
  wait "$window" || status=$?
  window=
  [ "$status" -eq 0 ] || fail "the window exits $status on TERM: $(cat "$scratch/window.txt")"
fi

# The file associations of this user: what Install writes, and Uninstall removes.
"$cli" desktop install > "$scratch/desktop.txt" || fail "desktop install exits $?: $(cat "$scratch/desktop.txt")"
entry=$HOME/.local/share/applications/brimwick_open.desktop
[ -f "$entry" ] || fail "desktop install wrote no $entry"
grep -q "^Exec=\"$prefix/bin/brimwick\" --trace-in-state %F$" "$entry" ||
  fail "the per-user entry does not start this brimwick: $(grep '^Exec' "$entry")"
[ -f "$HOME/.local/share/mime/packages/brimwick_c64.xml" ] || fail "no per-user MIME package"
"$cli" desktop uninstall > /dev/null || fail "desktop uninstall exits $?"
[ ! -e "$entry" ] || fail "desktop uninstall left $entry"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "installed into a prefix and used from another directory: all well"
