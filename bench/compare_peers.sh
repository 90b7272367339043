#!/usr/bin/env bash
# vximage against its peers (the floor djpeg | cjpeg, ImageMagick, Pillow, libvips), every
# tool's own command timed directly and interleaved run by run: the typical request on the
# 2, 13 and 20 MP photographs, without and with a second load in the background, and a batch
# of 200 typical requests on every core. See bench/compare_peers.py for what is measured.
#
# usage: bench/compare_peers.sh [RUNS [BATCH_RUNS]]    (default 10 runs, 3 batch runs)
# Environment:
#   VXIMAGE_BENCH_INPUTS  the folder with photo-13mp.jpg and photo-20mp.jpg (see
#                         bench/photo_args.sh). The 2 MP photograph and the logo are the
#                         project's samples/.
#   BACKGROUND            processes of background load for the second pass (default 1)
#   BATCH                 photographs in the batch (default 200; 0 leaves the batch out)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-10}
batch_runs=${2:-3}

scripts/setup.sh --bench
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release --target vximage_cli >/dev/null
mkdir -p build/release/peers
# shellcheck disable=SC2046
g++ -O2 -std=c++20 bench/peers/vips_job.cpp $(pkg-config --cflags --libs vips-cpp) -o build/release/peers/vips_job

source bench/photo_args.sh

exec /usr/bin/python3 bench/compare_peers.py --vximage "$PWD/build/release/bin/vximage" \
  --vips-job "$PWD/build/release/peers/vips_job" --logo "$PWD/samples/logo.png" "${photos[@]}" \
  --runs "$runs" --background "${BACKGROUND:-1}" --batch "${BATCH:-200}" --batch-photo "$PWD/samples/photo-2mp.jpg" \
  --batch-runs "$batch_runs"
