#!/usr/bin/env bash
# The library as another project gets it, in a scratch folder that is removed afterwards:
#   1. `cmake --install` into a scratch prefix puts there exactly the library (with its
#      SONAME), the public headers, the command with its manual page, the pkg-config file
#      and the CMake package;
#   2. every installed header compiles on its own with nothing but the prefix's include
#      folder (no internal header is reached);
#   3. examples/typical_request.cpp builds against the installed copy through pkg-config and
#      through find_package(vximage), and both programs do their job;
#   4. a scratch project that takes the source tree with add_subdirectory() builds and
#      runs the same example, without building our tests;
#   5. `cpack -G DEB` makes a package whose dependencies name the Debian package of every
#      library the binaries link; unpacked anywhere, its pkg-config file still works.
#
# usage: tests/install_test.sh [BUILD_DIR]    (default build/release; configured and built
#        here without tests)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
build=${1:-build/release}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vximage-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "install: FAILED: $*"
  failures=$((failures + 1))
}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target vximage vximage_cli vximage_man

# The typical request of the README in OUTPUT_FOLDER with PROGRAM: it must say "done" and
# write its three pictures.
run_example() {
  local program=$1 out=$2 said
  mkdir -p "$out"
  said=$("$program" samples/photo-2mp.jpg samples/logo.png "$out" 2>&1) || true
  [[ $said == done && -s $out/marked.jpg && -s $out/thumb.jpg ]] || fail "$program: '$said'"
}

# --- 1. Install -----------------------------------------------------------------------------
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(sed -n 's/^libdir=\${prefix}\///p' "$prefix"/lib*/pkgconfig/vximage.pc)
expected="bin/vximage
include/vximage/gdi/vxgdi.h
include/vximage/module/iresize.h
$(cd platform && ls -1 ./*.h | sed 's|^\./|include/vximage/platform/|')
$libdir/cmake/vximage/vximageConfig.cmake
$libdir/cmake/vximage/vximageConfigVersion.cmake
$libdir/cmake/vximage/vximageTargets-release.cmake
$libdir/cmake/vximage/vximageTargets.cmake
$libdir/libvximage.so
$libdir/libvximage.so.1
$libdir/libvximage.so.1.0.0.1
$libdir/pkgconfig/vximage.pc
share/man/man1/vximage.1"
installed=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
[[ $installed == "$(LC_ALL=C sort <<<"$expected")" ]] ||
  fail "installed files differ from those expected: $(diff <(LC_ALL=C sort <<<"$expected") <(echo "$installed") | tr '\n' ' ')"
soname=$(readelf -d "$prefix/$libdir/libvximage.so.1.0.0.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == libvximage.so.1 ]] || fail "SONAME is '$soname'"
version=$("$prefix/bin/vximage" --version) || fail "the installed vximage does not run"
[[ $version == "vximage 1.0.0.1" ]] || fail "vximage --version: '$version'"
grep -q 'Exit status' "$prefix/share/man/man1/vximage.1" && grep -q 'MarkPos' "$prefix/share/man/man1/vximage.1" ||
  fail "the manual page lacks the exit status or the members"
echo "install: $(wc -l <<<"$installed") files under the prefix; SONAME $soname; $version"

# --- 2. Headers on their own ----------------------------------------------------------------
for header in $(cd "$prefix/include/vximage" && find . -name '*.h' | sed 's|^\./||' | sort); do
  echo "#include \"$header\"" | c++ -std=c++17 -fsyntax-only -I"$prefix/include/vximage" -x c++ - ||
    fail "$header does not compile on its own"
done
echo "install: every installed header compiles on its own"

# --- 3. pkg-config and find_package ---------------------------------------------------------
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# shellcheck disable=SC2046  # the flags are words
c++ -std=c++17 -o "$scratch/by_pkg_config" examples/typical_request.cpp $(pkg-config --cflags --libs vximage) ||
  fail "typical_request.cpp does not build through pkg-config"
LD_LIBRARY_PATH=$prefix/$libdir run_example "$scratch/by_pkg_config" "$scratch/out/pkg-config"
unset PKG_CONFIG_PATH

consumer=$scratch/find_package
mkdir -p "$consumer"
cat >"$consumer/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.22)
project(consumer CXX)
find_package(vximage 1.0 REQUIRED)
add_executable(typical_request "$root/examples/typical_request.cpp")
target_link_libraries(typical_request PRIVATE vximage::vximage)
EOF
if cmake -S "$consumer" -B "$consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
  cmake --build "$consumer/build" >/dev/null; then
  run_example "$consumer/build/typical_request" "$scratch/out/find_package"
else
  fail "typical_request.cpp does not build through find_package(vximage)"
fi
echo "install: typical_request.cpp built and ran through pkg-config and find_package"

# --- 4. add_subdirectory --------------------------------------------------------------------
embedding=$scratch/add_subdirectory
mkdir -p "$embedding"
cat >"$embedding/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.22)
project(embedding CXX)
add_subdirectory("$root" vximage)
add_executable(typical_request "$root/examples/typical_request.cpp")
target_link_libraries(typical_request PRIVATE vximage::vximage)
EOF
if cmake -S "$embedding" -B "$embedding/build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null &&
  cmake --build "$embedding/build" -j2 --target typical_request >/dev/null; then
  run_example "$embedding/build/typical_request" "$scratch/out/add_subdirectory"
  [[ -z $(find "$embedding/build" -name vximage_tests) ]] && grep -q 'VXIMAGE_TESTS:BOOL=OFF' "$embedding/build/CMakeCache.txt" ||
    fail "add_subdirectory() builds the tests"
else
  fail "add_subdirectory() of the project does not build"
fi
echo "install: add_subdirectory() of the source tree builds and runs the example"

# --- 5. The Debian package ------------------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$scratch/deb" >/dev/null) || fail "cpack -G DEB"
deb=$(find "$scratch/deb" -maxdepth 1 -name 'vximage_*.deb' | head -n1)
if [[ -n $deb ]]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  # Every library that the binaries need comes from a package the package depends on.
  for needed in $(readelf -d "$build/lib/libvximage.so.1.0.0.1" "$build/bin/vximage" |
    sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
    [[ $needed == libvximage.so.1 ]] && continue
    path=$(ldconfig -p | awk -v lib="$needed" '$1 == lib && /x86-64/ && !found { print $NF; found = 1 }')
    owner=""
    for candidate in "$path" "/usr$path" "${path#/usr}"; do  # dpkg knows one of /lib and /usr/lib
      owner=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1) && [[ -n $owner ]] && break
    done
    [[ -n $owner ]] && grep -qE "(^|, )${owner//+/\\+}( |,|\$)" <<<"$depends" ||
      fail "$needed (package '$owner') is not among the dependencies: $depends"
  done
  dpkg-deb -x "$deb" "$scratch/unpacked"
  pc=$(find "$scratch/unpacked" -name vximage.pc)
  # shellcheck disable=SC2046
  c++ -std=c++17 -o "$scratch/from_package" examples/typical_request.cpp \
    $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs vximage) ||
    fail "typical_request.cpp does not build against the unpacked package"
  LD_LIBRARY_PATH=$(dirname "$(dirname "$pc")") run_example "$scratch/from_package" "$scratch/out/package"
  echo "install: $(basename "$deb"): Depends: $depends"
else
  fail "cpack made no vximage_*.deb"
fi

echo "install: $failures failed"
[[ $failures -eq 0 ]]
