#!/usr/bin/env bash
# What ColorManage = 1 and KeepMetadata = 1 add to the typical request, against the object's
# defaults, on the 2 MP photograph and the 13 and 20 MP ones, each as it is and converted to
# Adobe RGB; see bench/colour_overhead.py for what is measured.
#
# usage: bench/colour_overhead.sh [RUNS]    (default 10)
# Environment:
#   VXIMAGE_BENCH_INPUTS  the folder with photo-13mp.jpg and photo-20mp.jpg (default: the
#                         shared benchmark folder beside the checkout, or beside the main
#                         checkout of a worktree; missing ones are left out). The 2 MP photograph and the logo are the project's samples/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-10}
# Beside the checkout: the folder that holds the main clone, also from a worktree of it.
beside=$(cd "$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null || echo .git)/../.." && pwd)
inputs=${VXIMAGE_BENCH_INPUTS:-$beside/shared/bench/inputs}

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release --target vximage_cli >/dev/null

photos=(--photo "$PWD/samples/photo-2mp.jpg")
for name in photo-13mp.jpg photo-20mp.jpg; do
  if [[ -f $inputs/$name ]]; then
    photos+=(--photo "$inputs/$name")
  else
    echo "($inputs/$name not found: left out)" >&2
  fi
done

exec /usr/bin/python3 bench/colour_overhead.py --vximage "$PWD/build/release/bin/vximage" \
  --logo "$PWD/samples/logo.png" --runs "$runs" "${photos[@]}"
