#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the fuzzers and the fonts need.
# Safe to run again: it installs only what is missing and says nothing when all is there.
#   --bench    also the programs the benchmarks compare against
#   --windows  also the 32-bit Wine, which runs the x86 DLL (scripts/windows.sh asks for
#              it): it needs the i386 architecture added to dpkg, so it is not done unasked
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-dev           # libFuzzer, and sanitizer runtimes for the fuzz build
  libjpeg62-turbo-dev             # JPEG decoding and encoding
  libpng-dev                      # PNG decoding
  libgif-dev                      # GIF decoding
  liblcms2-dev                    # colour management: embedded ICC profiles and CMYK to sRGB
  liblcms2-utils                  # jpgicc: lcms2's own transform, the reference the colour tests compare with
  libfreetype-dev libharfbuzz-dev libfontconfig-dev  # faces, outlines, shaping
  libfribidi-dev libunibreak-dev  # right-to-left order, line-break opportunities
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea  # Windows core faces' metrics
  fonts-dejavu-core fonts-dejavu-extra  # broad fallback (Hebrew, Greek, symbols); reference faces
  fonts-kacst-one fonts-lohit-deva fonts-tlwg-garuda-ttf fonts-wqy-microhei  # Arabic, Devanagari, Thai, CJK
  mingw-w64 wine64                # Windows builds, and running the text-layout reference under Wine
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32  # vxImage.DLL: compilers with Windows threads
  mingw-w64-tools libwine-dev     # widl for the type library, and the IDL files it imports
  libz-mingw-w64-dev              # zlib for the cross-built libpng
  libgtest-dev libbenchmark-dev   # tests and benchmarks
  libjpeg-turbo-progs             # djpeg/cjpeg: reference decoder for tests, floor for benchmarks
  help2man                        # the manual page of vximage, made from its --help
  ccache                          # compilations shared between builds and clones (scripts/test.sh)
)
for option in "$@"; do
  case $option in
    --bench) packages+=(imagemagick graphicsmagick libvips-tools libvips-dev python3-pil hyperfine time) ;;
    --windows) packages+=(wine32:i386) ;;  # /usr/lib/wine/wine, for the x86 DLL
    *) echo "setup: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture (wine32:i386) need it known to dpkg before the update.
for p in "${missing[@]}"; do
  if [[ $p == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
done
# Another install may hold the package lock for a while: wait for it rather than fail.
lock=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${lock[@]}" update -qq
$sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
