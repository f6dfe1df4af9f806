#!/usr/bin/env bash
# End-to-end runs of zanhost commands: output and exit codes, against the simulator on loopback.
#
#   zanhost_e2e.sh commands|demo|report|readme <work folder> <simulator> <zanhost command...>
#
# readme runs the first steps of README.md as they are written there (commands and outputs taken
# from it), with the zanhost and simulator given here in place of those on the PATH.
# <zanhost command...> is the host as it is run: bin/zanhost, or wine-run.sh bin/zanhost.exe.
# <simulator> is the native zanplcsim that the commands talk to; they exit 77 (skipped) when it is
# not there. The demo starts its own simulator: the one named here, or with "beside" the one
# beside zanhost (zanhost.exe under wine starts zanplcsim.exe). Every PLC of every configuration
# here is on 127.0.0.N: nothing leaves the machine.
set -uo pipefail

mode=$1 work=$2 simulator=$3
shift 3
host=("$@")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "$simulator" != beside ] && [ ! -x "$simulator" ]; then
  echo "skipped: no native simulator at $simulator"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
passed=0 failed=0
stamp='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} '  # of poll's lines

# run NAME EXIT STDOUT-REGEX STDERR-REGEX -- ARGS...: one zanhost run and its checks.
run() {
  local name=$1 want=$2 out=$3 err=$4
  shift 5
  "${host[@]}" "$@" >out.txt 2>err.txt </dev/null
  local got=$?
  sed -i 's/\r$//' out.txt err.txt  # zanhost.exe ends its lines with CR LF
  local why=""
  [ "$got" -eq "$want" ] || why="exit code $got, want $want"
  [ -z "$out" ] || grep -Eq -- "$out" out.txt || why="$why; stdout lacks /$out/"
  [ -z "$err" ] || grep -Eq -- "$err" err.txt || why="$why; stderr lacks /$err/"
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: ${why#; }"
    echo "  zanhost $*"
    sed 's/^/  out: /' out.txt | head -20
    sed 's/^/  err: /' err.txt | head -20
  fi
}

# The simulator for the commands: S7 PLCs 1 and 2 (a pair), an S5 PLC 3; answers on fd 4.
simulator_start() {
  mkfifo sim.in sim.out
  "$simulator" --port 0 --no-control --quit-on-eof --log sim.log \
    --plc 1:s7:db=10x200,db=20x200:heartbeat=db10.dbw0 \
    --plc 2:s7:db=10x200:heartbeat=db10.dbw0 --plc 3:s5:db=10x512 \
    <sim.in >sim.out 2>sim.err &
  simulator_pid=$!
  exec 3>sim.in 4<sim.out
  local line
  read -r line <&4 || { echo "the simulator did not start:"; cat sim.err; exit 1; }
  port=${line#ready port=}
  port=${port%% *}
  export QUAXNET_PORT=$port
}

lacks() {  # NAME REGEX: the standard error of the run before must not match
  if grep -Eq -- "$2" err.txt; then
    failed=$((failed + 1))
    echo "FAILED $1: stderr has /$2/"
    sed 's/^/  err: /' err.txt | head -20
  fi
}

# zanhost beside the driver and the host services but without the transport library.
host_folder=$(dirname "${host[-1]}")
no_transport=("${host[@]:0:${#host[@]}-1}" "$host_folder/no-transport/$(basename "${host[-1]}")")

sim() {  # one control command; its answer must start with "ok"
  local answer
  echo "$*" >&3
  read -r answer <&4
  case $answer in ok*) ;; *) echo "simulator: $* -> $answer"; failed=$((failed + 1)) ;; esac
}

simulator_stop() {
  echo quit >&3
  exec 3>&- 4<&-
  wait "$simulator_pid"
}

