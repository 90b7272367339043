#!/usr/bin/env bash
# Builds vxImage.DLL for x86 and x64 with mingw-w64 (build/windows/<arch>/vxImage.DLL) and
# tests them: both with objdump (machine, the four exports, nothing but system DLLs
# imported, the resources), and both under Wine, each in a prefix of its own made for the
# run and deleted afterwards, without a display: the x64 DLL with the 64-bit Wine
# (/usr/lib/wine/wine64, a win64 prefix), the x86 DLL with the 32-bit Wine
# (/usr/lib/wine/wine, WINEARCH=win32), which setup installs when asked (--windows). The
# same steps for each:
#   1. regsvr32 /s registers it;
#   2. reg query finds every key and value of the registration and of the type library;
#   3. tests/windows/acceptance.vbs and examples/typical_request.vbs run through cscript;
#   4. the C++ client (tests/windows/client.cpp) and the registrar test pass;
#   5. the outputs of the typical request equal those of the Linux library: the same sizes,
#      and the same pixels where both sides compute them alike (see below); the largest
#      channel difference of every output is printed; the outputs of the colour and coding
#      members carry their Exif and ICC segments, are progressive, and where both sides
#      compute them alike have the Linux library's pixels;
#   6. regsvr32 /u /s removes every key it wrote, and HKCR\CLSID stays.
#
# usage: scripts/windows.sh [LINUX_BUILD_DIR]
#   LINUX_BUILD_DIR holds bin/vximage and bin/jpeg_difference of the Linux build
#   (default build/release, built when missing).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
linux_build=${1:-build/release}
started=$SECONDS

scripts/setup.sh --windows  # with the 32-bit Wine
scripts/windows_deps.sh

failures=0
fail() {
  echo "windows: FAILED: $*"
  failures=$((failures + 1))
}

# --- Build ------------------------------------------------------------------------------
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
for arch in x86 x64; do
  cmake -S . -B "build/windows/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DVXIMAGE_WINDOWS_DEPS="$root/build/windows/deps/$arch" >/dev/null
  cmake --build "build/windows/$arch" -j2
done
if [[ ! -x $linux_build/bin/vximage || ! -x $linux_build/bin/jpeg_difference ]]; then
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF \
    -DVXIMAGE_BENCH=OFF -DVXIMAGE_EXAMPLES=OFF >/dev/null
  cmake --build "$linux_build" -j2 --target vximage_cli jpeg_difference
fi

# --- The DLLs as files ---------------------------------------------------------------------
# The resources as "type/id" (hexadecimal ids, names for named types) from objdump's dump
# of the resource directory: type entries are indented by three blanks, ids by five.
resources_of() {
  "$1" -p "$2" | awk '
    /^[0-9a-f]+   Entry: name: / { sub(/^.*\]: /, ""); sub(/,.*$/, ""); type = $0; next }
    /^[0-9a-f]+   Entry: ID: / { type = $4; sub(/,$/, "", type); next }
    /^[0-9a-f]+     Entry: ID: / { id = $4; sub(/,$/, "", id); print type "/" id }' |
    while IFS=/ read -r type id; do
      [[ $type == 0x* ]] && type=$((type))
      echo "$type/$((id))"
    done | sort | tr '\n' ' '
}

check_dll() {
  local arch=$1 objdump format dll=build/windows/$1/vxImage.DLL headers exports imports resources
  case $arch in
    x86) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
    x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  esac
  [[ -f $dll ]] || { fail "$dll was not built"; return; }
  "$objdump" -f "$dll" | grep -q "file format $format\$" || fail "$dll is not $format"
  headers=$("$objdump" -p "$dll")
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' <<<"$headers" | sort | tr '\n' ' ')
  [[ $exports == "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]] ||
    fail "$dll exports: $exports"
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  for dependency in $imports; do
    case $dependency in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | ole32.dll | oleaut32.dll | msvcrt.dll) ;;
      *) fail "$dll needs $dependency beside it" ;;
    esac
  done
  # REGISTRY 101, BITMAP (2) 202, the string table block of string 100 (6/7), TYPELIB 1,
  # the version block (16/1).
  resources=$(resources_of "$objdump" "$dll")
  [[ $resources == "16/1 2/202 6/7 REGISTRY/101 TYPELIB/1 " ]] || fail "$dll resources: $resources"
  echo "windows: $dll: $format, exports $exports, imports $imports"
}
check_dll x86
check_dll x64

