#!/usr/bin/env bash
# Checks a Windows ZIP as a developer receives it: unpacked into a folder of
# its own, everything there, the DLL stripped and small, and the monitor
# playing the bundled recording from that folder under Wine, in a Wine prefix
# of its own.
#   tests/windows/check_package.sh PACKAGE.zip
# A 32-bit package is checked as far as this machine allows: running it
# needs wine32 on a kernel that runs 32-bit x86 programs.
set -euo pipefail
zip=$(realpath "$1")
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$zip: $*"; exit 1; }

unzip -q "$zip" -d "$work/unpacked"
top=$(echo "$work"/unpacked/*)
for file in bin/rdstmc.dll bin/rdstmc-monitor.exe bin/rdstmc-convert.exe lib/rdstmc.lib lib/rdstmc.def include/rdstmc.h \
            include/rdstmc_ext.h include/rdstmc_tmc.h include/rdstmc_c.h share/rdstmc/river-fm.log share/rdstmc/tmc-event-properties.tsv \
            README.md LICENSE; do
  [ -f "$top/$file" ] || fail "$file is missing"
done
grep -q "MIT License" "$top/LICENSE" || fail "the licence has no MIT text"
grep -q "Attribution-ShareAlike 2.0" "$top/LICENSE" || fail "the licence lacks the event properties' notice"

dll_bytes=$(stat -c %s "$top/bin/rdstmc.dll")
echo "$(basename "$zip"): rdstmc.dll $dll_bytes bytes"
[ "$dll_bytes" -le 1200000 ] || fail "rdstmc.dll is $dll_bytes bytes, more than 1.2 MB"
for binary in "$top"/bin/*.dll "$top"/bin/*.exe; do
  if objdump -h "$binary" | grep -q "\.debug_"; then fail "$(basename "$binary") is not stripped"; fi
done

if file -b "$top/bin/rdstmc.dll" | grep -q '^PE32+'; then
  run() { /usr/lib/wine/wine64 "$@"; }
  [ -x /usr/lib/wine/wine64 ] || fail "needs /usr/lib/wine/wine64 to run the 64-bit programs"
elif [ -x /usr/lib/wine/wine ]; then
  run() { wine "$@"; }
else
  echo "$(basename "$zip"): not run: this machine cannot run 32-bit Windows programs"
  exit 0
fi
run wineboot -i >/dev/null 2>&1
wineserver -w

# Found on its own, from the package's share/rdstmc, and played in full.
(cd "$top/bin" && run rdstmc-monitor.exe --speed max) > "$work/default.txt" 2>&1 || fail "the monitor failed: $(cat "$work/default.txt")"
grep -q 'playing .*share/rdstmc/river-fm.log' "$work/default.txt" || fail "the monitor did not find the bundled recording: $(head -3 "$work/default.txt")"
(cd "$top/bin" && run rdstmc-monitor.exe --replay ../share/rdstmc/river-fm.log --duration 8) > "$work/replay.txt" 2>&1 ||
  fail "the replay failed: $(cat "$work/replay.txt")"
for wanted in 'station    PI D3C5  "RIVER FM"' 'status     stopped'; do
  grep -q "$wanted" "$work/default.txt" || fail "no '$wanted' at full speed"
done
grep -q 'station    PI D3C5  "RIVER FM"' "$work/replay.txt" || fail "no station in the replay: $(cat "$work/replay.txt")"
echo "$(basename "$zip"): unpacked, the monitor played the bundled recording"
