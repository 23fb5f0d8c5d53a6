#!/usr/bin/env bash
# Runs the Windows tests of a mingw-w64 build under Wine, in a Wine prefix of
# their own (never the user's), with COM5 and COM6 joined through socat.
#   tests/windows/run_under_wine.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
socat_pid=
cleanup() {
  [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

wineboot -i >/dev/null 2>&1
wineserver -w

echo "== device-free unit tests under Wine, each in a process of its own as ctest runs them"
unit="$build/tests/windows/windows_unit_tests.exe"
failed=0; passed=0
suite=
while IFS= read -r line; do
  line=${line%$'\r'}
  case "$line" in
    [A-Za-z]*.) suite=$line ;;
    "  "*) name=${line#  }; name=${name%% *}
      if wine "$unit" --gtest_filter="$suite$name" --gtest_brief=1 > "$work/unit.log" 2>&1; then
        passed=$((passed + 1))
      else
        failed=$((failed + 1)); cat "$work/unit.log"
      fi ;;
  esac
done < <(wine "$unit" --gtest_list_tests)
echo "unit tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

echo "== a client of rdstmc.dll through COM5/COM6"
socat pty,raw,echo=0,link="$work/ttyA" pty,raw,echo=0,link="$work/ttyB" &
socat_pid=$!
for _ in $(seq 50); do [ -e "$work/ttyA" ] && [ -e "$work/ttyB" ] && break; sleep 0.1; done
ln -sf "$work/ttyA" "$WINEPREFIX/dosdevices/com5"
ln -sf "$work/ttyB" "$WINEPREFIX/dosdevices/com6"
wineserver -k >/dev/null 2>&1 || true   # the new ports are seen by a fresh server
cp "$build/rdstmc.dll" "$build/tests/windows/"
run="$work/run"
mkdir -p "$run"
(cd "$run" && wine "$build/tests/windows/windows_com_test.exe") &
test_pid=$!
# The last check pulls the port away: kill socat when the program is ready.
for _ in $(seq 600); do
  [ -e "$run/vanish-ready" ] && break
  kill -0 "$test_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -e "$run/vanish-ready" ]; then
  kill "$socat_pid"; wait "$socat_pid" 2>/dev/null || true; socat_pid=
  touch "$run/vanished"
fi
wait "$test_pid"