commands() {
  mkdir -p conf dead
  printf '1=7, 127.0.0.1, 2\n2=7, 127.0.0.2, 2\n3=5, 127.0.0.3\nBACKUP_1=2\n' >conf/zanDOR01.INT
  printf '1=7, 127.0.0.9, 2\n' >dead/zanDOR02.INT
  printf '1=7, 127.0.0.9, 2\n3=5, 127.0.0.8\n' >dead/zanDOR03.INT
  mkdir -p wrong && printf '1=7, 127.0.0.1\n\nBACKUP_1=5\n2=7, 127.0.0.1, 2\n' >wrong/zanDOR01.INT
  printf 'BACKUP_1=0\n' >wrong/zanDOR02.INT
  # The refused tag last: the driver's status of its PLC then says 4, although the link is up.
  printf 'speed, 01DW0100002, word\nlevel, 01DF0100008, float\nmissing, 01DW9990000, word\n' \
    >refused.txt
  printf '# poll\nspeed, 01DW0100002, word\nlevel, 01DF0100008, float\nrun, 03DW010000500, bit\n' \
    >tags.txt
  printf 'speed, 01DW0100002, sometype\n' >badtags.txt
  printf 'speed, 01DW0100002, word\nbad, 09DW0100002, word\n' >parserrefused.txt
  printf 'hb1, 01D10100000, word\nhb2, 01D20100000, word\n' >heartbeats.txt

  run info 0 'state size : 165912 bytes' '' -- info
  run info-banner 0 'Z A N D O R' '' -- info
  run info-json 0 '^\{"driver":"SIEMENS, SIMATIC S5 & S7 Family","stateSize":165912' '' -- info --json
  run driver-missing 3 '' 'driver library nothere\.dll not found' -- --driver nothere.dll info
  run config-missing 3 '' 'configuration file zanDOR07\.INT not found in folder .*conf' -- \
    parse 01DW0100020 -d conf -i 7
  run type-unknown 106 '' 'unknown type "sometype"' -- read 01DW0100020 --type sometype -d conf
  run usage 106 '' '^zanhost: address is required \(--help shows the usage\)$' -- parse
  run usage-count-0 106 '' '^zanhost: --count: Value 0 not in range 1 to 1000' -- read 01DW0100002 -n 0
  run port-null 0 '^close     returned 0: port "NUL", handle 0' '' -- \
    port -n NUL -i 3 -q configure close
  run port-missing 2 '' '^zanhost: configure returned 2: .*ttyNOPE.*$' -- port -n ttyNOPE configure
  run port-name-too-long 106 '' 'the port name "ttyUSB0123456" is longer than 11 characters' -- \
    port -n ttyUSB0123456 configure
  if [[ ${host[-1]} != *.exe ]] && command -v python3 >/dev/null; then
    # A pseudo-terminal held open meanwhile: configure opens it, so an open of it after that finds
    # it held by this instance, not by another program.
    python3 -c 'import os, pty, time
master, slave = pty.openpty()
print(os.ttyname(slave)[len("/dev/"):], flush=True)
time.sleep(60)' >pty.txt &
    local holder=$!
    wait_for pty.txt '^pts/' 10
    run port-held 2 '^configure returned 0' \
      '^zanhost: open returned 2: the instance holds the port open already \(handle [0-9]+; configure opens it too\): close it first$' -- \
      port -n "$(head -1 pty.txt)" -q configure open close
    kill "$holder"
    wait "$holder" 2>/dev/null
  fi
  if [[ ${host[-1]} != *.exe ]]; then  # under wine the editor is a dialog, which needs a display
    run edit-no-terminal 1 '^AddressEditor returned 53: ""$' 'address editor returned 53' -- \
      edit 01DF0100008 --type float --dir conf --instance 1
    run edit-verbose 1 '' '^log: ZanDOR: PLC # 1 Type     = 7$' -- edit 01DW0100020 -v -d conf
    run edit-quiet 1 '' '' -- edit 01DW0100020 -q -d conf
    lacks edit-quiet 'ZanDOR'
    run edit-missing-config 3 '' 'configuration file zanDOR07\.INT not found' -- edit -d conf -i 7
  fi
  run check 0 '^line 4: PLC 2 is the backup of PLC 1$' '' -- check -d conf
  run check-wrong 1 '^line 3: warning: unknown backup: no line configures PLC 5' '' -- check -d wrong
  run check-same-address 1 '^line 4: warning: PLC 2 has the same address as PLC 1 \(line 1\)$' '' -- \
    check wrong/zanDOR01.INT
  run check-slot 1 '^line 1: warning: no slot given: the driver uses slot 2' '' -- check -q -d wrong
  run check-refused 3 'Init refuses the file' '' -- check -d wrong -i 2
  mkdir -p example && cp "$here/../../examples/zanDOR01.INT" example/
  run check-example 0 '^3 PLCs, 0 errors, 0 warnings; Init accepts the file$' '' -- \
    check -q -d example
  QUAXNET_PORT=abc run bad-port 3 '' 'QUAXNET_PORT=abc is no port number' -- read 01DW0100002 -d conf

  simulator_start
  run init 0 '3 of 3 PLCs connected' 'Connection to Plc #1 Success' -- init -d conf
  run init-unconnected 2 '0 of 1 PLCs connected' \
    '^zanhost: PLC 1 \(S7 at 127\.0\.0\.9 port [0-9]+, slot 2\) not connected: TCP connection refused: nothing listens at that port \(ZanDOR: Connection to Plc #1 Failed !!!\)$' -- \
    init -q -d dead -i 2
  local saved=${LD_LIBRARY_PATH-} saved_host=("${host[@]}")
  export LD_LIBRARY_PATH="$host_folder/no-transport"
  host=("${no_transport[@]}")
  run no-transport 3 '' \
    'the driver cannot use its transport library .*uaxnet.* cannot be loaded' -- read 01DW0100002 -d conf
  host=("${saved_host[@]}")
  export LD_LIBRARY_PATH=$saved
  run parse 0 'kind     1 \(0x1, data-block word at an odd byte\)' '' -- parse 01DW0100021 -d conf
  run parse-run 0 'memory   data block 10, bytes 20 to 25' '' -- parse 01DW0100020 -n 3 -d conf
  run parse-json 0 '"result":0,"resultWord":"done","address":"01DD0100006","type":"dword","plc":1,"kind":100,.*"offset":1,' '' -- \
    parse 01DD0100006 --type dword --json -d conf
  run parse-refused 1 '' 'tag 01DW01000 refused: ZANDOR> Address Parser: wrong address string length for this type, should be 11 but is 9$' -- \
    parse 01DW01000 -d conf
  run parse-refused-json 1 '"refusal":"ZANDOR> Address Parser: PLC number out of limit"' '' -- \
    parse 05DW0100020 --json -d conf
  run parse-run-refused 1 '' 'no run of 600 values' -- parse 01DD0100008 --type dword -n 600 -d conf
  run type-hint-float 1 '' 'refused: .*does not match to Korvel type; a float address needs --type float$' -- \
    parse 01DF0100008 -d conf
  run type-hint-string 1 '' 'a string address needs --type string$' -- read 01DS010002016 -d conf
  run type-hint-bit 1 '' 'an address with a bit number needs --type bit$' -- read 03DW010000500 -d conf
  run parse-memory 0 '^memory   data block 10, bytes 6 to 9$' '' -- parse 01DD0100006 --type dword -d conf
  run parse-memory-s5 0 '^memory   data block 10, data words 7 to 8$' '' -- \
    parse 03DD0100007 --type dword -d conf

  sim set 1 db10 2 0x04D2
  sim set 1 db10 8 0x40600000
  sim set 3 db10 10 0x0001
  run read-word 0 '^01DW0100002 = 1234 \(word, done\)$' '' -- read 01DW0100002 -d conf
  run read-int-json 0 '"result":0,"resultWord":"done","servedBy":1,"value":1234' '' -- \
    read 01DW0100002 --type int --json -d conf
  run read-float 0 '^01DF0100008 = 3.5 \(float, done\)$' '' -- read 01DF0100008 --type float -d conf
  run read-s5-bit 0 '^03DW010000500 = 1 \(bit, done\)$' '' -- read 03DW010000500 --type bit -d conf
  run read-run 0 '"values":\[[0-9]+,1234,0\]' '' -- read 01DW0100000 -n 3 --json -d conf
  run write-float 0 '^01DF0100008 <- -2.25 \(float, done\)$' '' -- \
    write 01DF0100008 -2.25 --type float -d conf
  run read-back 0 '"value":-2.25' '' -- read 01DF0100008 --type float --json -d conf
  run write-string 0 '^01DS010002016 <- "ZanDOR e2e" \(string, done\)$' '' -- \
    write 01DS010002016 "ZanDOR e2e" --type string -d conf
  run read-string 0 '^01DS010002016 = "ZanDOR e2e"' '' -- read 01DS010002016 --type string -d conf
  run read-byte 0 '^01DB0100005 = [0-9]+ \(byte, done\)$' '' -- read 01DB0100005 -d conf
  run write-byte 0 '^01DB0100005 <- 7 \(byte, done\)$' '' -- write 01DB0100005 7 --type byte -d conf
  run byte-of-word 1 '' 'refused: a byte type needs a byte address' -- read 01DW0100002 --type byte -d conf
  run write-empty-string 0 '^01DS010002016 <- "" \(string, done\)$' '' -- \
    write 01DS010002016 "" --type string -d conf
  run write-bad-value 106 '' 'cannot write 01DW0100002 as word: 70000 does not fit a word \(0 to 65535\)$' -- \
    write 01DW0100002 70000 -d conf
  run write-status-refused 1 '' \
    '^zanhost: cannot write !01: status, heartbeat and cache-block tags cannot be written$' -- \
    write '!01' 1 -d conf
  run missing-block 1 '' \
    'read of 01DW9990002 failed: PLC 1 \(S7 at 127\.0\.0\.1\) refused it: data block 999 does not exist \(ZanDOR: Read Tag 01DW9990002 Failed, Len=2 rc=0,10\)$' -- \
    read 01DW9990002 -d conf
  run outside-block 1 '' 'refused it: address outside data block 10 \(bytes 1998 to 1999\)' -- \
    read 01DW0101998 -d conf
  run s5-missing-block 1 '' 'PLC 3 \(S5 at 127\.0\.0\.3\) refused it: data block 200 does not exist' -- \
    read 03DW2000002 -d conf
  run s5-outside-block 1 '' 'refused it: address outside data block 10 \(data word 300\)' -- \
    write 03DW0100300 1 -d conf
  sim fault 3 error 7
  run s5-error 1 '' 'refused it: the PLC refused with S5 error number 7' -- read 03DW0100002 -d conf
  sim fault 3 silent
  run s5-silent 2 '' 'read of 03DW0100002 failed: PLC 3 \(S5 at 127\.0\.0\.3 port [0-9]+, TSAPs KORVEL, KORREAD, KORWRITE\): no answer within the time-out \(100 ms\)' -- \
    read 03DW0100002 -d conf
  sim clear 3
  sim fault 1 error 0x05
  run s7-item-error-write 1 '' 'write of 01DW0100002 failed: PLC 1 \(S7 at 127\.0\.0\.1\) refused it: address outside data block 10 \(bytes 2 to 3\)' -- \
    write 01DW0100002 7 -d conf
  sim clear 1
  run poll-refused-tag 0 "^${stamp}round 1: status PLC 1 last request refused; PLC 2 standby; PLC 3 active$" '' -- \
    poll --tags refused.txt --count 1 --interval 0 -d conf
  run poll-refused-words 0 "^${stamp}round 1: missing 01DW9990000 refused: data block 999 does not exist$" '' -- \
    poll --tags refused.txt --count 1 --interval 0 -d conf
  run status 0 '^1    S7    127\.0\.0\.1        2       active$' '' -- status -d conf
  # Right after Init both members of the pair are active: the driver's status says 1 for each.
  run status-backup 0 '^2    S7    127\.0\.0\.2        -       active$' '' -- status -d conf
  run status-json 0 '^\{"plc":3,"type":"S5","ipAddress":"127.0.0.3","backup":0,"status":1,"statusWord":"active"\}$' '' -- \
    status --json -d conf
  run warmstart 0 '^warm start of PLC 1 \(S7 at 127\.0\.0\.1\): done$' '' -- warmstart 1 -d conf
  run warmstart-unconfigured 1 '' \
    '^zanhost: warm start of PLC 9 restarted no connection \(result 1\): PLC 9 is not in zanDOR01\.INT, which configures PLCs 1, 2 and 3 \(ZanDOR: PlcConnect Failed, Plc #9, rc = 0\)$' -- \
    warmstart 9 -q -d conf
  run poll 0 "^${stamp}round 2: speed 01DW0100002 = 1234 \(PLC 1\)$" '' -- \
    poll --tags tags.txt --count 2 --interval 0 -d conf
  run poll-status 0 "^${stamp}round 1: status PLC 1 active; PLC 2 standby; PLC 3 active$" '' -- \
    poll --tags tags.txt --count 1 --interval 0 -d conf
  run poll-json 0 '^\{"time":"[^"]+","round":2,"name":"run","address":"03DW010000500","type":"bit","result":0,"resultWord":"done","servedBy":3,"value":1\}$' '' -- \
    poll --tags tags.txt --count 2 --interval 0 --json -d conf
  run poll-summary 0 '^run +03DW010000500 +2 +0 +1 +1 +never$' '' -- \
    poll --tags tags.txt --count 2 --interval 0 -d conf
  run poll-summary-json 0 '^\{"summary":"tag","name":"level","address":"01DF0100008","rounds":2,"reads":2,"failures":0,"min":-2.25,"max":-2.25,"lastChange":null\}$' '' -- \
    poll --tags tags.txt --count 2 --interval 0 --json -d conf
  # The read plan: speed and level share a block of PLC 1, the S5 bit is read alone.
  run plan 0 '^  block 01TB01000020010  data block 10, bytes 2 to 11, fetched as one block: 1 request, 2 tags: speed, level$' '' -- \
    plan --tags tags.txt -q -d conf
  run poll-requests 0 '^requests: 2 requests a round by the plan \(tag by tag: 3\)$' '' -- \
    poll --tags tags.txt --count 1 --interval 0 -d conf
  run poll-plan-off 0 '^requests: 3 requests a round tag by tag \(no plan\)$' '' -- \
    poll --tags tags.txt --count 1 --interval 0 --plan off -d conf
  run poll-csv 0 '' '' -- poll --tags tags.txt --count 2 --interval 0 --csv rows.csv -q -d conf
  if [ "$(sed 's/\r$//' rows.csv | head -1)" != time,tag,address,value,result,served_by ] ||
    [ "$(grep -c ',done,' rows.csv)" -ne 6 ] ||
    ! grep -Eq '^[0-9T:.+-]+,level,01DF0100008,-2\.25,done,1.$' rows.csv; then
    failed=$((failed + 1))
    echo "FAILED poll-csv-rows: rows.csv is not as expected:" && cat rows.csv
  fi
  run poll-changes 0 "^${stamp}round 1: speed" '' -- \
    poll --tags tags.txt --count 3 --interval 0 --changes -q -d conf
  if grep -Eq 'round [23]:' out.txt; then
    failed=$((failed + 1))
    echo "FAILED poll-changes-quiet: rounds 2 and 3 changed nothing but were shown:" && cat out.txt
  fi
  run poll-bad-csv 3 '' 'cannot write the CSV file' -- \
    poll --tags tags.txt --count 1 --csv nothere/rows.csv -d conf
  run poll-bad-report 3 '' 'cannot write the report .*nothere.r\.html' -- \
    poll --tags tags.txt --count 1 --report nothere/r.html -d conf
  if grep -q 'round 1' out.txt; then
    failed=$((failed + 1))
    echo "FAILED poll-bad-report-first: a round ran before the report was found unwritable"
  fi
  if [[ ${host[-1]} != *.exe ]]; then
    run poll-full-csv 3 '' 'cannot write the CSV file /dev/full' -- \
      poll --tags tags.txt --count 1 --csv /dev/full -d conf
    run poll-full-report 3 '^summary of 1 round' '^zanhost: cannot write the report /dev/full' -- \
      poll --tags tags.txt --count 1 --report /dev/full -d conf
  fi
  run poll-parser-refused 1 '^bad +09DW0100002 +refused: ZANDOR> Address Parser: PLC number out of limit; PLC 9 is not in zanDOR01\.INT, which configures PLCs 1, 2 and 3$' \
    'the driver refused 1 tag of parserrefused\.txt' -- \
    poll --tags parserrefused.txt --count 1 --interval 0 -d conf
  run poll-heartbeats 0 '' \
    '^zanhost: warning: no heartbeat tags for PLC 1 and its backup PLC 2 in tags\.txt: .*add "01D1dddoooo" for PLC 1 and "01D2dddoooo" for PLC 2' -- \
    poll --tags tags.txt --count 1 --interval 0 -q -d conf
  run check-heartbeats 1 '^warning: no heartbeat tags for PLC 1 and its backup PLC 2 in tags\.txt' '' -- \
    check -d conf --tags tags.txt
  run check-heartbeats-there 0 '0 warnings' '' -- check -d conf --tags heartbeats.txt
  run poll-bad-file 3 '' 'badtags\.txt, line 1: unknown type "sometype"' -- \
    poll --tags badtags.txt -d conf
  run poll-no-file 3 '' 'tag file .*nothere\.txt not found' -- poll --tags nothere.txt -d conf
  bridge_checks
  exit_codes
  poll_reconnect
  pair_waits
  plant_words
  failures_named
  probe_checks
  sim stop 1
  run master-down 0 '^01DW0100002 = [0-9]+ \(word, done, served by backup PLC 2\)$' '' -- \
    read 01DW0100002 -d conf
  run master-down-status 2 '^1    S7    127\.0\.0\.1        2       link down$' '' -- status -d conf
  run master-down-status-json 2 '^\{"plc":1,"type":"S7","ipAddress":"127.0.0.1","backup":2,"status":4,"statusWord":"link down"\}$' '' -- \
    status --json -d conf
  sim start 1
  run dead-plc 2 '' 'read of 01DW0100002 failed: PLC 1 \(S7 at 127\.0\.0\.9 port [0-9]+, slot 2\) cannot be reached \(link down\): TCP connection refused: nothing listens at that port \(ZanDOR: Connection to Plc #1 Failed !!!\)$' -- \
    read 01DW0100002 -d dead -i 2
  run dead-plc-own-line 2 '' 'Plc #1 Failed' -- read 01DW0100002 -q -d dead -i 3
  lacks dead-plc-own-line 'Plc #3'
  run port-in-use 3 '' 'port is in use' -- demo --port "$port" --pace 0
  simulator_stop
}

