#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the main jobs on the bundled
# photographs: each is loaded once and written as the full picture, thumbnails in every
# sizing rule and crops; then, the typical request: loaded again, stamped with the bundled
# logo at 50 % bottom right and a caption with a soft shadow bottom left, and written as the
# marked picture, a thumbnail and a crop; then a second variant: a centred, wrapped
# paragraph and a turned line in other faces and colours, each with its shadow. Last, a
# sample of the drawing layer's text and a picture drawn with each family of the CvxGDI
# toolbox. The outputs go to out/demo/, with a line per output and per mark. Then the modern
# variant of a phone photo: a bundled photo stored on its side with EXIF orientation 6, as a
# phone writes it, loaded upright and decoded small, written as a Lanczos thumbnail and a
# fit and a fill thumbnail. Last of the photos, colour management: a bundled photo
# converted to Adobe RGB with its profile embedded and an Exif block, as a camera set to
# Adobe RGB writes it, loaded with ColorManage and KeepMetadata and written back in sRGB,
# progressive 4:2:0 with optimised tables, every output keeping its Exif and profile.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh

# Examples on explicitly: scripts/windows.sh may have configured this build without them.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF -DVXIMAGE_EXAMPLES=ON >/dev/null
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
' the typical request: the logo half-opaque 20 pixels in from the bottom right corner,
' a caption with a soft shadow 20 pixels in from the bottom left
LoadSourceImage "$photo"
MarkPos = 4
MarkPosOffsetX = -20
MarkPosOffsetY = -20
MarkTransparent = 50
AddImageMark "$logo", 0, 0
MarkTransparent = 100
MarkPos = 3
MarkPosOffsetX = 20
TextMarkFontName = "DejaVu Sans"
TextMarkHeight = -$((height / 22))
TextMarkColor = &HFFFFFF
TextMarkShadowVisible = 1
TextMarkShadowColor = 0
TextMarkShadowDistance = 3
TextMarkShadowSize = 5
AddTextMark "(c) 2026 Example Photo", 0, 0
MakeMarkImage "$o.marked.full.jpg"
MakeThumbImage "$o.marked.thumb-w150.jpg", 150, 0, 1
MakeCropImage "$o.marked.crop-caption.jpg", 0, $((height - 300)), 400, 300
' the second variant: a centred paragraph wrapped to half the width, in a bold serif face
' and orange over a dark blue shadow; a line turned 20 degrees in a monospaced face, top left
LoadSourceImage "$photo"
MarkPos = 0
MarkPosOffsetX = 0
MarkPosOffsetY = 0
MarkTransparent = 85
TextMarkFontName = "Liberation Serif"
TextMarkBold = 1
TextMarkHeight = -$((height / 14))
TextMarkColor = &H30A0FF
TextMarkAreaWidth = $((width / 2))
TextMarkShadowColor = &H401000
TextMarkShadowDistance = 5
TextMarkShadowSize = 8
TextMarkShadowTransparent = 80
AddTextMark "Proof copy && not for print: licence 2026-0417, Example Photo Agency", 0, 0
MarkPos = 1
MarkPosOffsetX = $((width / 20))
MarkPosOffsetY = $((height / 4))
MarkTransparent = 100
TextMarkFontName = "Courier New"
TextMarkBold = 0
TextMarkItatic = 1
TextMarkHeight = -$((height / 18))
TextMarkColor = &HFFFF80
TextMarkShadowColor = &H000000
TextMarkShadowDistance = 2
TextMarkShadowSize = 3
TextMarkShadowTransparent = 100
TextMarkRotate = 20
AddTextMark "www.example.com", 0, 0
MakeMarkImage "$o.variant.full.jpg"
MakeThumbImage "$o.variant.thumb-w300.jpg", 300, 0, 1
EOF
  # --time prints "time <ms> ms: <statement>" for each statement.
  timings=$("$vximage" --time run "$script" 2>&1 >/dev/null)
  mark_places=("logo, bottom right, 50 %" "caption with shadow, bottom left"
               "wrapped paragraph, centred" "turned line, top left") marks=0
  while IFS= read -r line; do
    [[ $line =~ ^time\ ([0-9.]+)\ ms:\ ([A-Za-z]+)\ \"([^\"]*)\" ]] || continue
    ms=${BASH_REMATCH[1]} member=${BASH_REMATCH[2]} file=${BASH_REMATCH[3]}
    if [[ $member == AddImageMark || $member == AddTextMark ]]; then
      printf '%-52s %13s %12s %7s ms\n' "  mark: ${mark_places[marks++]}" "" "" "$ms"
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
# The modern variant. The phone photo is made here: photo-2mp.jpg turned a quarter
# anticlockwise without loss (jpegtran), with an Exif block of orientation 6 ("turn a
# quarter clockwise to view") put in front of its other segments.
phone="$out/phone-orientation6.jpg"
jpegtran -rotate 270 -trim -copy none samples/photo-2mp.jpg >"$out/phone-stored.jpg"
{
  head -c 2 "$out/phone-stored.jpg"
  printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
  printf '\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00\x00\x00\x00\x00'
  tail -c +3 "$out/phone-stored.jpg"
} >"$phone"
rm "$out/phone-stored.jpg"
modern=$("$vximage" \
  -e "LoadSourceImage \"$phone\"" -e "? GetSourceImageWidth" -e "? GetSourceImageHeight" \
  -e "AutoOrient = 1" -e "LoadMinWidth = 300" -e "LoadMinHeight = 300" -e "ResampleFilter = 2" \
  -e "LoadSourceImage \"$phone\"" -e "? GetSourceFileWidth" -e "? GetSourceFileHeight" \
  -e "? GetSourceImageWidth" -e "? GetSourceImageHeight" \
  -e "MakeThumbImage \"$out/phone.lanczos-w300.jpg\", 300, 0, 1" \
  -e "MakeFitImage \"$out/phone.fit-200.jpg\", 200, 200" \
  -e "MakeFillImage \"$out/phone.fill-200.jpg\", 200, 200" -e "? GetErrorInfo" | paste -sd' ')
read -r stored_w stored_h file_w file_h loaded_w loaded_h _ <<<"$modern"
echo "modern variant: $(basename "$phone") stored $stored_w x $stored_h, upright $file_w x $file_h," \
  "decoded at $loaded_w x $loaded_h"
for file in "$out"/phone.*.jpg; do
  read -r w h < <(picture_size "$file")
  printf '%-52s %13s %12s\n' "$(basename "$file")" "$w x $h" "$(stat -c %s "$file")"
done
# Colour management. The Adobe RGB photo is made here: photo-2mp.jpg converted by lcms2's
# jpgicc to the bundled Adobe RGB (1998)-compatible profile, which it embeds, then given an
# Exif block naming the artist ("Example Photo") behind its JFIF segment.
adobe="$out/adobe-rgb.jpg"
# jpgicc prints its banner on standard error, so that is shown only when it fails.
if ! jpgicc -o tests/data/compatibleWithAdobeRGB1998.icc -e -q 92 samples/photo-2mp.jpg "$out/adobe-stored.jpg" \
  >/dev/null 2>"$out/jpgicc.log"; then
  cat "$out/jpgicc.log" >&2
  exit 1
fi
rm "$out/jpgicc.log"
{
  head -c 20 "$out/adobe-stored.jpg"
  printf '\xff\xe1\x00\x30Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
  printf '\x01\x3b\x00\x02\x00\x00\x00\x0e\x00\x00\x00\x1a\x00\x00\x00\x00Example Photo\x00'
  tail -c +21 "$out/adobe-stored.jpg"
} >"$adobe"
rm "$out/adobe-stored.jpg"
"$vximage" -e 'ColorManage = 1' -e 'KeepMetadata = 1' -e 'Progressive = 1' -e 'ChromaSubsampling = 2' \
  -e 'OptimizeCoding = 1' -e "LoadSourceImage \"$adobe\"" -e 'MarkPos = 4' -e 'MarkPosOffsetX = -20' \
  -e 'MarkPosOffsetY = -20' -e 'MarkTransparent = 50' -e "AddImageMark \"$logo\", 0, 0" \
  -e "MakeMarkImage \"$out/adobe.srgb.marked.jpg\"" -e "MakeThumbImage \"$out/adobe.srgb.thumb-w300.jpg\", 300, 0, 1" \
  -e "MakeCropImage \"$out/adobe.srgb.crop-400x300.jpg\", 200, 150, 400, 300"
# The same photo without ColorManage, for comparison: the Adobe RGB values shown as if sRGB
# (dull colours), and no metadata.
"$vximage" -e "LoadSourceImage \"$adobe\"" -e "MakeThumbImage \"$out/adobe.as-stored.thumb-w300.jpg\", 300, 0, 1"
echo "colour management: $(basename "$adobe") (Adobe RGB profile, Exif) converted to sRGB, metadata kept"
for file in "$out"/adobe*.jpg; do
  read -r w h < <(picture_size "$file")
  kept=()
  LC_ALL=C grep -qaP 'Exif\x00\x00' "$file" && kept+=(Exif)
  if LC_ALL=C grep -qa 'ICC_PROFILE' "$file"; then
    if LC_ALL=C grep -qa 'Adobe RGB' "$file"; then kept+=("ICC Adobe RGB"); else kept+=("ICC sRGB"); fi
  fi
  LC_ALL=C grep -qaP '\xff\xc2' "$file" && kept+=(progressive)
  printf '%-52s %13s %12s  %s\n' "$(basename "$file")" "$w x $h" "$(stat -c %s "$file")" "${kept[*]:-no metadata}"
done
build/release/bin/text_sample "$out/text-sample.png"
printf '%-52s %13s %12s\n' text-sample.png "640 x 300" "$(stat -c %s "$out/text-sample.png")"
# The drawing toolbox from C++: a picture drawn with each family of CvxGDI routines.
build/release/bin/toolbox_demo "$out/toolbox.jpg" samples
echo "outputs in $out/"
