#!/usr/bin/env bash
# Builds the static libjpeg-turbo, libpng and lcms2 that the Windows DLL links, from Debian's own
# source packages (the upstream versions the Linux build uses), cross-compiled with
# mingw-w64 for x86 and x64. Results are cached under build/windows/deps/<arch>/ (include/,
# lib/); a second run does nothing.
#
# usage: scripts/windows_deps.sh [x86|x64 ...]     (default: both)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
deps=$root/build/windows/deps
arches=("$@")
[[ ${#arches[@]} -gt 0 ]] || arches=(x86 x64)

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"

# apt-get source needs a deb-src entry; this one is added for exactly that and nothing else.
ensure_source_index() {
  local list=/etc/apt/sources.list.d/vximage-deb-src.sources
  [[ -f $list ]] && return
  echo "windows-deps: adding $list (Debian source packages, for the cross builds)"
  $sudo tee "$list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
}

# Unpacks a source package into $deps/src/<package>-*/, trying each version the index
# offers, newest first: a mirror may lack one revision's files.
fetch_source() {
  local package=$1 version
  compgen -G "$deps/src/$package-*/" >/dev/null && return
  ensure_source_index
  mkdir -p "$deps/src"
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
    if (cd "$deps/src" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      echo "windows-deps: $package $version"
      return
    fi
    rm -rf "$deps/src/$package"-*/
  done
  echo "windows-deps: no source of $package could be fetched" >&2
  exit 1
}

# Configures, builds and installs one CMake project for one architecture.
cross_build() {
  local arch=$1 name=$2 source=$3
  shift 3
  local prefix=$deps/$arch
  cmake -S "$source" -B "$deps/work/$arch/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_POLICY_DEFAULT_CMP0091=NEW -Wno-dev "$@" >/dev/null
  cmake --build "$deps/work/$arch/$name" --target install >/dev/null
}

# lcms2 has no CMake project: its own configure, for the library alone (no tools, which
# would want libjpeg and libtiff), built out of the source tree.
cross_build_lcms2() {
  local arch=$1 triple=$2 source=$3
  local work=$deps/work/$arch/lcms2
  mkdir -p "$work"
  (cd "$work" && "$source/configure" --host="$triple" --prefix="$deps/$arch" --disable-shared \
    --enable-static --without-jpeg --without-tiff --without-zlib CFLAGS=-O2 >/dev/null &&
    make -C src -j2 install >/dev/null && make -C include install >/dev/null)
}

for arch in "${arches[@]}"; do
  case $arch in
    x86) triple=i686-w64-mingw32 ;;
    x64) triple=x86_64-w64-mingw32 ;;
    *) echo "usage: scripts/windows_deps.sh [x86|x64 ...]" >&2; exit 2 ;;
  esac
  prefix=$deps/$arch
  [[ -f $prefix/lib/libjpeg.a && -f $prefix/lib/libpng16.a && -f $prefix/lib/liblcms2.a ]] && continue
  fetch_source libjpeg-turbo
  fetch_source libpng1.6
  fetch_source lcms2
  echo "windows-deps: building libjpeg-turbo, libpng and lcms2 for $arch"
  # SIMD would need nasm; the scalar code gives the same pixels.
  cross_build "$arch" jpeg "$(echo "$deps"/src/libjpeg-turbo-*/)" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
  cross_build "$arch" png "$(echo "$deps"/src/libpng1.6-*/)" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$triple/include"
  [[ -f $prefix/lib/liblcms2.a ]] || cross_build_lcms2 "$arch" "$triple" "$(echo "$deps"/src/lcms2-*/)"
done