# The exit codes of every command, as the README's table gives them: 0 done, 1 refused, 2
# unreachable, 3 driver, configuration or file not usable, 106 wrong usage (a value that does not
# fit its tag, an unknown --type). One row a case: command, exit code, arguments. Runs with the
# simulator of commands(), in its folders conf (PLCs 1 to 3), dead (nothing listens) and wrong.
exit_codes() {
  local command want args
  while read -r command want args; do
    case $command in '' | '#'*) continue ;; esac
    if [[ ${host[-1]} == *.exe ]]; then
      case $command in edit | bridge) continue ;; esac  # a dialog; no MQTT in that build
    fi
    eval "run \"exit-\$command-\$want\" \"\$want\" '' '' -- $args"
  done <<'TABLE'
info       0    info
info       3    --driver nothere.dll info
check      0    check -d conf
check      1    check -d wrong
check      3    check -d wrong -i 2
check      106  check -i 100
init       0    init -q -d conf
init       2    init -q -d dead -i 2
init       3    init -q -d conf -i 7
status     0    status -q -d conf
status     3    status -q -d nothere
parse      0    parse 01DW0100020 -q -d conf
parse      1    parse 05DW0100020 -q -d conf
parse      106  parse 01DW0100020 --type real -q -d conf
read       0    read 01DW0100002 -q -d conf
read       1    read 01DW9990002 -q -d conf
read       2    read 01DW0100002 -q -d dead -i 2
read       3    read 01DW0100002 -q -d nothere
read       106  read 01DW0100002 --type real -q -d conf
write      0    write 01DW0100010 7 -q -d conf
write      1    write 05DW0100010 7 -q -d conf
write      2    write 01DW0100010 7 -q -d dead -i 2
write      106  write 01DB0100005 300 -q -d conf
write      106  write 01DW0100010 40000 --type int -q -d conf
write      106  write 01DW0100010 -5 -q -d conf
write      106  write 01DS010001005 TOOLONGTEXT --type string -q -d conf
write      106  write 03DF0100010 2e38 --type float -q -d conf
write      106  write 01DW0100010 7 --type real -q -d conf
write      1    write 01D10100000 7 -q -d conf
warmstart  0    warmstart 1 -q -d conf
warmstart  1    warmstart 9 -q -d conf
warmstart  106  warmstart 600 -q -d conf
edit       1    edit 01DW0100020 -q -d conf
edit       3    edit 01DW0100020 -q -d nothere
edit       106  edit 01DW0100020 --type real -q -d conf
port       0    port -n NUL -q configure close
port       2    port -n ttyNOPE -q configure
port       2    port -q open
port       106  port -n ttyUSB0123456 configure
poll       0    poll --tags tags.txt --count 1 --interval 0 -q -d conf
poll       3    poll --tags nothere.txt -q -d conf
poll       106  poll --tags tags.txt --interval -1 -q -d conf
bridge     3    bridge --broker localhost --tags slashtags.txt -q -d conf
bridge     106  bridge --broker localhost:x --tags tags.txt -q -d conf
probe      0    probe 1 -q -d conf
probe      1    probe 2 --read DB99.DBW0 -q -d conf
probe      2    probe 1 -q -d dead -i 2
probe      3    probe 7 -q -d conf
probe      106  probe 1 --read MW2 -q -d conf
bench      3    bench --simulator nothere
bench      106  bench --reads 0
demo       106  demo --pace -1
TABLE
  # Nothing that did not fit was written: the word still holds what the row of exit 0 wrote.
  run exit-write-nothing-written 0 '^01DW0100010 = 7 \(word, done\)$' '' -- read 01DW0100010 -d conf
}

