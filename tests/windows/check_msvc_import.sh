#!/usr/bin/env bash
# Checks that a program built the way Microsoft's toolchain builds one (clang
# for the MSVC target, no C runtime, the MSVC-compatible linker lld-link) links
# against a Windows build's rdstmc.lib and, where this machine can run it,
# calls the DLL's C interface correctly under Wine.
#   tests/windows/check_msvc_import.sh BUILD-DIR
set -euo pipefail
build=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# On 32-bit x86, Microsoft's linker leaves out the safe exception handler
# table when an object (here each import stub) does not declare it;
# lld-link must be told so.
if file -b "$build/rdstmc.dll" | grep -q '^PE32+'; then
  target=x86_64-pc-windows-msvc mingw=x86_64-w64-mingw32 flags=()
else
  target=i686-pc-windows-msvc mingw=i686-w64-mingw32 flags=(/safeseh:no)
fi
clang --target=$target -ffreestanding -fno-builtin -I"$source_dir/include" \
  -c "$source_dir/tests/windows/msvc_client.c" -o "$work/client.obj"
lld-link /nologo /entry:mainCRTStartup /subsystem:console /nodefaultlib "${flags[@]}" /out:"$work/client.exe" \
  "$work/client.obj" "$build/rdstmc.lib" /usr/$mingw/lib/libkernel32.a
cp "$build/rdstmc.dll" "$work/"
if [ $target = i686-pc-windows-msvc ]; then
  echo "$build: an MSVC-style program links against rdstmc.lib (not run: 32-bit)"
  exit 0
fi
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
wineserver -w
(cd "$work" && /usr/lib/wine/wine64 ./client.exe) || { echo "$build: the MSVC-style client failed ($?)"; exit 1; }
echo "$build: an MSVC-style program links against rdstmc.lib and calls the DLL"
