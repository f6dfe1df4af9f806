#!/bin/sh
# zanplcsim as a test fixture starts it: the ready line, the answers on standard output to the
# commands of standard input, quitting when that ends, and the refusals of a wrong command line.
#
#   command_line_test.sh <zanplcsim>
set -eu
sim=$1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

out=$(printf 'set 1 db10 0 0x1234\nget 1 db10 0 2\nheartbeat 1\nfault 1 late 5\nstatus 1\n' |
  "$sim" --port 0 --no-control --quit-on-eof --plc 1:s7:db=10x16:heartbeat=db10.dbw2 2>/dev/null) ||
  fail "the simulator did not quit cleanly at the end of its input"
echo "$out" | head -n 1 | grep -Eq '^ready port=[1-9][0-9]* control=none plcs=1$' ||
  fail "ready line: $out"
[ "$(echo "$out" | sed -n 2,5p | tr '\n' '|')" = "ok|ok 12 34|ok 0|ok|" ] || fail "answers: $out"
echo "$out" | sed -n 6p | grep -Eq '^ok plc=1 personality=s7 address=127\.0\.0\.1:[0-9]+ listening=yes .*faults=late_5_ms$' ||
  fail "status: $out"

refused() {  # <expected text> <arguments...>
  expected=$1
  shift
  if err=$("$sim" --no-stdin "$@" 2>&1 >/dev/null); then fail "accepted: $*"; fi
  echo "$err" | grep -qF "$expected" || fail "for $*: $err"
}
refused "is not a PLC number, a range N-M or an address of 127.0.0.0/8" --plc 10.0.0.1:s7
refused "no PLC: give at least one with --plc or --config" --port 0
refused "cannot read" --config /nonexistent/plcs.txt
QUAXNET_PORT=port refused "QUAXNET_PORT=port is not a port number" --plc 1:s7

"$sim" --help | grep -q "fault <plc> truncated" || fail "--help lacks the faults"
"$sim" --help | grep -q "read SZL" || fail "--help lacks what the simulator serves"
echo "command line: all checks passed"