# wait_for FILE REGEX SECONDS: until a line of FILE matches.
wait_for() {
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    sed 's/\r$//' "$1" 2>/dev/null | grep -Eq -- "$2" && return 0
    sleep 0.1
  done
  return 1
}

# A PLC that drops during a poll is warm-started every --reconnect seconds and comes back.
poll_reconnect() {
  "${host[@]}" poll --tags tags.txt --count 40 --interval 0.25 --reconnect 0.5 -d conf \
    >reconnect.txt 2>&1 </dev/null &
  local pid=$! why=""
  wait_for reconnect.txt 'round 1: status' 20 || why="no first round"
  sim stop 3
  [ -n "$why" ] || wait_for reconnect.txt 'PLC 3 link down \(warm start every 0\.5 s\)' 10 ||
    why="no link down with its warm starts"
  sim start 3
  [ -n "$why" ] || wait_for reconnect.txt 'Warm start return 0' 10 || why="no warm start done"
  wait "$pid"
  if [ -z "$why" ] && sed 's/\r$//' reconnect.txt | grep ': status ' | tail -1 |
    grep -q 'PLC 3 active$'; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED poll-reconnect: ${why:-PLC 3 not active at the end}"
    sed 's/^/  out: /' reconnect.txt | grep -v ' = ' | head -30
  fi
}

