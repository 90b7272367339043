#!/usr/bin/env bash
# Thumbnails against the peers, in one interleaved run:
#   1. the thumbnail-only job (load + 150-px-wide JPEG thumbnail at quality 80, 4:4:4) on a
#      20 MP photo: ours with shrink on load and area averaging (LoadMinWidth = 150,
#      ResampleFilter = 1) against each peer's fastest mode (ImageMagick -define jpeg:size
#      + -thumbnail, vipsthumbnail, Pillow thumbnail(), which calls draft() first), and ours at full
#      decode with the default nearest-neighbour pick and with Lanczos-3;
#   2. the quality of our Lanczos-3 thumbnails: PSNR against ImageMagick's
#      -filter Lanczos -resize of the same size, over the corpus photos.
# Every command is started and timed the same way (wall, user + system CPU and peak RSS of
# its process), run by run in turn; medians and minimums are reported, with the machine's
# load.
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
  [pillow]="${PIL_PYTHON:-/usr/bin/python3} -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); im.thumbnail((150, 100000)); im.save(sys.argv[2], quality=80, subsampling=0)' '$photo' '$work/pillow.jpg'"
)
order=(ours-shrink-area imagemagick vipsthumbnail pillow ours-nearest ours-lanczos)

echo "# Thumbnail-only job, $(basename "$photo") ($width x $height), $runs interleaved runs"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for name in "${order[@]}"; do bash -c "${commands[$name]}" >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }; done
for name in "${order[@]}"; do printf '%s\t%s\n' "$name" "${commands[$name]}"; done >"$work/commands.tsv"

# Each run: every command once, in turn. Each is started the same way (bash -c "exec ...")
# and measured by wait4: wall time, user + system CPU and peak RSS of that process alone.
python3 - "$work" "$runs" "$pixels" <<'PY'
import os, statistics, subprocess, sys, time
work, runs, pixels = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
commands = [line.rstrip("\n").split("\t", 1) for line in open(f"{work}/commands.tsv")]
samples = {name: [] for name, _ in commands}
for _ in range(runs):
    for name, command in commands:
        start = time.perf_counter()
        child = subprocess.Popen(["bash", "-c", "exec " + command], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        if status != 0: sys.exit(f"{name} failed")
        samples[name].append((wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024))
print(f"load average after:  {' '.join(open('/proc/loadavg').read().split()[:3])}")
rows = {}
for name, _ in commands:
    wall = [s[0] for s in samples[name]]; cpu = [s[1] for s in samples[name]]; rss = [s[2] for s in samples[name]]
    rows[name] = (statistics.median(wall), min(wall), statistics.median(cpu), min(cpu), statistics.median(rss), max(rss))
print(f"{'command':18} {'wall med':>9} {'wall min':>9} {'cpu med':>9} {'cpu min':>9} {'rss med':>10} {'rss max':>10}")
for name, _ in commands:
    r = rows[name]
    print(f"{name:18} {r[0]:8.3f}s {r[1]:8.3f}s {r[2]:8.3f}s {r[3]:8.3f}s {r[4]:7.1f}MiB {r[5]:7.1f}MiB")
ours = rows["ours-shrink-area"]
peers = [n for n, _ in commands if not n.startswith("ours")]
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
    read -r w h < <("$identify" -format '%w %h\n' "$work/im.png")
    "$vximage" -e 'ResampleFilter = 2' -e 'Quality = 100' -e "LoadSourceImage \"$source\"" \
      -e "MakeThumbImage \"$work/ours.jpg\", $w, $h, 0" >/dev/null
    psnr=$("$compare" -metric PSNR "$work/ours.jpg" "$work/im.png" null: 2>&1 || true)
    printf '%-45s %4s x %-4s %s\n' "$(basename "$source")" "$w" "$h" "$psnr"
  done
done
