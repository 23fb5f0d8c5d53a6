#!/usr/bin/env bash
# Runs the Windows tests of a mingw-w64 build under Wine, in a Wine prefix of
# their own (never the user's), with COM5 and COM6 joined through socat.
#   tests/windows/run_under_wine.sh BUILD_DIR [LINUX_BUILD_DIR]
# With a Linux build, the converter's output is compared with Linux's. A
# 32-bit build needs wine32 (Debian's wine32:i386) on a kernel that runs
# 32-bit x86 programs.
set -euo pipefail
build=$(cd "$1" && pwd)
linux_build=${2:+$(cd "$2" && pwd)}
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
socat_pid=
cleanup() {
  [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

if ! file -b "$build/rdstmc.dll" | grep -q '^PE32 executable' && [ -x /usr/lib/wine/wine64 ]; then
  # 64-bit programs straight to the 64-bit loader: with wine32 installed,
  # "wine" goes through the 32-bit one, which may itself be emulated.
  wine() { /usr/lib/wine/wine64 "$@"; }
fi

wine wineboot -i >/dev/null 2>&1
# Without a post-mortem debugger a crash ends the program with its exception
# code; with Wine's default one it exits with 0 and would pass as a success.
wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
wineserver -w
# One server for the whole run: one that quits between two programs can drop
# the next one's connection as it goes ("recvmsg: Connection reset by peer").
wineserver -p >/dev/null 2>&1

# COM5 and COM6 are the two ends of one line; COM12 is COM5 again, for the
# names from COM10 on.
start_line() {
  rm -f "$work/ttyA" "$work/ttyB"
  socat pty,raw,echo=0,link="$work/ttyA" pty,raw,echo=0,link="$work/ttyB" &
  socat_pid=$!
  for _ in $(seq 50); do [ -e "$work/ttyA" ] && [ -e "$work/ttyB" ] && break; sleep 0.1; done
}
start_line
ln -sf "$work/ttyA" "$WINEPREFIX/dosdevices/com5"
ln -sf "$work/ttyB" "$WINEPREFIX/dosdevices/com6"
ln -sf "$work/ttyA" "$WINEPREFIX/dosdevices/com12"
wineserver -k >/dev/null 2>&1 || true   # the new ports are seen by a fresh server
wineserver -w
wineserver -p >/dev/null 2>&1

unit="$build/tests/windows/windows_unit_tests.exe"
failed=0; passed=0
suite=
echo "== unit tests under Wine, each in a process of its own as ctest runs them"
while IFS= read -r line; do
  line=${line%$'\r'}
  case "$line" in
    [A-Za-z]*.) suite=$line ;;
    "  "*) name=${line#  }; name=${name%% *}
      if wine "$unit" --gtest_filter="$suite$name" --gtest_brief=1 > "$work/unit.log" 2>&1; then
        passed=$((passed + 1))
      else
        status=$?; failed=$((failed + 1))
        echo "FAILED under Wine (exit status $status): $suite$name"; cat "$work/unit.log"
      fi ;;
  esac
done < <(wine "$unit" --gtest_list_tests)
echo "unit tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
# A fresh line for what follows: the serial tests leave their settings on the
# pseudo-terminals (a port keeps its settings after a close; VMIN 0 would
# make a reader here see end of file).
kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true
start_line

if [ -e "$build/tools/rdstmc-monitor.exe" ]; then
  echo "== the tools under Wine"
  cp "$build/rdstmc.dll" "$build/tools/"
  tools="$build/tools"
  expect() {  # expect FILE PATTERN WHAT
    grep -q -- "$2" "$1" || { echo "FAILED: $3"; cat "$1"; exit 1; }
  }
  # A receiver sentence with its checksum, as the module frames it.
  frame() {
    local body=${1#\$} sum=0 i c
    for ((i = 0; i < ${#body}; i++)); do printf -v c '%d' "'${body:i:1}"; sum=$((sum ^ c)); done
    printf '%s*%02X\r\n' "$1" "$sum"
  }

  # The converter writes the same bytes on Windows as on Linux, through a
  # file, standard output and standard input alike.
  printf 'RDS Spy log, 96.9 MHz\r\nD3C5 0408 E1E2 5249 @2017/04/04 21:43:12.34\r\nD3C5 0409 E1E2 5645 @2017/04/04 21:43:12.43\r\nD3C5 2400 ---- 4344\r\n' > "$work/spy.txt"
  (cd "$work" && wine "$tools/rdstmc-convert.exe" spy.txt converted.log 2>/dev/null)
  (cd "$work" && wine "$tools/rdstmc-convert.exe" spy.txt > stdout.log 2>/dev/null)
  (cd "$work" && wine "$tools/rdstmc-convert.exe" - < spy.txt > stdin.log 2>/dev/null)
  cmp "$work/converted.log" "$work/stdout.log" && cmp "$work/converted.log" "$work/stdin.log"
  expect "$work/converted.log" $'^\[1090\],\$PLTTR,0,54213,1033,57826,22085\*..\r$' "converted records"
  if [ -x "${linux_build:-}/tools/rdstmc-convert" ]; then
    "$linux_build/tools/rdstmc-convert" "$work/spy.txt" "$work/linux.log" 2>/dev/null
    cmp "$work/converted.log" "$work/linux.log"
  fi

  # The monitor plays the bundled recording.
  wine "$tools/rdstmc-monitor.exe" --duration 8 > "$work/replay.txt" 2>&1
  expect "$work/replay.txt" 'station    PI D3C5  "RIVER FM"' "the bundled recording's station"
  expect "$work/replay.txt" 'status     stopped' "the end of the replay"

  # Ports: listed, a missing one explained, the fast replay refused.
  wine "$tools/rdstmc-monitor.exe" --list-ports > "$work/ports.txt" 2>&1
  expect "$work/ports.txt" 'COM5     can be opened' "COM5 listed"
  if wine "$tools/rdstmc-monitor.exe" --port COM99 --baud 38400 > "$work/missing.txt" 2>&1; then
    echo "FAILED: a missing port succeeded"; exit 1
  fi
  expect "$work/missing.txt" 'COM99: no such port' "a missing port explained"
  # A recording at full speed, through the feed: no pseudo-terminal needed.
  wine "$tools/rdstmc-monitor.exe" --speed max --json > "$work/speed.txt" 2>&1
  expect "$work/speed.txt" '"event":"tmc_picture","messages":\[{"pi":"D3C5"' "--speed max ends with the picture"
  expect "$work/speed.txt" '"event":"station","pi":"D3C5","name":"RIVER FM"' "--speed max decodes the station"

  # Live on COM5: the module's end (COM6's pty) hears the start-up commands,
  # then sends a tuning report, a station name and a group.
  wine "$tools/rdstmc-monitor.exe" --port COM5 --baud 38400 --raw --duration 8 > "$work/live.txt" 2>&1 &
  monitor_pid=$!
  timeout 20 head -c 40 "$work/ttyB" > "$work/commands.txt" || true
  expect "$work/commands.txt" 'PLTCM,RFA,65535' "the start-up commands on the wire"
  { frame '$PLTTQ,9690,50,0,0,0'; frame '$PLTCH,"RIVER FM"'; frame '$PLTTR,0,54213,32776,101,4660'; } > "$work/ttyB"
  wait "$monitor_pid"
  expect "$work/live.txt" 'frequency  96.9 MHz  quality 50' "the live tuning report"
  expect "$work/live.txt" 'RIVER FM' "the live station name"
  expect "$work/live.txt" '8A  D3C5 8008 0065 1234' "the live TMC group"
  # A receiver behind a network serial bridge (the Linux emulator's --tcp).
  if [ -x "${linux_build:-}/tools/rdstmc-emulator" ]; then
    "$linux_build/tools/rdstmc-emulator" --tcp 0 > "$work/bridge.txt" 2>&1 &
    bridge_pid=$!
    for _ in $(seq 50); do grep -q '^tcp: ' "$work/bridge.txt" && break; sleep 0.1; done
    bridge_port=$(sed -n 's/^tcp: 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/bridge.txt")
    wine "$tools/rdstmc-monitor.exe" --port "tcp:127.0.0.1:$bridge_port" --duration 8 > "$work/tcp.txt" 2>&1
    kill "$bridge_pid" 2>/dev/null || true
    expect "$work/tcp.txt" 'station    PI D3C5  "RIVER FM"' "a receiver through a TCP bridge"
  fi
  echo "tools: converter, replay at any speed, ports, a live port and a TCP bridge all as on Linux"
fi

echo "== a host unloads rdstmc.dll at once after a stop, and mid-run"
cp "$build/rdstmc.dll" "$work/rdstmc-unload.dll"
for scenario in after-replay-stop during-replay after-close during-port; do
  (cd "$work" && timeout 60 wine "$build/tests/windows/windows_unload_test.exe" rdstmc-unload.dll "$scenario")
done

echo "== a client of rdstmc.dll through COM5/COM6"
cp "$build/rdstmc.dll" "$build/tests/windows/"
run="$work/run"
mkdir -p "$run"
(cd "$run" && wine "$build/tests/windows/windows_com_test.exe") &
test_pid=$!
# wait_for FILE: until the program makes it, or ends.
wait_for() {
  for _ in $(seq 600); do
    [ -e "$1" ] && return 0
    kill -0 "$test_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# The last check pulls the port away when the program is ready (socat
# killed, as a USB adapter pulled out), then plugs a new line in.
if wait_for "$run/vanish-ready"; then
  kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true; socat_pid=
  touch "$run/vanished"
  if wait_for "$run/replug-ready"; then
    start_line
    touch "$run/replugged"
  fi
fi
wait "$test_pid"
