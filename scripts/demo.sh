#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the main job on the bundled
# photographs: each is loaded once and written as the full picture, thumbnails in every
# sizing rule and crops; then loaded again, stamped with the bundled logo at two places and
# opacities, and written as the marked picture, a thumbnail and a crop; last, a sample of
# the drawing layer's text and a picture drawn with each family of the CvxGDI toolbox. The
# outputs go to out/demo/, with a line per output and per mark.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release >/dev/null
vximage=build/release/bin/vximage

out=out/demo
rm -rf "$out"
mkdir -p "$out"
photos=(samples/*.jpg tests/corpus/photos/*.jpg)
logo=samples/logo.png

# The size of a picture file, as the object reports it after loading.
picture_size() {
  "$vximage" -e "LoadSourceImage \"$1\"" -e "? GetSourceImageWidth" -e "? GetSourceImageHeight" | paste -sd' '
}

printf '%-52s %13s %12s %10s\n' output size bytes time
for photo in "${photos[@]}"; do
  name=$(basename "${photo%.*}")
  read -r width height < <(picture_size "$photo")
  o="$out/$name"
  script="$out/$name.vxs"
  cat >"$script" <<EOF
' $photo: $width x $height
Quality = 80
LoadSourceImage "$photo"
MakeMarkImage "$o.full.jpg"
MakeThumbImage "$o.thumb-w150.jpg", 150, 0, 1
MakeThumbImage "$o.thumb-h100.jpg", 0, 100, 2
MakeThumbImage "$o.thumb-200x200.jpg", 200, 200, 0
MakeThumbImage "$o.thumb-quarter.jpg", 0.25, 0.25, 3
MakeCropImage "$o.crop-400x300.jpg", $((width / 2 - 200)), $((height / 2 - 150)), 400, 300
MakeCropImage "$o.crop-corner.jpg", $((width - 200)), $((height - 150)), 400, 300
LoadSourceImage "$photo"
' half-opaque, 20 pixels in from the bottom right corner
MarkPos = 4
MarkPosOffsetX = -20
MarkPosOffsetY = -20
MarkTransparent = 50
AddImageMark "$logo", 0, 0
' as opaque as the logo itself, 20 pixels in from the top left corner
MarkPos = 1
MarkPosOffsetX = 20
MarkPosOffsetY = 20
MarkTransparent = 101
AddImageMark "$logo", 0, 0
MakeMarkImage "$o.marked.full.jpg"
MakeThumbImage "$o.marked.thumb-w300.jpg", 300, 0, 1
MakeCropImage "$o.marked.crop-corner.jpg", $((width - 400)), $((height - 300)), 400, 300
EOF
  # --time prints "time <ms> ms: <statement>" for each statement.
  timings=$("$vximage" --time run "$script" 2>&1 >/dev/null)
  mark_places=("bottom right, 50 %" "top left, opaque") marks=0
  while IFS= read -r line; do
    [[ $line =~ ^time\ ([0-9.]+)\ ms:\ ([A-Za-z]+)\ \"([^\"]*)\" ]] || continue
    ms=${BASH_REMATCH[1]} member=${BASH_REMATCH[2]} file=${BASH_REMATCH[3]}
    if [[ $member == AddImageMark ]]; then
      printf '%-52s %13s %12s %7s ms\n' "$(basename "$file") (mark ${mark_places[marks++]})" "" "" "$ms"
      continue
    fi
    if [[ $member == LoadSourceImage ]]; then
      printf '%-52s %13s %12s %7s ms\n' "$(basename "$file") (load)" "$width x $height" \
        "$(stat -c %s "$file")" "$ms"
      continue
    fi
    read -r w h < <(picture_size "$file")
    printf '%-52s %13s %12s %7s ms\n' "$(basename "$file")" "$w x $h" "$(stat -c %s "$file")" "$ms"
  done <<<"$timings"
done
build/release/bin/text_sample "$out/text-sample.png"
printf '%-52s %13s %12s\n' text-sample.png "640 x 300" "$(stat -c %s "$out/text-sample.png")"
# The drawing toolbox from C++: a picture drawn with each family of CvxGDI routines.
build/release/bin/toolbox_demo "$out/toolbox.jpg" samples
echo "outputs in $out/"
