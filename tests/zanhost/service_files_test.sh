#!/usr/bin/env bash
# The bridge's service files in examples/service as a plant installs them: the systemd unit passes
# systemd-analyze verify without a word (where systemd is installed), and the sample configuration
# file is read by zanhost bridge with every option in it, for the JSON topics and for Sparkplug B:
# the bridge then stops at the missing tag file (exit 3), never at an option (exit 106 and above).
#
#   service_files_test.sh ZANHOST WORK_FOLDER
set -uo pipefail
zanhost=$1
work=$2
examples="$(cd "$(dirname "$0")/../../examples/service" && pwd)"
rm -rf "$work" && mkdir -p "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if command -v systemd-analyze >/dev/null; then
  # The unit names the installed program; verify checks that it exists, so it names ours here.
  sed "s|/opt/zanhost/bin/zanhost|$zanhost|" "$examples/zanhost-bridge.service" \
    >"$work/zanhost-bridge.service"
  out=$(systemd-analyze verify "$work/zanhost-bridge.service" 2>&1)
  rc=$?
  [ $rc -eq 0 ] || fail "systemd-analyze verify exit $rc"
  [ -z "$out" ] || fail "systemd-analyze verify says: $out"
  for key in "User=zanhost" "Restart=on-failure" "StandardOutput=journal" "ExecReload="; do
    grep -q "^$key" "$examples/zanhost-bridge.service" || fail "the unit lacks $key"
  done
else
  echo "no systemd-analyze here: the unit file is not verified"
fi

# The unit's Documentation= names a file that the README's installation puts there.
doc=$(sed -n 's|^Documentation=file://||p' "$examples/zanhost-bridge.service")
readme="$examples/../../README.md"
grep -q "install .*$(basename "$doc") $(dirname "$doc")/\?\( \|$\)" "$readme" ||
  fail "the README installs no $doc, which the unit's Documentation= names"

# Every option of the sample, uncommented: once as JSON topics, once as a Sparkplug B node.
touch "$work/ca.crt"
sed -e 's/^#\([a-z0-9-]* = \)/\1/' -e '/^sparkplug\|^node\|^primary-host\|^lean-ddata\|^uint32-in-long/d' \
  "$examples/bridge.conf" >"$work/json.conf"
sed -e 's/^#\([a-z0-9-]* = \)/\1/' -e '/^prefix\|^qos/d' "$examples/bridge.conf" >"$work/sparkplug.conf"
for conf in "$examples/bridge.conf" "$work/json.conf" "$work/sparkplug.conf"; do
  out=$(cd "$work" && "$zanhost" bridge --config "$conf" --tags "$work/no-such-tags.txt" 2>&1)
  rc=$?
  [ $rc -eq 3 ] || fail "$(basename "$conf"): exit $rc ($out)"
  case $out in *"no-such-tags.txt not found"*) ;; *) fail "$(basename "$conf"): $out" ;; esac
done
# A key that names no option is refused.
printf 'brokr = "localhost"\n' >"$work/typo.conf"
out=$("$zanhost" bridge --config "$work/typo.conf" --tags x 2>&1)
[ $? -ge 106 ] || fail "a misspelt key was taken: $out"
case $out in *"typo.conf, line 1: \"brokr\" names no option of zanhost bridge"*) ;;
  *) fail "a misspelt key is not named with its file and line: $out" ;; esac

if [ $failed -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $failed