# --- The Linux library's outputs of the typical request, to compare the DLLs' with --------
# Thumbnails are resampled by the system's StretchBlt (GDI's own sampling on Windows, ours
# on Linux: whole pixels either way, but not always the same ones), and the caption is
# drawn by the system's text rasteriser, so those are only measured; the marked picture
# and the crop of a PNG or BMP source must have the same pixels, as both sides decode
# those exactly and then run the same code.
out=build/windows/out
rm -rf "$out"
mkdir -p "$out/linux"
sources=(samples/photo-2mp.jpg tests/corpus/png/pil_exif.png tests/corpus/png/pil_uncompressed_rgb.png
  tests/corpus/bmp/g/rgb24.bmp tests/corpus/bmp/g/pal8.bmp tests/corpus/gif/imagegif_interlaced.gif)
outputs=(mark thumb0 thumb1 thumb2 thumb3 crop text)
for source in "${sources[@]}"; do
  target=$out/linux/$(basename "${source%.*}")
  if ! "$linux_build/bin/vximage" \
    -e "LoadSourceImage \"$source\"" -e 'MarkPos = 4' -e 'MarkTransparent = 50' \
    -e 'AddImageMark "samples/logo.png", 0, 0' -e "MakeMarkImage \"$target-mark.jpg\"" \
    -e "MakeThumbImage \"$target-thumb0.jpg\", 150, 100, 0" -e "MakeThumbImage \"$target-thumb1.jpg\", 150, 0, 1" \
    -e "MakeThumbImage \"$target-thumb2.jpg\", 0, 100, 2" -e "MakeThumbImage \"$target-thumb3.jpg\", 0.5, 0.25, 3" \
    -e "MakeCropImage \"$target-crop.jpg\", 10, 20, 100, 80" -e 'MarkPos = 3' -e 'MarkTransparent = 100' \
    -e 'TextMarkFontName = "Arial"' -e 'TextMarkHeight = -48' -e 'TextMarkColor = &HFFFFFF' \
    -e 'TextMarkShadowVisible = 1' -e 'TextMarkShadowDistance = 3' -e 'AddTextMark "(c) 2026 Example Photo", 0, 0' \
    -e "MakeMarkImage \"$target-text.jpg\""; then
    fail "the Linux library's typical request on $source"
  fi
done

# The colour and coding members as acceptance.vbs sets them, on its Adobe RGB photo with
# EXIF orientation 6: converted to sRGB, upright, metadata kept, progressive 4:2:0 with
# optimised tables.
adobe=tests/windows/adobe-rgb-exif.jpg
adobe_outputs=(mark thumb fit fill crop)
if ! "$linux_build/bin/vximage" \
  -e 'ColorManage = 1' -e 'KeepMetadata = 1' -e 'Progressive = 1' -e 'OptimizeCoding = 1' \
  -e 'ChromaSubsampling = 2' -e 'AutoOrient = 1' -e "LoadSourceImage \"$adobe\"" \
  -e "MakeMarkImage \"$out/linux/adobe-mark.jpg\"" -e "MakeThumbImage \"$out/linux/adobe-thumb.jpg\", 60, 0, 1" \
  -e "MakeFitImage \"$out/linux/adobe-fit.jpg\", 50, 50" -e "MakeFillImage \"$out/linux/adobe-fill.jpg\", 40, 40" \
  -e "MakeCropImage \"$out/linux/adobe-crop.jpg\", 10, 20, 100, 80"; then
  fail "the Linux library's colour and coding members on $adobe"
fi

# --- Wine -----------------------------------------------------------------------------------
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko to install
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  if [[ -n ${WINEPREFIX:-} ]]; then
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
}
trap cleanup EXIT

# A path of this machine as Wine's programs name it (drive Z: is the root).
windows_path() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}

# The text of a value (the default value without a name), or status 1 when it is missing.
reg_value() {
  local out
  if [[ -z $2 ]]; then
    out=$("$wine" reg query "$1" /ve 2>/dev/null) || return 1
  else
    out=$("$wine" reg query "$1" /v "$2" 2>/dev/null) || return 1
  fi
  out=$(tr -d '\r' <<<"$out" | grep -m1 '    REG_SZ    ') || return 1
  echo "${out#*    REG_SZ    }"
}
expect_value() {
  local got
  got=$(reg_value "$1" "$2") || { fail "$arch: no value '${2:-(Default)}' in $1"; return; }
  [[ $got == "$3" ]] || fail "$arch: $1 ${2:-(Default)}: '$got', expected '$3'"
}
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }

clsid='{53AC3439-FB62-4007-80DB-503A87F6330A}'
iid='{54F8D524-D233-48EE-9D62-B9B46FA0719F}'
libid='{BBDB5833-9237-4417-BD1C-0F899312562C}'
# Every key that registration writes, in the order of the registration table and then the
# type library's.
registered_keys=(
  'HKCR\vxImage.Resize.1' 'HKCR\vxImage.Resize.1\CLSID' 'HKCR\vxImage.Resize'
  'HKCR\vxImage.Resize\CLSID' 'HKCR\vxImage.Resize\CurVer' "HKCR\\CLSID\\$clsid"
  "HKCR\\CLSID\\$clsid\\ProgID" "HKCR\\CLSID\\$clsid\\VersionIndependentProgID"
  "HKCR\\CLSID\\$clsid\\Programmable" "HKCR\\CLSID\\$clsid\\InprocServer32" "HKCR\\CLSID\\$clsid\\TypeLib"
  "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"
)

run_test_program() {
  local name=$1 status=0 output
  shift
  output=$("$wine" "$@" 2>&1) || status=$?
  tr -d '\r' <<<"$output" | sed 's/^/  /'
  [[ $status -eq 0 ]] || fail "$arch: $name: status $status"
}

# Steps 1 to 6 on build/windows/ARCH/vxImage.DLL in a new prefix of the Wine for ARCH.
test_dll() {
  arch=$1
  local typelib_kind dll short_dll install_folder result acceptance checks per_source planned
  case $arch in
    x64) wine=/usr/lib/wine/wine64 typelib_kind=win64 ;;
    x86) wine=/usr/lib/wine/wine typelib_kind=win32 ;;
  esac
  export WINEARCH=$typelib_kind
  [[ -x $wine ]] || { fail "$arch: no $wine (scripts/setup.sh --windows installs it)"; return; }
  WINEPREFIX=$(mktemp -d "$root/build/windows/wineprefix-$arch.XXXXXX")
  export WINEPREFIX
  "$wine" wineboot -i >/dev/null 2>&1

  # 1. Registration, from a folder whose name needs the short form and holds a quote.
  install_folder="$WINEPREFIX/drive_c/Program Files/vx'Image test"
  mkdir -p "$install_folder"
  cp "build/windows/$arch/vxImage.DLL" "$install_folder/"
  dll="C:\\Program Files\\vx'Image test\\vxImage.DLL"
  short_dll=$("$wine" winepath -s "$dll" | tr -d '\r')
  if "$wine" regsvr32 /s "$dll"; then
    echo "windows: $arch: regsvr32 /s registered $dll"
  else
    fail "$arch: regsvr32 /s $dll: status $?"
  fi

  # 2. The keys and values of the registration and of the type library.
  expect_value 'HKCR\vxImage.Resize.1' '' 'Merrow vxImage Class 8.0'
  expect_value 'HKCR\vxImage.Resize.1\CLSID' '' "$clsid"
  expect_value 'HKCR\vxImage.Resize' '' 'Merrow vxImage  Class 8.0'
  expect_value 'HKCR\vxImage.Resize\CLSID' '' "$clsid"
  expect_value 'HKCR\vxImage.Resize\CurVer' '' 'vxImage.Resize.1'
  expect_value "HKCR\\CLSID\\$clsid" '' 'Merrow vxImage Class 8.0'
  expect_value "HKCR\\CLSID\\$clsid\\ProgID" '' 'vxImage.Resize.1'
  expect_value "HKCR\\CLSID\\$clsid\\VersionIndependentProgID" '' 'vxImage.Resize'
  key_exists "HKCR\\CLSID\\$clsid\\Programmable" || fail "$arch: no key HKCR\\CLSID\\$clsid\\Programmable"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" '' "$short_dll"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel 'Apartment'
  expect_value "HKCR\\CLSID\\$clsid\\TypeLib" '' "$libid"
  expect_value "HKCR\\TypeLib\\$libid\\1.0" '' 'Merrow vxImage 8.0 Type Library'
  expect_value "HKCR\\TypeLib\\$libid\\1.0\\409\\$typelib_kind" '' "$dll"
  expect_value "HKCR\\TypeLib\\$libid\\1.0\\FLAGS" '' '8'  # LIBFLAG_FHASDISKIMAGE, as widl sets it
  expect_value "HKCR\\TypeLib\\$libid\\1.0\\HELPDIR" '' "C:\\Program Files\\vx'Image test\\"
  expect_value "HKCR\\Interface\\$iid" '' 'IResize'
  expect_value "HKCR\\Interface\\$iid\\ProxyStubClsid32" '' '{00020424-0000-0000-C000-000000000046}'
  expect_value "HKCR\\Interface\\$iid\\TypeLib" '' "$libid"
  echo "windows: $arch: registry checked (InprocServer32 = $short_dll, type library under $typelib_kind)"

  # 3. The acceptance script, and the README's example, through cscript. cscript ends with
  # status 0 even when a script dies, so the closing line is what counts.
  local dll_out=$out/$arch/dll example_out=$out/$arch/example
  mkdir -p "$dll_out" "$example_out"
  local windows_sources=() source
  for source in "${sources[@]}"; do windows_sources+=("$(windows_path "$source")"); done
  acceptance=tests/windows/acceptance.vbs
  checks=$(sed -n 's/^Const kChecks = //p' "$acceptance" | tr -d '\r')
  per_source=$(sed -n 's/^Const kChecksPerSource = //p' "$acceptance" | tr -d '\r')
  planned=$((checks + per_source * ${#sources[@]}))
  result=$("$wine" cscript //nologo "$(windows_path "$acceptance")" "$(windows_path samples/logo.png)" \
    "$(windows_path "$dll_out")" "${windows_sources[@]}" 2>&1 | tr -d '\r') || true
  sed 's/^/  /' <<<"$result"
  [[ $(tail -n1 <<<"$result") == "$planned passed, 0 failed" ]] ||
    fail "$arch: acceptance.vbs did not end with '$planned passed, 0 failed'"

  result=$("$wine" cscript //nologo "$(windows_path examples/typical_request.vbs)" "$(windows_path samples/photo-2mp.jpg)" \
    "$(windows_path samples/logo.png)" "$(windows_path "$example_out")" 2>&1 | tr -d '\r') || true
  [[ $result == "done" && -s $example_out/marked.jpg && -s $example_out/thumb.jpg && -s $example_out/crop.jpg ]] ||
    fail "$arch: examples/typical_request.vbs: $result"

  # 4. The C++ client, and the registrar on its own: their status is their count of failures.
  run_test_program client.exe "build/windows/$arch/bin/client.exe" "$(windows_path samples/photo-2mp.jpg)" \
    "$(windows_path "$dll_out")"
  run_test_program registrar_test.exe "build/windows/$arch/bin/registrar_test.exe"

  # 5. The outputs side by side with the Linux library's: the same size always, the same
  # pixels where both sides compute them alike.
  local name output file difference
  for source in "${sources[@]}"; do
    name=$(basename "${source%.*}")
    for output in "${outputs[@]}"; do
      file=$name-$output.jpg
      if ! difference=$("$linux_build/bin/jpeg_difference" "$dll_out/$file" "$out/linux/$file"); then
        fail "$arch: $file: DLL and Linux library differ in size or did not write it: $difference"
        continue
      fi
      echo "windows: $arch: $file: DLL against Linux ${difference#* }"
      case $source:$output in
        *.png:mark | *.png:crop | *.bmp:mark | *.bmp:crop)
          [[ ${difference##* } == 0 ]] || fail "$arch: $file: the pixels differ" ;;
      esac
    done
  done

  # The outputs of the colour and coding members: each carries its Exif and ICC segments and
  # is progressive; the marked picture and the crop are the Linux library's pixels, as both
  # sides decode and convert with the same libjpeg-turbo and lcms2.
  for output in "${adobe_outputs[@]}"; do
    file=adobe-$output.jpg
    [[ -s $dll_out/$file ]] || { fail "$arch: $file was not written"; continue; }
    LC_ALL=C grep -qaP 'Exif\x00\x00' "$dll_out/$file" || fail "$arch: $file has no Exif segment"
    LC_ALL=C grep -qa 'ICC_PROFILE' "$dll_out/$file" || fail "$arch: $file has no ICC profile"
    LC_ALL=C grep -qaP '\xFF\xC2' "$dll_out/$file" || fail "$arch: $file is not progressive"
    if ! difference=$("$linux_build/bin/jpeg_difference" "$dll_out/$file" "$out/linux/$file"); then
      fail "$arch: $file: DLL and Linux library differ in size: $difference"
      continue
    fi
    echo "windows: $arch: $file: DLL against Linux ${difference#* }"
    case $output in
      mark | crop) [[ ${difference##* } == 0 ]] || fail "$arch: $file: the pixels differ" ;;
    esac
  done

  # 6. Unregistration: every key it wrote is gone, HKCR\CLSID stays.
  if "$wine" regsvr32 /u /s "$dll"; then
    echo "windows: $arch: regsvr32 /u /s unregistered $dll"
  else
    fail "$arch: regsvr32 /u /s $dll: status $?"
  fi
  local key
  for key in "${registered_keys[@]}"; do
    key_exists "$key" && fail "$arch: $key is still there after unregistration"
  done
  key_exists 'HKCR\CLSID' || fail "$arch: HKCR\\CLSID went with the unregistration"

  cleanup
  unset WINEPREFIX
}

test_dll x64
test_dll x86

echo "windows: $failures failed, $((SECONDS - started)) s"
[[ $failures -eq 0 ]]