# A master that stops and comes back while a tag file without heartbeat tags is polled: warm-started
# while it is down, then left alone with its connection up, waiting for its heartbeat; its pair
# stays on the backup.
pair_waits() {
  "${host[@]}" poll --tags tags.txt --count 40 --interval 0.1 --reconnect 0.3 -d conf \
    >pair.txt 2>&1 </dev/null &
  local pid=$! why=""
  wait_for pair.txt 'round 1: status' 20 || why="no first round"
  sim stop 1
  [ -n "$why" ] || wait_for pair.txt 'PLC 1 link down \(warm start every 0\.3 s\)' 10 ||
    why="master not shown down with its warm starts"
  sim start 1
  [ -n "$why" ] ||
    wait_for pair.txt 'status PLC 1 waits for its heartbeat \(no heartbeat tag of it in tags\.txt\); PLC 2 active' 10 ||
    why="the master does not wait for its heartbeat"
  wait "$pid"
  local restarts
  restarts=$(sed 's/\r$//' pair.txt | grep -c 'Reconnect Success, Plc #1 ')
  if [ -z "$why" ] && [ "$restarts" -eq 1 ] &&
    sed 's/\r$//' pair.txt | grep ' speed ' | tail -1 | grep -q '(PLC 2)$'; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED pair-waits: ${why:-$restarts restarts of PLC 1 (want 1), or speed not from PLC 2}"
    sed 's/^/  out: /' pair.txt | grep -v ' = ' | head -30
  fi
}

