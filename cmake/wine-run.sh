#!/bin/sh
# Runs a cross-built Windows executable under wine, quietly. The first run creates the wine prefix.
WINEDEBUG=-all
export WINEDEBUG
exec wine "$@"
