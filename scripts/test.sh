#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (each layer seeing only those below it), runs every test,
# checks text layout against the reference table, compiles the sources of the Windows DLL
# against the Windows SDK, runs the thread soak test built with ThreadSanitizer, replays
# the fuzz corpora through the fuzz targets, and builds and tests the Windows DLL under
# Wine (scripts/windows.sh, against the outputs of this build's library).
#
# Environment: VXIMAGE_TEXT_ORACLE, the folder with golden-public.tsv (default: the shared
# text-oracle folder beside the checkout).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVXIMAGE_SANITIZE=ON \
  -DVXIMAGE_BENCH=OFF >/dev/null
cmake --build build/asan -j2
ctest --test-dir build/asan --output-on-failure -j"$(nproc)"

oracle=${VXIMAGE_TEXT_ORACLE:-$(cd .. && pwd)/shared/text-oracle}
[[ -f $oracle/golden-public.tsv ]] || { echo "no golden-public.tsv in $oracle" >&2; exit 2; }
echo "text layout against $oracle/golden-public.tsv:"
build/asan/bin/text_layout_check "$oracle/golden-public.tsv"

# object/, gdi/, module/ and base/ against the real Windows headers, x64 and x86.
scripts/windows_check.sh

# ThreadSanitizer cannot share a build with AddressSanitizer; only the library and the
# soak test are built with it.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVXIMAGE_SANITIZE_THREAD=ON \
  -DVXIMAGE_TESTS=OFF -DVXIMAGE_BENCH=OFF -DVXIMAGE_EXAMPLES=OFF >/dev/null
cmake --build build/tsan -j2 --target vximage_thread_soak
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} build/tsan/bin/vximage_thread_soak

scripts/fuzz.sh replay

scripts/windows.sh build/asan
