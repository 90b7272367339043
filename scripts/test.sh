#!/usr/bin/env bash
# The whole test gate, on a clone with nothing beside it. Installs what is missing, checks
# that everything the steps need is there before anything is built, then runs each step
# and prints one line for it with its time; a step's own output goes to
# build/test-logs/STEP.log, and its end is shown when the step fails. The steps:
#   build      the library, the command and the tests with AddressSanitizer and
#              UndefinedBehaviorSanitizer (each layer seeing only those below it)
#   tests      every test of that build (ctest)
#   text       text layout against the reference table in tests/data/text-layout/
#   sdk        object/, gdi/, module/ and base/ against the real Windows headers, x64 and x86
#   tsan       the thread soak test built with ThreadSanitizer
#   fuzz       the fuzz corpora replayed through the fuzz targets
#   install    install, pkg-config, find_package, add_subdirectory and the Debian package
#              (tests/install_test.sh, on a release build)
#   windows    vxImage.DLL for x64 and x86, built and tested under Wine (scripts/windows.sh)
#
# usage: scripts/test.sh
# Environment: VXIMAGE_TEXT_ORACLE, another golden-public.tsv or the folder holding it
# (default: the project's tests/data/text-layout/golden-public.tsv).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
logs=$root/build/test-logs
started=$SECONDS

steps=(setup check build tests text sdk tsan fuzz install windows)
step_number=0

# Runs one step with its output in its log; prints "test: [n/N] NAME: ok, T s" or the
# failure with the end of the log, and stops.
step() {
  local name=$1 begun=$SECONDS status=0
  shift
  step_number=$((step_number + 1))
  mkdir -p "$logs"
  "$@" >"$logs/$name.log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    echo "test: [$step_number/${#steps[@]}] $name: FAILED (status $status) after $((SECONDS - begun)) s; the end of $logs/$name.log:"
    tail -n 40 "$logs/$name.log" | sed 's/^/  /'
    exit 1
  fi
  echo "test: [$step_number/${#steps[@]}] $name: ok, $((SECONDS - begun)) s"
}

oracle=${VXIMAGE_TEXT_ORACLE:-tests/data/text-layout/golden-public.tsv}
[[ -d $oracle ]] && oracle=$oracle/golden-public.tsv

# What the steps need that setup does not install: the project's own data and the tools'
# versions. Every problem is listed before anything is built.
check() {
  local missing=0 tool
  for tool in cmake ninja ctest c++ clang pkg-config x86_64-w64-mingw32-g++ i686-w64-mingw32-g++ \
    dpkg-deb dpkg-shlibdeps help2man; do
    command -v "$tool" >/dev/null || { echo "missing program: $tool"; missing=1; }
  done
  for file in "$oracle" samples/photo-2mp.jpg samples/logo.png examples/typical_request.cpp \
    tests/windows/acceptance.vbs; do
    [[ -f $file ]] || { echo "missing file: $file"; missing=1; }
  done
  [[ -d tests/corpus && -d fuzz/corpus ]] || { echo "missing folder: tests/corpus or fuzz/corpus"; missing=1; }
  local version
  version=$(cmake --version | sed -n '1s/^cmake version //p')
  [[ $(printf '%s\n3.22\n' "$version" | sort -V | head -n1) == 3.22 ]] || {
    echo "cmake $version is older than 3.22"
    missing=1
  }
  [[ $missing -eq 0 ]] && echo "all there: $oracle, the samples, the corpora and the tools"
  return $missing
}

# With ccache, compilations are shared between builds and clones of the project: paths are
# taken relative to it and the build folder is left out of the hash.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

build_asan() {
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVXIMAGE_SANITIZE=ON \
    -DVXIMAGE_BENCH=OFF "${launcher[@]}"
  cmake --build build/asan -j2
}

# ThreadSanitizer cannot share a build with AddressSanitizer; only the library and the
# soak test are built with it.
thread_soak() {
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVXIMAGE_SANITIZE_THREAD=ON \
    -DVXIMAGE_TESTS=OFF -DVXIMAGE_BENCH=OFF -DVXIMAGE_EXAMPLES=OFF "${launcher[@]}"
  cmake --build build/tsan -j2 --target vximage_thread_soak
  TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} build/tsan/bin/vximage_thread_soak
}

step setup scripts/setup.sh
step check check
step build build_asan
step tests ctest --test-dir build/asan --output-on-failure -j"$(nproc)"
step text build/asan/bin/text_layout_check "$oracle"
step sdk scripts/windows_check.sh
step tsan thread_soak
step fuzz scripts/fuzz.sh replay
step install tests/install_test.sh build/release
step windows scripts/windows.sh build/asan
echo "test: all ${#steps[@]} steps passed in $((SECONDS - started)) s"
