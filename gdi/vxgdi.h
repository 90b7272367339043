// CvxGDI: the exported toolbox of drawing routines on device contexts and pixel buffers.
//
// Every member is static and keeps nothing between calls: each routine creates the
// contexts, bitmaps and buffers it needs and releases them before it returns; contexts
// passed in are only borrowed. Routines report nothing; bad input draws nothing.
//
// Pixel buffers come in two byte orders, 4 bytes per pixel, rows top first with no gap,
// straight (not premultiplied) alpha:
//   RGBA: red, green, blue, alpha.   BGRA: blue, green, red, alpha.
// The callers guarantee that every pixel a routine addresses lies inside the buffer.
//
// Each family of routines lives in its own source file under gdi/.
#pragma once

#include "platform/gdi.h"

class CvxGDI {
 public:
  // --- Pixel-buffer blits (pixel_blits.cpp) ---
  // Each lays a pixel buffer over the area (x, y, width, height) of `target`, blending every
  // source pixel over the pixel below with the source alpha as weight; the fourth byte of
  // every written pixel becomes that alpha. An area of width or height 0 or less draws
  // nothing; parts of the area outside the target's surface are left alone.

  // RGBA buffer of exactly width x height pixels, drawn one to one.
  static void DrawDCByData(HDC target, LONG x, LONG y, LONG width, LONG height,
                           unsigned char* rgba);

  // The width x height piece at (source_x, source_y) of a larger BGRA picture whose rows
  // are picture_width pixels long. picture_height is not needed.
  static void DrawDCByData2(HDC target, LONG x, LONG y, LONG width, LONG height,
                            unsigned char* bgra, LONG source_x, LONG source_y,
                            LONG picture_width, LONG picture_height);

  // The piece (source_x, source_y, source_width, source_height) of a BGRA picture,
  // stretched onto the area by nearest neighbour (source offsets truncate).
  static void DrawStretchDCByData(HDC target, LONG x, LONG y, LONG width, LONG height,
                                  unsigned char* bgra, LONG source_x, LONG source_y,
                                  LONG source_width, LONG source_height, LONG picture_width,
                                  LONG picture_height);

  // The whole BGRA picture stretched in nine parts: margins of the given widths along each
  // side are kept unscaled, the edges between them stretch one way and the centre both.
  // Drawn piece by piece with DrawDCByData2 and DrawStretchDCByData. Note the margin order:
  // left, right, top, bottom.
  static void DrawDCByData3(HDC target, LONG x, LONG y, LONG width, LONG height,
                            unsigned char* bgra, LONG picture_width, LONG picture_height,
                            LONG left_margin, LONG right_margin, LONG top_margin,
                            LONG bottom_margin);

  // The nine-part stretch of the piece (source_x, source_y, source_width, source_height) of
  // an RGBA picture, in one pass. `margins` holds the four margin widths (not coordinates)
  // and is only read.
  static void DrawDCByDataEx(HDC target, int x, int y, int width, int height,
                             unsigned char* rgba, int source_x, int source_y, int source_width,
                             int source_height, int picture_width, int picture_height,
                             RECT& margins);

  // --- Colour mixing (shade_colors.cpp) ---
  // The one colour mixer every blend of this library goes through: `overlay` laid over
  // `base` with weight 0 (base) to 255 (overlay). Works on the three low bytes, so DIB
  // words and COLORREF values alike. The body is vx::ShadeColorsInline (shade_colors.h),
  // which per-pixel loops call directly.
  static LONG ShadeColors(LONG base, LONG overlay, int weight);

  // --- Masked and transparent blits (layer_blending.cpp, nine_part_stretch.cpp) ---
  // The two blending routines read the destination rectangle and the other surfaces into
  // layers of the rectangle's size (a fresh layer is black), mix them pixel by pixel with
  // ShadeColors (destination as base, source as overlay) and write the rectangle back. A
  // width or height of 0 or less draws nothing; what overhangs the destination is dropped.

  // The top-left width x height pixels of `source`, shifted by (source_x, source_y) inside
  // the rectangle (what the shift pushes past the right or bottom edge is lost), laid over
  // the rectangle (x, y, width, height) of `dest` at `opacity` percent. The weight is
  // trunc(opacity x 2.55) limited to 0..255: 0 keeps the destination, 100 gives 254 (white
  // over black gives 0xFE), above 100 copies the source exactly.
  static void BitBltDCByTransparent(HDC dest, int x, int y, int width, int height,
                                    HDC source, int source_x, int source_y, int opacity);

  // The top-left width x height pixels of `source` laid over the rectangle of `dest`, each
  // with the weight of the red byte of the same pixel of `mask` (black keeps the
  // destination, white takes the source); the mask's green and blue are ignored.
  static void BitBltDCByMaskDC(HDC dest, int x, int y, int width, int height, HDC source,
                               HDC mask);

  // The rectangle (source_x, source_y, source_width, source_height) of `source` drawn into
  // (x, y, width, height) of `dest` as a nine-part stretch with the HALFTONE stretch mode:
  // corners of the slice sizes (the same in both rectangles) are copied, the edges stretch
  // along one axis and the centre along both. At equal sizes it is an exact copy. Nothing
  // is drawn for a size of 0 or less, a negative slice, or slices wider or higher than
  // either rectangle.
  static void DrawDCtoDC2(HDC dest, int x, int y, int width, int height, HDC source,
                          int source_x, int source_y, int source_width, int source_height,
                          int left, int right, int top, int bottom);
};
