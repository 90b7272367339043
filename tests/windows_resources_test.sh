#!/usr/bin/env bash
# Compiles the type library source with widl and the resource script with windres, as the
# Windows build does, and checks that every resource lands in the result. Skipped (status
# 77) where the mingw-w64 tools or the Windows IDL files (oaidl.idl and stdole2.tlb, from
# Wine's development files) are missing.
#
#   tests/windows_resources_test.sh SOURCE_DIR OUTPUT_DIR
set -euo pipefail
src=$1
out=$2
widl=x86_64-w64-mingw32-widl
windres=x86_64-w64-mingw32-windres

skip() {
  echo "skipped: $1"
  exit 77
}
first_dir_with() {
  local file=$1 dir
  shift
  for dir in "$@"; do
    [[ -f $dir/$file ]] && { echo "$dir"; return; }
  done
}

command -v "$widl" >/dev/null || skip "no $widl (package mingw-w64-tools)"
command -v "$windres" >/dev/null || skip "no $windres (package binutils-mingw-w64-x86-64)"
idl_dir=$(first_dir_with oaidl.idl /usr/include/wine/wine/windows /usr/include/wine/windows)
[[ -n $idl_dir ]] || skip "no oaidl.idl (package libwine-dev)"
stdole_dir=$(first_dir_with stdole2.tlb /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows)
[[ -n $stdole_dir ]] || skip "no stdole2.tlb (package libwine)"

mkdir -p "$out"
"$widl" -I "$idl_dir" -L "$stdole_dir" -t -o "$out/vximage.tlb" "$src/module/vximage.idl"
"$windres" -I "$src/module" -I "$out" "$src/module/vximage.rc" -O res -o "$out/vximage.res"
"$windres" -i "$out/vximage.res" -O rc -o "$out/resources.rc"

status=0
expect() {
  grep -qE "$1" "$out/resources.rc" || { echo "not in the compiled resources: $2"; status=1; }
}
expect '^101 "REGISTRY"' "REGISTRY 101"
expect '^1 "TYPELIB"' "TYPELIB 1"
expect '^202 2 ' "BITMAP 202"
expect '^  100, "vxImage"$' "string 100"
expect '^1 VERSIONINFO' "the version block"
expect 'VALUE "OLESelfRegister", ""' "OLESelfRegister"
exit $status
