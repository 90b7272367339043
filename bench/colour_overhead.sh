#!/usr/bin/env bash
# What ColorManage = 1 and KeepMetadata = 1 add to the typical request, against the object's
# defaults, on the 2 MP photograph and the 13 and 20 MP ones, each as it is and converted to
# Adobe RGB; see bench/colour_overhead.py for what is measured.
#
# usage: bench/colour_overhead.sh [RUNS]    (default 10)
# Environment:
#   VXIMAGE_BENCH_INPUTS  the folder with photo-13mp.jpg and photo-20mp.jpg (see
#                         bench/photo_args.sh). The 2 MP photograph and the logo are the
#                         project's samples/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-10}

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release --target vximage_cli >/dev/null

source bench/photo_args.sh

exec /usr/bin/python3 bench/colour_overhead.py --vximage "$PWD/build/release/bin/vximage" \
  --logo "$PWD/samples/logo.png" --runs "$runs" "${photos[@]}"
