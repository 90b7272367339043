#!/usr/bin/env bash
# Whole-command timing of vximage against its peers on the shared benchmark photographs,
# all in one run, so that the ratios are comparable:
#   recode: load + full JPEG        vs  djpeg | cjpeg -quality 80 -sample 1x1 (the floor)
#   thumb:  load + 150-px thumbnail vs  ImageMagick, GraphicsMagick, Pillow, libvips
#   mark:   load + logo at 50 %, 10 px in from the bottom right + full JPEG, vs the same peers
#   headline: the typical request (run_peer.sh's headline job): load, logo at 50 % bottom
#           right, text with a soft shadow bottom left, full JPEG, 150-px thumbnail and a
#           400x300 crop, vs the floor (djpeg | cjpeg) and the same peers
# and the peak memory of vximage's thumbnail and headline jobs against 4.5 bytes a source
# pixel + 32 MiB.
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

# The typical request as a vximage script: INPUT LOGO OUTPUT-PREFIX.
headline_script() {
  cat <<EOF
LoadSourceImage "$1"
MarkPos = 4
MarkPosOffsetX = -10
MarkPosOffsetY = -10
MarkTransparent = 50
AddImageMark "$2", 0, 0
MarkTransparent = 100
MarkPos = 3
MarkPosOffsetX = 10
TextMarkFontName = "DejaVu Sans"
TextMarkHeight = -48
TextMarkColor = &HFFFFFF
TextMarkShadowVisible = 1
TextMarkShadowDistance = 3
TextMarkShadowSize = 5
AddTextMark "(c) 2026 Example Photo", 0, 0
MakeMarkImage "$3.full.jpg"
MakeThumbImage "$3.thumb.jpg", 150, 0, 1
MakeCropImage "$3.crop.jpg", 100, 100, 400, 300
EOF
}

# Peak memory (maximum resident set) of a command against 4.5 bytes a source pixel + 32 MiB:
# TITLE PIXELS COMMAND...
peak() {
  local title=$1 px=$2 kib
  shift 2
  kib=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1)
  awk -v kib="$kib" -v px="$px" -v title="$title" 'BEGIN {
    limit = (4.5 * px + 32 * 1048576) / 1024
    printf "## peak memory of %s\n  %.1f MiB = %.2f bytes a pixel; limit %.1f MiB\n", title, kib / 1024, kib * 1024 / px, limit / 1024 }'
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

  headline=$work/headline.vxs
  headline_script "$in" "$peers/inputs/logo.png" "$work/out/headline" >"$headline"
  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/headline.json" \
    -n vximage "$vximage run $headline" \
    -n floor "$peers/run_peer.sh floor $in recode $work/out" \
    -n im "$peers/run_peer.sh im $in headline $work/out" \
    -n gm "$peers/run_peer.sh gm $in headline $work/out" \
    -n pil "$peers/run_peer.sh pil $in headline $work/out" \
    -n vips "$peers/run_peer.sh vips $in headline $work/out" >/dev/null 2>&1
  report "the typical request: load, logo, text + shadow, full JPEG, thumbnail, crop" "$work/headline.json" vximage

  read -r w h <<<"$size"
  peak "load + thumbnail" $((w * h)) "$vximage" -e "LoadSourceImage \"$in\"" \
    -e "MakeThumbImage \"$work/out/thumb.jpg\", 150, 0, 1"
  peak "the typical request" $((w * h)) "$vximage" run "$headline"
  echo
done