# check_lines NAME FILE [!]REGEX...: each regex must match a line of FILE (one marked ! none).
check_lines() {
  local name=$1 file=$2 why="" regex
  shift 2
  sed 's/\r$//' "$file" >"$file.lines"  # no pipe into grep -q: pipefail would see sed's SIGPIPE
  for regex in "$@"; do
    if [[ $regex == '!'* ]]; then
      ! grep -Eq -- "${regex#!}" "$file.lines" || why="$why; has /${regex#!}/"
    else
      grep -Eq -- "$regex" "$file.lines" || why="$why; lacks /$regex/"
    fi
  done
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $name: ${why#; }"
    sed 's/^/  out: /' "$file" | grep -v ' = ' | head -40
  fi
}

# The plant's troubles in the words of poll: a PLC that answers after the time-out, a master and
# then its backup stopped and started with heartbeat tags, and a pair without them whose two PLCs
# both stopped, the backup back first; and a warm start where only the backup is there.
plant_words() {
  printf 'level, 03DW0100004, int\nrun, 03DW010000500, bit\n' >slowtags.txt
  sim fault 3 jitter 150-300
  "${host[@]}" poll --tags slowtags.txt --count 2 --interval 0 -q -d conf --report slow.html \
    >slow.txt 2>&1 </dev/null
  sim clear 3
  check_lines plant-slow-plc slow.txt \
    "round 2: status .*PLC 3 no answer within the time-out" '!last request refused' \
    "^${stamp}round [12]: level 03DW0100004 unreachable: no answer within the time-out"
  check_lines plant-slow-outage slow.html '<td>PLC 3</td>.*<td>no answer within the time-out</td>'

  printf 'hb1, 01D10100000, word\nhb2, 01D20100000, word\nspeed, 01DW0100002, word\n' >hbtags.txt
  "${host[@]}" poll --tags hbtags.txt --count 30 --interval 0.1 --reconnect 0.3 -q -d conf \
    >hb.txt 2>&1 </dev/null &
  local pid=$!
  wait_for hb.txt 'round 1: status' 20
  sim stop 1
  wait_for hb.txt 'speed 01DW0100002 = [0-9]+ \(PLC 2\)' 10
  sim stop 2
  wait_for hb.txt 'hb1 01D10100000 unreachable: .*its backup PLC 2 cannot serve either' 10
  sim start 1
  sim start 2
  wait_for hb.txt 'hb1 01D10100000 = .*' 10
  wait "$pid"
  check_lines plant-heartbeats hb.txt \
    "hb1 01D10100000 unreachable: .*; the next request goes to its backup PLC 2$" \
    "hb1 01D10100000 unreachable: .*; its backup PLC 2 cannot serve either \(link down\)$" \
    "hb2 01D20100000 unreachable: .*; its master PLC 1 cannot serve either" \
    "hb1 01D10100000 reconnected, no value read this round$" \
    "status PLC 1 waits for its heartbeat;" '!hb1 01D10100000 = 0$' '!hb2 .*its backup PLC' \
    '!hb[12] 01D[12]0100000 refused'
  # The summary's smallest heartbeat is a word the PLC counted, not the 0 of a read that read none.
  check_lines plant-heartbeat-extremes hb.txt '^hb1 +01D10100000 +[0-9]+ +[0-9]+ +[1-9][0-9]* '

  "${host[@]}" poll --tags tags.txt --count 30 --interval 0.1 --reconnect 0.3 -q -d conf \
    >both.txt 2>&1 </dev/null &
  pid=$!
  wait_for both.txt 'round 1: status' 20
  sim stop 1
  sim stop 2
  wait_for both.txt 'speed 01DW0100002 unreachable: neither PLC of the pair' 10
  sim start 2
  wait_for both.txt 'speed 01DW0100002 = [0-9]+ \(PLC 2\)' 10
  sim start 1
  wait "$pid"
  check_lines plant-pair-back both.txt \
    "round [0-9]+: warm start of PLC 1 \(S7 at 127\.0\.0\.1\): its backup PLC 2 back; PLC 1 still down: TCP connection refused: nothing listens at that port$" \
    "speed 01DW0100002 = [0-9]+ \(PLC 2\)$" "status PLC 1 waits for its heartbeat .*; PLC 2 active"

  # The one-shot warm start: the backup connected by Init, the master still down.
  sim stop 1
  run warmstart-still-down 1 '' \
    '^zanhost: warm start of PLC 1 \(S7 at 127\.0\.0\.1\) restarted no connection \(result 1\): PLC 1 still down: TCP connection refused: nothing listens at that port \(ZanDOR: ' -- \
    warmstart 1 -q -d conf
  run warmstart-still-down-json 1 '"back":\[\],"down":\[1\]' '' -- warmstart 1 --json -q -d conf
  sim start 1
}

# Every step at which a connection fails, brought about by the simulator's faults, named in one line
# by read, init, status and poll (a PLC that drops while it is polled).
failures_named() {
  mkdir -p steps
  printf '1=7, 127.0.0.1, 3\n2=7, 127.0.0.2, 2\n3=5, 127.0.0.3\n' >steps/zanDOR01.INT
  local rejected='connection request rejected by the PLC: disconnect request \(TSAPs sent: local 01 01, remote 03 0'
  run step-wrong-slot 2 '1 of 3 PLCs connected|2 of 3 PLCs connected' \
    "^zanhost: PLC 1 \\(S7 at 127\\.0\\.0\\.1 port [0-9]+, slot 3\\) not connected: ${rejected}3\\) \\(ZanDOR: Connection to Plc #1 Failed !!!\\)$" -- \
    init -q -d steps
  sim fault 2 refuse
  run step-refused 2 '' \
    "^zanhost: read of 02DW0100002 failed: PLC 2 \\(S7 at 127\\.0\\.0\\.2 port [0-9]+, slot 2\\) cannot be reached \\(link down\\): ${rejected}2\\) \\(ZanDOR: Connection to Plc #2 Failed !!!\\)$" -- \
    read 02DW0100002 -q -d steps
  run step-status 2 '^2    S7    127\.0\.0\.2        -       link down$' \
    "^zanhost: PLC 2 \\(S7 at 127\\.0\\.0\\.2 port [0-9]+, slot 2\\) link down: ${rejected}2\\)" -- \
    status -q -d steps
  sim clear 2
  sim fault 2 refuse setup
  run step-setup-refused 2 '' \
    'PLC 2 \(S7 at 127\.0\.0\.2 port [0-9]+, slot 2\) cannot be reached \(link down\): setup communication refused by the PLC \(error class 0x83, code 0x04\) \(ZanDOR' -- \
    read 02DW0100002 -q -d steps
  sim clear 2
  sim fault 2 malformed
  run step-malformed 2 '' \
    'read of 02DW0100002 failed: PLC 2 \(S7 at 127\.0\.0\.2 port [0-9]+, slot 2\): answer to the read malformed: not the answer to the part on its way \(S7 header, PDU reference, function or length\) \(ZanDOR: Read Tag 02DW0100002 Failed, Len=2 rc=9,0\)$' -- \
    read 02DW0100002 -q -d steps
  sim clear 2
  sim fault 2 silent
  run step-silent 2 '' \
    'read of 02DW0100002 failed: PLC 2 \(S7 at 127\.0\.0\.2 port [0-9]+, slot 2\): no answer within the time-out \(100 ms\) \(ZanDOR: Read Tag 02DW0100002 Failed, Len=2 rc=6,0\)$' -- \
    read 02DW0100002 -q -d steps
  sim clear 2
  # A PLC that drops while it is polled: its next read names the close.
  printf 'word, 02DW0100002, word\n' >steptags.txt
  "${host[@]}" poll --tags steptags.txt --count 30 --interval 0.1 --reconnect 0 -q -d steps \
    >drop.txt 2>&1 </dev/null &
  local pid=$! why=""
  wait_for drop.txt 'round 1: word' 20 || why="no first round"
  sim fault 2 drop
  [ -n "$why" ] || wait_for drop.txt \
    'round [0-9]+: word 02DW0100002 unreachable: .*connection closed by the PLC \(TCP connection closed\)$' 10 ||
    why="the drop not named"
  wait "$pid"
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED step-dropped: $why"
    sed 's/^/  out: /' drop.txt | head -30
  fi
}

# zanhost probe: each step with its time, the identification, each failed step in one line.
probe_checks() {
  local ms='[0-9]+\.[0-9]{2} ms'
  sim set 1 db20 6 0x04D2
  run probe-tcp 0 "^TCP connect +$ms  127\\.0\\.0\\.1 port [0-9]+$" '' -- probe 1 -d conf
  run probe-request 0 "^connection request +$ms  confirmed: TSAPs local 01 01, remote 03 02, TPDU size 1024$" '' -- \
    probe 1 -d conf
  run probe-setup 0 "^setup communication +$ms  PDU size 480 granted \\(960 asked\\)$" '' -- probe 1 -d conf
  run probe-read 0 "^read +$ms  DB10\\.DBW0 = [0-9]+ \\(0x[0-9A-F]{4}\\), the first data block that answered$" '' -- \
    probe 1 -d conf
  run probe-identification 0 "^identification +$ms  order number .+, module name .+, serial number ZS-00000001, CPU state RUN$" '' -- \
    probe 1 -d conf
  run probe-read-given 0 "^read +$ms  DB20\\.DBW6 = 1234 \\(0x04D2\\)$" '' -- probe 1 --read db20.dbw6 -d conf
  run probe-s5-write 0 "^connection request \\(write connection\\) +$ms  confirmed: TSAPs local \"KORVEL\", remote \"KORWRITE\", TPDU size 1024$" '' -- \
    probe 3 -d conf
  run probe-s5-read 0 "^read \\(fetch connection\\) +$ms  DB10\\.DW0 = " '' -- probe 3 -d conf
  run probe-s5-identification 0 '^identification .* not answered: an S5 tells nothing of itself' '' -- \
    probe 3 -d conf
  run probe-json 0 '^\{"plc":1,"step":"setup communication","ms":[0-9.]+,"result":"done","detail":"PDU size 480 granted \(960 asked\)","pduSize":480,"pduSizeAsked":960\}$' '' -- \
    probe 1 --json -d conf
  run probe-verbose 0 '^    > 03 00 00 16 11 E0 00 00 00 01 00 C0 01 0A C1 02 01 01 C2 02 03 02$' '' -- \
    probe 1 -v -d conf
  run probe-quiet 0 '' '' -- probe 1 -q -d conf
  if [ -s out.txt ]; then
    failed=$((failed + 1))
    echo "FAILED probe-quiet-silent: -q printed" && cat out.txt
  fi
  local plc1='^zanhost: probe of PLC 1 \(S7 at 127\.0\.0\.1 port [0-9]+, slot 3\)'
  run probe-wrong-slot 2 '' \
    "$plc1: connection request failed after $ms: rejected by the PLC \\(disconnect request, reason 0x[0-9A-F]{2}; TSAPs local 01 01, remote 03 03\\)$" -- \
    probe 1 -d steps
  run probe-nothing-listens 2 '' \
    'TCP connect failed after [0-9.]+ ms: 127\.0\.0\.9 port [0-9]+: refused: nothing listens at that port$' -- \
    probe 1 -d dead -i 2
  sim fault 2 refuse setup
  run probe-setup-refused 2 '' \
    'setup communication failed after [0-9.]+ ms: refused by the PLC \(error class 0x83, code 0x04\)$' -- \
    probe 2 -d steps
  sim clear 2
  sim fault 2 malformed
  run probe-malformed 2 '' 'read failed after [0-9.]+ ms: answer not understood: no S7 header$' -- \
    probe 2 -d steps
  sim clear 2
  sim fault 2 silent
  run probe-silent 2 '' 'read failed after [0-9.]+ ms: no answer within 100 ms$' -- probe 2 -d steps
  sim clear 2
  run probe-read-refused 1 '' 'read refused after [0-9.]+ ms: data block 99 does not exist$' -- \
    probe 2 --read DB99.DBW0 -d steps
  run probe-unknown-plc 3 '' '^zanhost: PLC 7 is not in .*zanDOR01\.INT' -- probe 7 -d conf
  run probe-bad-word 106 '' 'names no data block word' -- probe 1 --read MW2 -d conf
  QUAXNET_PORT=abc run probe-bad-port 3 '' 'QUAXNET_PORT=abc is no port number' -- probe 1 -d conf
}

# The bridge where the build has MQTT (its checks against a broker are bridge_e2e), and the one
# line of a build without it.
bridge_checks() {
  printf 'a/b, 01DW0100002, word\n' >slashtags.txt
  if [[ "${host[*]}" == *.exe* ]]; then
    run bridge-no-mqtt 3 '' '^zanhost: this build of zanhost has no MQTT support' -- \
      bridge --broker localhost --tags tags.txt -d conf
  else
    run bridge-topic-name 3 '' 'line 1: the tag name cannot be a level of an MQTT topic' -- \
      bridge --broker localhost --tags slashtags.txt -d conf
    run bridge-bad-broker 106 '' 'the broker.s port "x" is not from 1 to 65535' -- \
      bridge --broker localhost:x --tags tags.txt -d conf
  fi
}

# A poll that ends in an HTML report while the simulator's PLCs change values, drop and fall
# silent; headless Chromium must render the page: its DOM holds the trends and the PLC states, and
# its screenshot (left in the build folder) has more than a few colours.
report() {
  local chromium=/usr/bin/chromium
  if [ ! -x "$chromium" ]; then
    echo "skipped: no chromium at $chromium to open the report in"
    exit 77
  fi
  mkdir -p conf
  printf '1=7, 127.0.0.1, 2\n2=7, 127.0.0.2, 2\n3=5, 127.0.0.3\nBACKUP_1=2\n' >conf/zanDOR01.INT
  printf 'speed, 01DW0100002, word\nlevel, 01DF0100008, float\nrun, 03DW010000500, bit\n' >tags.txt
  simulator_start
  "${host[@]}" poll --tags tags.txt --count 40 --interval 0.05 -q -d conf --report report.html \
    >poll.txt 2>poll.err </dev/null &
  local poll_pid=$! step
  for step in 1 2 3 4 5 6 7 8; do
    sim set 1 db10 2 "0x0$step$step$step"
    sim set 1 db10 8 "0x40${step}00000"
    case $step in 4) sim fault 1 drop ;; 6) sim fault 3 silent ;; 7) sim clear 3 ;; esac
    sleep 0.2
  done
  wait "$poll_pid"
  local got=$?
  simulator_stop
  if [ "$got" -ne 0 ] || [ ! -s report.html ]; then
    failed=$((failed + 1))
    echo "FAILED report: poll exit code $got, report.html $(wc -c <report.html 2>/dev/null) bytes"
    cat poll.err
    return
  fi
  passed=$((passed + 1))
  local shot url="file://$PWD/report.html"
  shot="$(cd ../.. && pwd)/zanhost-report.png"  # the build folder: <build>/zanhost-e2e/report
  local flags=(--headless --no-sandbox --disable-gpu --disable-background-networking
               --disable-component-update --disable-sync --no-first-run)
  timeout 120 "$chromium" "${flags[@]}" --user-data-dir="$PWD/chromium-dom" --dump-dom "$url" \
    >dom.html 2>chromium.err
  timeout 120 "$chromium" "${flags[@]}" --user-data-dir="$PWD/chromium-shot" \
    --window-size=1000,1500 --screenshot="$shot" "$url" >>chromium.err 2>&1
  local trends states colours
  trends=$(grep -o '<svg[^>]*class="trend"' dom.html | wc -l)
  states=$(grep -c 'link down' dom.html)
  colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
  if [ "$trends" -ne 3 ] || [ "$states" -lt 1 ] || ! grep -q '<polyline' dom.html ||
    ! grep -q 'class="outages"' dom.html ||
    ! grep -Eq 'class="failed"><title>[^<]*: (unreachable|refused)' dom.html ||
    [ "$colours" -lt 8 ]; then
    failed=$((failed + 1))
    echo "FAILED report-rendered: $trends trends, $states 'link down', $colours colours in $shot"
    tail -5 chromium.err
  else
    passed=$((passed + 1))
  fi
}

