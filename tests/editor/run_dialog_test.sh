#!/bin/sh
# Runs the address editor dialog test under wine on a virtual X display and photographs the open
# dialog when the test says so. Usage: run_dialog_test.sh <program> <work directory> <shot.png>,
# with WINEPREFIX naming a prefix of the test's own (created on the first run).
set -eu
program=$1
work=$2
shot=$3
handshake=$work/handshake
rm -rf "$handshake" "$shot"
mkdir -p "$handshake"

export WINEDEBUG=-all
# No runtime installers in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

status=0
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  program=$1 work=$2 handshake=$3 shot=$4
  # Without a window manager, wine draws the captions itself.
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  wine "$program" "$work" "$handshake" &
  test=$!
  tries=0
  while [ ! -e "$handshake/dialog-open" ] && kill -0 $test 2>/dev/null && [ $tries -lt 1800 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  if [ -e "$handshake/dialog-open" ]; then
    xwd -root -silent | convert xwd:- -crop "$(cat "$handshake/dialog-open")" +repage "$shot"
    touch "$handshake/shot-taken"
  fi
  wait $test
' run_dialog_test "$program" "$work" "$handshake" "$shot" || status=$?
if [ -e "$shot" ]; then
  echo "screenshot of the open dialog: $shot"
else
  echo "no screenshot of the dialog was taken" >&2
  status=1
fi
exit $status
