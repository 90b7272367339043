#!/usr/bin/env bash
# Lanczos-3 thumbnails of the photographs against ImageMagick's: each photo is decoded once
# with djpeg, and the same pixels are resized by ImageMagick (convert -filter Lanczos
# -resize WxH!) and by ResamplePixels (the --resize mode of resample_bench); prints the PSNR
# of ours against ImageMagick's per photo and size, and ImageMagick's own from the JPEG
# file (its decoder may differ from djpeg by a level here and there) for comparison.
#
# usage: bench/resample_quality.sh [build folder (default build/release)] [long sides...]
#        (needs scripts/setup.sh --bench for ImageMagick; default sides 150 400 1000)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build/release}
shift || true
sides=("$@")
[[ ${#sides[@]} -gt 0 ]] || sides=(150 400 1000)
driver=$build/bin/resample_bench
[[ -x $driver ]] || { echo "resample_quality: no $driver (build with -DVXIMAGE_BENCH=ON)" >&2; exit 2; }
for tool in djpeg convert compare; do
  command -v "$tool" >/dev/null || { echo "resample_quality: $tool missing: scripts/setup.sh --bench" >&2; exit 2; }
done

inputs=${VXIMAGE_BENCH_INPUTS:-../shared/bench/inputs}
photos=(tests/corpus/photos/*.jpg)
[[ -d $inputs ]] && photos+=("$inputs"/*.jpg)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# PSNR in dB of two pictures of the same size ("inf" when equal).
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 || true; }

printf '%-40s %6s %11s %8s %13s\n' photo side size 'PSNR dB' 'from JPEG dB'
for photo in "${photos[@]}"; do
  djpeg -ppm "$photo" >"$work/source.ppm"
  read -r width height < <(head -c 64 "$work/source.ppm" | tr -s ' \n' ' ' | cut -d' ' -f2,3)
  for side in "${sides[@]}"; do
    if ((width >= height)); then
      w=$side h=$(((height * side * 2 + width) / (2 * width)))
    else
      h=$side w=$(((width * side * 2 + height) / (2 * height)))
    fi
    ((w >= 1 && h >= 1)) || continue
    convert "$work/source.ppm" -filter Lanczos -resize "${w}x${h}!" "$work/theirs.ppm"
    convert "$photo" -filter Lanczos -resize "${w}x${h}!" "$work/theirs_jpeg.ppm"
    "$driver" --resize "$work/source.ppm" "$w" "$h" 2 "$work/ours.ppm"
    printf '%-40s %6s %11s %8s %13s\n' "$(basename "$photo")" "$side" "${w}x${h}" \
      "$(psnr "$work/theirs.ppm" "$work/ours.ppm")" "$(psnr "$work/theirs_jpeg.ppm" "$work/ours.ppm")"
  done
done
