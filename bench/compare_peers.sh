#!/usr/bin/env bash
# Whole-command timing of vximage against its peers on the shared benchmark photographs,
# all in one run, so that the ratios are comparable:
#   recode: load + full JPEG        vs  djpeg | cjpeg -quality 80 -sample 1x1 (the floor)
#   thumb:  load + 150-px thumbnail vs  ImageMagick, GraphicsMagick, Pillow, libvips
#   mark:   load + logo at 50 %, 10 px in from the bottom right + full JPEG, vs the same peers
# and the peak memory of vximage's thumbnail job against 4.5 bytes a source pixel + 32 MiB.
#
# usage: bench/compare_peers.sh [RUNS]    (default 10 runs a command)
# Environment: VXIMAGE_PEERS, the folder with run_peer.sh and inputs/ (default: the shared
# benchmark folder beside the checkout).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-10}
peers=${VXIMAGE_PEERS:-$(cd .. && pwd)/shared/bench}
[[ -x $peers/run_peer.sh ]] || { echo "no run_peer.sh in $peers" >&2; exit 2; }

scripts/setup.sh --bench
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release >/dev/null
vximage=$PWD/build/release/bin/vximage
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"

# Mean seconds of each command of a hyperfine JSON export, one "name mean" line each.
means() {
  python3 -c 'import json,sys
for r in json.load(open(sys.argv[1]))["results"]: print(r["command"], r["mean"])' "$1"
}

report() {  # title json reference-name
  local title=$1 json=$2 reference=$3
  echo "## $title"
  means "$json" | awk -v ref="$reference" '
    { name[NR] = $1; t[NR] = $2; if ($1 == ref) base = $2 }
    END { for (i = 1; i <= NR; i++) printf "  %-10s %8.1f ms  %5.2f x %s\n", name[i], t[i] * 1000, t[i] / base, ref }'
}

for photo in photo-13mp.jpg photo-20mp.jpg; do
  in=$peers/inputs/$photo
  [[ -f $in ]] || continue
  size=$("$vximage" -e "LoadSourceImage \"$in\"" -e '? GetSourceImageWidth' -e '? GetSourceImageHeight' | paste -sd' ')
  echo "# $photo ($size)"

  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/recode.json" \
    -n vximage "$vximage -e 'LoadSourceImage \"$in\"' -e 'MakeMarkImage \"$work/out/full.jpg\"'" \
    -n floor "$peers/run_peer.sh floor $in recode $work/out" >/dev/null 2>&1
  report "load + full JPEG, quality 80, 4:4:4" "$work/recode.json" floor

  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/thumb.json" \
    -n vximage "$vximage -e 'LoadSourceImage \"$in\"' -e 'MakeThumbImage \"$work/out/thumb.jpg\", 150, 0, 1'" \
    -n im "$peers/run_peer.sh im $in thumb $work/out" \
    -n gm "$peers/run_peer.sh gm $in thumb $work/out" \
    -n pil "$peers/run_peer.sh pil $in thumb $work/out" \
    -n vips "$peers/run_peer.sh vips $in thumb $work/out" >/dev/null 2>&1
  report "load + 150-px nearest-neighbour thumbnail" "$work/thumb.json" vximage

  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/mark.json" \
    -n vximage "$vximage -e 'LoadSourceImage \"$in\"' -e 'MarkPos = 4' -e 'MarkPosOffsetX = -10' -e 'MarkPosOffsetY = -10' -e 'MarkTransparent = 50' -e 'AddImageMark \"$peers/inputs/logo.png\", 0, 0' -e 'MakeMarkImage \"$work/out/marked.jpg\"'" \
    -n im "$peers/run_peer.sh im $in mark $work/out" \
    -n gm "$peers/run_peer.sh gm $in mark $work/out" \
    -n pil "$peers/run_peer.sh pil $in mark $work/out" \
    -n vips "$peers/run_peer.sh vips $in mark $work/out" >/dev/null 2>&1
  report "load + logo at 50 % + full JPEG" "$work/mark.json" vximage

  read -r w h <<<"$size"
  peak_kib=$(/usr/bin/time -f %M "$vximage" -e "LoadSourceImage \"$in\"" \
    -e "MakeThumbImage \"$work/out/thumb.jpg\", 150, 0, 1" 2>&1 >/dev/null | tail -1)
  awk -v kib="$peak_kib" -v px=$((w * h)) 'BEGIN {
    limit = (4.5 * px + 32 * 1048576) / 1024
    printf "## peak memory of load + thumbnail\n  %.1f MiB = %.2f bytes a pixel; limit %.1f MiB\n", kib / 1024, kib * 1024 / px, limit / 1024 }'
  echo
done
