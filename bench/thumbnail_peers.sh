#!/usr/bin/env bash
# Thumbnails against the peers, in one interleaved run:
#   1. the thumbnail-only job (load + 150-px-wide JPEG thumbnail at quality 80, 4:4:4) on a
#      20 MP photo: ours with shrink on load and area averaging (LoadMinWidth = 150,
#      ResampleFilter = 1) against each peer's fastest mode (ImageMagick -define jpeg:size
#      + -thumbnail, vipsthumbnail, Pillow thumbnail() after draft()), and ours at full
#      decode with the default nearest-neighbour pick and with Lanczos-3;
#   2. the quality of our Lanczos-3 thumbnails: PSNR against ImageMagick's
#      -filter Lanczos -resize of the same size, over the corpus photos.
# Every command is timed the same way (GNU time: wall, user + system CPU, peak RSS), run by
# run in turn; medians and minimums are reported, with the machine's load.
#
# usage: bench/thumbnail_peers.sh [RUNS]    (default 10)
# Environment: VXIMAGE_BENCH_PHOTO, the 20 MP photo (default: the shared benchmark input);
# PIL_PYTHON, the Python with Pillow (default: Debian's /usr/bin/python3).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-10}
photo=${VXIMAGE_BENCH_PHOTO:-$(cd .. && pwd)/shared/bench/inputs/photo-20mp.jpg}
[[ -f $photo ]] || { echo "no photo at $photo" >&2; exit 2; }

scripts/setup.sh --bench
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release -j2 --target vximage_cli >/dev/null
vximage=$PWD/build/release/bin/vximage
# Debian's ImageMagick 6, whatever other `convert` comes first on PATH.
im=$(command -v convert-im6.q16 || command -v convert)
identify=$(command -v identify-im6.q16 || command -v identify)
compare=$(command -v compare-im6.q16 || command -v compare)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

read -r width height < <("$vximage" -e "LoadSourceImage \"$photo\"" -e "? GetSourceImageWidth" \
  -e "? GetSourceImageHeight" | paste -sd' ')
pixels=$((width * height))

# name, then the command (each writes $work/<name>.jpg).
declare -A commands=(
  [ours-shrink-area]="$vximage -e 'LoadMinWidth = 150' -e 'ResampleFilter = 1' -e 'LoadSourceImage \"$photo\"' -e 'MakeThumbImage \"$work/ours-shrink-area.jpg\", 150, 0, 1'"
  [ours-nearest]="$vximage -e 'LoadSourceImage \"$photo\"' -e 'MakeThumbImage \"$work/ours-nearest.jpg\", 150, 0, 1'"
  [ours-lanczos]="$vximage -e 'ResampleFilter = 2' -e 'LoadSourceImage \"$photo\"' -e 'MakeThumbImage \"$work/ours-lanczos.jpg\", 150, 0, 1'"
  [imagemagick]="$im -define jpeg:size=300x300 '$photo' -thumbnail 150x -strip -quality 80 -sampling-factor 1x1 '$work/imagemagick.jpg'"
  [vipsthumbnail]="vipsthumbnail '$photo' --size 150x100000 -o '$work/vipsthumbnail.jpg[Q=80,strip,no_subsample]'"
  [pillow]="${PIL_PYTHON:-/usr/bin/python3} -c 'import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.thumbnail((150, 100000))  # draft() first: libjpeg scales down in the DCT
im.save(sys.argv[2], quality=80, subsampling=0)' '$photo' '$work/pillow.jpg'"
)
order=(ours-shrink-area imagemagick vipsthumbnail pillow ours-nearest ours-lanczos)

echo "# Thumbnail-only job, $(basename "$photo") ($width x $height), $runs interleaved runs"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for name in "${order[@]}"; do bash -c "${commands[$name]}" >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }; done
for ((run = 0; run < runs; run++)); do
  for name in "${order[@]}"; do
    /usr/bin/time -f '%e %U %S %M' -a -o "$work/$name.times" bash -c "exec ${commands[$name]}" >/dev/null 2>&1
  done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work" "$pixels" "${order[@]}" <<'PY'
import statistics, sys
work, pixels, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
rows = {}
for name in names:
    samples = [tuple(map(float, line.split())) for line in open(f"{work}/{name}.times") if line[:1].isdigit()]
    wall = [s[0] for s in samples]; cpu = [s[1] + s[2] for s in samples]; rss = [s[3] / 1024 for s in samples]
    rows[name] = (statistics.median(wall), min(wall), statistics.median(cpu), min(cpu), statistics.median(rss), max(rss))
print(f"{'command':18} {'wall med':>9} {'wall min':>9} {'cpu med':>9} {'cpu min':>9} {'rss med':>9} {'rss max':>9}")
for name in names:
    r = rows[name]
    print(f"{name:18} {r[0]:8.3f}s {r[1]:8.3f}s {r[2]:8.3f}s {r[3]:8.3f}s {r[4]:7.1f}MB {r[5]:7.1f}MB")
ours = rows["ours-shrink-area"]
peers = [n for n in names if not n.startswith("ours")]
fastest = min(peers, key=lambda n: rows[n][0])
print(f"fastest peer by median wall: {fastest}; it takes {rows[fastest][0] / ours[0]:.2f} x our time "
      f"(minimums {rows[fastest][1] / ours[1]:.2f} x, CPU medians {rows[fastest][2] / ours[2]:.2f} x)")
limit = pixels / 2**20 + 32
print(f"our peak RSS {ours[5]:.1f} MiB against 1 B a source pixel + 32 MiB = {limit:.1f} MiB")
print(f"Lanczos-3 at full decode: {rows['ours-lanczos'][0] / rows['ours-nearest'][0]:.2f} x the nearest-neighbour "
      f"job by median wall ({rows['ours-lanczos'][2] / rows['ours-nearest'][2]:.2f} x by CPU)")
PY

echo
echo "# Lanczos-3 thumbnails against ImageMagick -filter Lanczos -resize (PSNR, dB)"
for source in tests/corpus/photos/*.jpg "$photo"; do
  for target in 150 400; do
    "$im" "$source" -filter Lanczos -resize "${target}x" "$work/im.png"
    read -r w h < <("$identify" -format '%w %h' "$work/im.png")
    "$vximage" -e 'ResampleFilter = 2' -e 'Quality = 100' -e "LoadSourceImage \"$source\"" \
      -e "MakeThumbImage \"$work/ours.jpg\", $w, $h, 0" >/dev/null
    psnr=$("$compare" -metric PSNR "$work/ours.jpg" "$work/im.png" null: 2>&1 || true)
    printf '%-45s %4s x %-4s %s\n' "$(basename "$source")" "$w" "$h" "$psnr"
  done
done