# The first steps of the README as lines: SIM <the simulator's command>, TYPE <a line typed into
# the simulator>, CMD <a command of a transcript>, OUT <a line of its output>, GET <a simulator
# command named in the text> and ANSWER <the answer the text gives for it>.
readme_steps() {
  awk '
    /^### / { inside = ($0 ~ /^### First steps/); next }
    !inside { next }
    /^ *```/ {
      if (fence) { fence = 0 } else { fence = 1; kind = $0; sub(/^ *```/, "", kind); said = 0 }
      next
    }
    fence {
      line = $0; sub(/^   /, "", line)
      if (kind == "sh" && line ~ /^zanplcsim /) { print "SIM " line; next }
      if (kind != "text") next
      if (line ~ /^[$] /) { said = 1; print "CMD " substr(line, 3); next }
      if (said) { print "OUT " line } else if (line != "") { print "TYPE " line }
      next
    }
    match($0, /`get [^`]*` answers `ok [^`]*`/) {
      split(substr($0, RSTART, RLENGTH), parts, "`")
      print "GET " parts[2]; print "ANSWER " parts[4]
    }
  ' "$1"
}

# The README's first steps run as they are written there, each command copied from the README
# with the output it shows; only the simulator's port (a free one for 10102) and the folder
# (/tmp/first becomes one in the work folder) are changed.
readme() {
  local steps kind line port_line typed=() commands=() outputs=() get="" answer="" base=$PWD
  steps=$(readme_steps "$here/../../README.md")
  while IFS= read -r line; do
    kind=${line%% *} line=${line#* }
    case $kind in
      SIM) port_line=$line ;;
      TYPE) typed+=("$line") ;;
      CMD) commands+=("$line") outputs+=("") ;;
      OUT) outputs[${#outputs[@]} - 1]+="$line"$'\n' ;;
      GET) get=$line ;;
      ANSWER) answer=$line ;;
    esac
  done <<<"$steps"
  if [ -z "${port_line-}" ] || [ "${#commands[@]}" -lt 5 ] || [ -z "$get" ]; then
    echo "FAILED readme-steps: the first steps of README.md are not where they were:"
    echo "$steps"
    exit 1
  fi

  # The simulator as the README starts it, on a free port, answering on fd 4.
  mkfifo sim.in sim.out
  local started=${port_line/--port 10102/--port 0}
  eval "${started/#zanplcsim/\"\$simulator\"} --quit-on-eof" <sim.in >sim.out 2>sim.err &
  simulator_pid=$!
  exec 3>sim.in 4<sim.out
  read -r line <&4 || { echo "the simulator did not start:"; cat sim.err; exit 1; }
  port=${line#ready port=} port=${port%% *}
  for line in "${typed[@]}"; do sim "$line"; done

  zanhost() { "${host[@]}" "$@"; }
  local folder="$base/first" i got want status
  for i in "${!commands[@]}"; do
    line=${commands[$i]//\/tmp\/first/$folder}
    line=${line//10102/$port}
    # In this shell: the steps change its folder and environment as they would the user's.
    eval "$line" >"$base/step.out" 2>"$base/step.err"
    status=$?
    got=$(sed 's/\r$//' "$base/step.out")
    want=${outputs[$i]//\/tmp\/first/$folder}
    want=${want%$'\n'}
    if [ "$status" -eq 0 ] && [ "$got" = "$want" ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED readme: $ ${commands[$i]} (exit $status)"
      diff <(echo "$want") <(echo "$got") | sed 's/^/  /'
      sed 's/^/  err: /' "$base/step.err" | head -10
    fi
  done
  cd "$base" || exit 1
  echo "$get" >&3
  read -r line <&4
  if [ "$line" = "$answer" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED readme: the simulator answers \"$get\" with \"$line\", the README says \"$answer\""
  fi
  simulator_stop
}

case $mode in
  commands) commands ;;
  readme) readme ;;
  report) report ;;
  demo)
    chosen=()
    [ "$simulator" = beside ] || chosen=(--simulator "$simulator")
    run demo 0 '^zanhost demo: [0-9]+ checks, 0 not as expected' '' -- demo --pace 0 "${chosen[@]}"
    run demo-story 0 'PLC 1 Changed to Backup PLC 2 now !!!' '' -- demo --pace 0 "${chosen[@]}"
    # The bench runs through and reports each part (its figures are no test's business). Natively
    # only: zanhost.exe would start a plant of 511 PLCs in zanplcsim.exe under wine.
    if [[ "${host[*]}" != *.exe* ]]; then
      run bench 0 '^one PLC among 511 / one PLC alone: rate [0-9.]+' '' -- \
        bench -n 20 -r 2 --poll-rounds 1 --plan-rounds 1 --plan-late 0 "${chosen[@]}"
    fi
    ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
