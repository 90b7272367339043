#!/usr/bin/env bash
# Compiles every file of object/, gdi/ and module/, and base/ with its Windows side,
# against the real Windows SDK of mingw-w64 for x64 and x86, as the Windows DLL is built:
# the shim headers of tools/winsdk-shim/ stand where platform/ stands on Linux (platform/
# itself is out of reach), and libjpeg and libpng are the cross-built ones of
# scripts/windows_deps.sh. Warnings are errors. Headers are compiled on their own, so each
# must include what it uses. Text there is OLECHAR and OLESTR("..."): char16_t, u"" and
# std::u16string, which are this system's OLECHAR alone, are refused by name too. Prints
# each failing file with the compiler's words and exits 1 when there is one.
#
# usage: scripts/windows_check.sh [x64|x86 ...]     (default: both)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
arches=("$@")
[[ ${#arches[@]} -gt 0 ]] || arches=(x64 x86)

scripts/windows_deps.sh "${arches[@]}"

# The layers the DLL is built from, without platform/.
view=$root/build/windows/check/view
mkdir -p "$view"
for layer in base gdi object module; do
  ln -sfn "$root/$layer" "$view/$layer"
done

# The files: sources and headers of the three layers, base/ without its POSIX side.
files=()
for layer in gdi object module; do
  files+=("$layer"/*.cpp "$layer"/*.h)
done
for file in base/*.cpp base/*.h; do
  [[ $file == *_posix.cpp ]] || files+=("$file")
done

status=0
if grep -nE "char16_t|\bu[\"']|u16string" gdi/* object/* module/*.h module/*.cpp; then
  echo "windows-check: the text types above are not Windows' (OLECHAR, OLESTR(\"...\"))" >&2
  status=1
fi
for arch in "${arches[@]}"; do
  case $arch in
    x64) compiler=x86_64-w64-mingw32-g++-win32 ;;
    x86) compiler=i686-w64-mingw32-g++-win32 ;;
    *) echo "usage: scripts/windows_check.sh [x64|x86 ...]" >&2; exit 2 ;;
  esac
  deps=$root/build/windows/deps/$arch/include
  log=$root/build/windows/check/$arch.log
  : >"$log"
  export compiler deps view log root
  # A header is compiled as the one line of a source that includes it.
  check() {
    local file=$1 out
    if [[ $file == *.h ]]; then
      out=$(echo "#include \"$file\"" | "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wno-unused-parameter \
        -Werror -I "$root/tools/winsdk-shim" -I "$view" -isystem "$deps" -x c++ - 2>&1) || true
    else
      out=$("$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wno-unused-parameter -Werror \
        -I "$root/tools/winsdk-shim" -I "$view" -isystem "$deps" "$file" 2>&1) || true
    fi
    [[ -z $out ]] || printf '== %s\n%s\n' "$file" "$out" >>"$log"
  }
  export -f check
  printf '%s\n' "${files[@]}" | xargs -P 2 -I{} bash -c 'check "$@"' _ {}
  if [[ -s $log ]]; then
    cat "$log"
    echo "windows-check: $arch: $(grep -c '^== ' "$log") of ${#files[@]} files fail (log: $log)" >&2
    status=1
  else
    echo "windows-check: $arch: ${#files[@]} files compile against the Windows SDK"
  fi
done
exit $status
