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
};
