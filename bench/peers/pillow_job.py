#!/usr/bin/env python3
"""The typical request done with Pillow, as a Pillow user would write it.

Load a JPEG, lay the logo at half opacity 10 px in from the bottom right, the caption in
white 10 px in from the bottom left over a blurred black shadow 3 px down and right, then
write the full picture, a 150-px-wide nearest-neighbour thumbnail and the 400x300 crop at
(100, 100), every JPEG at quality 80, 4:4:4, baseline, standard tables.

usage: pillow_job.py one PHOTO LOGO FONT_FILE OUT_PREFIX
       pillow_job.py batch LIST LOGO FONT_FILE OUT_DIR WORKERS
         LIST names one photo a line; the batch runs them on a Pool(WORKERS), the i-th
         photo's outputs are OUT_DIR/i.{full,thumb,crop}.jpg.
"""
import multiprocessing
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

CAPTION = "(c) 2026 Example Photo"
FONT_PIXELS = 48
INSET = 10
SHADOW_OFFSET = 3
SHADOW_SIGMA = 5 / 3  # a blur of radius 5 reaches about three standard deviations
SHADOW_MARGIN = 8
LOGO_OPACITY = 0.5
THUMB_WIDTH = 150
CROP_BOX = (100, 100, 500, 400)
JPEG = {"quality": 80, "subsampling": 0, "optimize": False, "progressive": False}


def request(photo, logo, font, out):
    picture = Image.open(photo).convert("RGB")
    width, height = picture.size

    picture.paste(logo, (width - INSET - logo.width, height - INSET - logo.height), logo)

    baseline = (INSET, height - INSET)  # left end of the caption's descender line
    left, top, right, bottom = ImageDraw.Draw(picture).textbbox(baseline, CAPTION, font=font, anchor="ld")
    mask = Image.new("L", (right - left + 2 * SHADOW_MARGIN, bottom - top + 2 * SHADOW_MARGIN))
    ImageDraw.Draw(mask).text((baseline[0] - left + SHADOW_MARGIN, baseline[1] - top + SHADOW_MARGIN),
                              CAPTION, font=font, fill=255, anchor="ld")
    mask = mask.filter(ImageFilter.GaussianBlur(SHADOW_SIGMA))
    picture.paste((0, 0, 0), (left - SHADOW_MARGIN + SHADOW_OFFSET, top - SHADOW_MARGIN + SHADOW_OFFSET), mask)
    ImageDraw.Draw(picture).text(baseline, CAPTION, font=font, fill=(255, 255, 255), anchor="ld")

    picture.save(out + ".full.jpg", "JPEG", **JPEG)
    thumb_height = int(THUMB_WIDTH * height / width + 0.5)
    picture.resize((THUMB_WIDTH, thumb_height), Image.Resampling.NEAREST).save(out + ".thumb.jpg", "JPEG", **JPEG)
    picture.crop(CROP_BOX).save(out + ".crop.jpg", "JPEG", **JPEG)


def load_logo(path):
    logo = Image.open(path).convert("RGBA")
    logo.putalpha(logo.getchannel("A").point(lambda a: round(a * LOGO_OPACITY)))
    return logo


# Each worker of the batch loads the logo and the face once, as a long-running job would.
WORKER = {}


def start_worker(logo_path, font_file):
    WORKER["logo"] = load_logo(logo_path)
    WORKER["font"] = ImageFont.truetype(font_file, FONT_PIXELS)


def batch_item(item):
    index, photo, out_dir = item
    request(photo, WORKER["logo"], WORKER["font"], f"{out_dir}/{index}")


def main(argv):
    if len(argv) == 6 and argv[1] == "one":
        _, _, photo, logo, font_file, out = argv
        request(photo, load_logo(logo), ImageFont.truetype(font_file, FONT_PIXELS), out)
    elif len(argv) == 7 and argv[1] == "batch":
        _, _, listing, logo, font_file, out_dir, workers = argv
        with open(listing, encoding="utf-8") as names:
            photos = [line.strip() for line in names if line.strip()]
        items = [(i, photo, out_dir) for i, photo in enumerate(photos)]
        with multiprocessing.Pool(int(workers), initializer=start_worker, initargs=(logo, font_file)) as pool:
            pool.map(batch_item, items, chunksize=1)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
