// CvxGDI: the exported toolbox of drawing routines on device contexts and pixel buffers.
//
// Every member is static and keeps nothing between calls: each routine creates the
// contexts, bitmaps and buffers it needs and releases them before it returns; contexts
// passed in are only borrowed. Routines report nothing; bad input draws nothing.
//
// Pixel buffers come in two byte orders, 4 bytes per pixel, rows top first with no gap,
// straight (not premultiplied) alpha:
//   RGBA: red, green, blue, alpha.   BGRA: blue, green, red, alpha.
// A routine told the picture's size reads only inside it: a piece, margin or offset that
// would take a pixel from outside the picture draws nothing, as does a null buffer. A
// buffer whose size is not given must hold the pixels its routine addresses.
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
  // nothing; parts of the area outside the target's surface are left alone. An area any of
  // whose pixels would come from outside the picture draws nothing at all.

  // RGBA buffer of exactly width x height pixels, drawn one to one.
  static void DrawDCByData(HDC target, LONG x, LONG y, LONG width, LONG height,
                           unsigned char* rgba);

  // The width x height piece at (source_x, source_y) of a larger BGRA picture of
  // picture_width x picture_height pixels.
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
  // Drawn piece by piece as DrawDCByData2 and DrawStretchDCByData draw; margins that would
  // take any piece from outside the picture draw nothing. Note the margin order: left,
  // right, top, bottom.
  static void DrawDCByData3(HDC target, LONG x, LONG y, LONG width, LONG height,
                            unsigned char* bgra, LONG picture_width, LONG picture_height,
                            LONG left_margin, LONG right_margin, LONG top_margin,
                            LONG bottom_margin);

  // The nine-part stretch of the piece (source_x, source_y, source_width, source_height) of
  // an RGBA picture of picture_width x picture_height pixels, in one pass. `margins` holds
  // the four margin widths (not coordinates) and is only read.
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

  // --- Rotation (rotation.cpp) ---
  // Angles are in degrees, turned into radians with the constant 3.1415926; a positive
  // angle turns a picture clockwise on the screen. The turned picture fills its bounding box,
  // placed so that it keeps (up to whole pixels) the centre of the unturned picture at
  // (x, y). No pixel is interpolated. A picture of width or height 0 or less draws nothing.

  // Blends a w x h BGRA picture, turned, onto `target` with its per-pixel alpha. Each box
  // pixel takes the source pixel under its centre. The last two arguments are not used; a
  // null buffer draws nothing.
  static void DrawDCByRotateData(HDC target, LONG x, LONG y, LONG w, LONG h, unsigned char* bgra,
                                 float angle, int unused1, int unused2);

  // Copies the rectangle (0, 0, w, h) of `source`, turned, onto `target` without blending.
  // Each box pixel takes the source pixel under its centre; box pixels outside the turned
  // picture are black.
  static void RotateDC(HDC target, int x, int y, HDC source, int w, int h, double angle);

  // Blends the w x h `bitmap` (read through `source`; its fourth byte is the alpha) onto the
  // box at (x, y) by the forward map: each source pixel goes to the box pixel its turned
  // position truncates to, later pixels blending over earlier ones. Parts of the turned
  // picture left of x or above y are not drawn.
  static void RotateDC2(HDC target, int x, int y, HDC source, HBITMAP bitmap, int w, int h,
                        double angle);

  // A new polygon region (WINDING): the outline of `region` turned by `angle` about
  // (cx, cy), counter-clockwise on the screen for a positive angle. The outline runs down the
  // left ends of the region's bands and back up their right ends. `region` is deleted on
  // success; null, and `region` kept, on failure.
  static HRGN RotateRgn(HRGN region, float angle, int cx, int cy);

  // --- Antialiased line and ellipse (smooth_figures.cpp) ---
  // One pixel wide, drawn pixel by pixel with GetPixel and SetPixel: along the figure each
  // step mixes the colour into the pixel the ideal position falls in and its neighbour, in
  // proportion to the position's fraction. Pixels off the surface are skipped.

  // The line from (x1, y1) to (x2, y2); both end points take the exact colour, and which
  // way round they are given changes nothing.
  static void DrawSmoothLine(HDC target, int x1, int y1, int x2, int y2, COLORREF colour);

  // The outline of the ellipse inscribed in the box of the two corners, given in any order.
  // A box less than 2 pixels wide or high draws the straight segment the ellipse becomes,
  // in the exact colour.
  static void DrawSmoothEllipse(HDC target, int x1, int y1, int x2, int y2, COLORREF colour);

  // --- Fast blur (fast_blur.cpp) ---
  // Blurs the area (0, 0, width, height) of `target` with an n x n Gaussian kernel of
  // standard deviation sigma, renormalised where the window leaves the area. An even n is
  // widened to the next odd one; n below 1, sigma 0 or a sigma too small to make a kernel of
  // draws nothing. Written pixels have a fourth byte of 0.
  static void FastBlur(HDC target, int width, int height, int n, double sigma);

  // --- Fills, borders and background bitmaps (fills.cpp) ---
  // The target's selected pen and brush are the same after each call as before.

  // Fills `rect` with a solid colour; an empty rectangle changes nothing.
  static void FillRectByColor(HDC target, COLORREF colour, RECT& rect);

  // A rectangle filled with one colour and outlined with another by a pen of the given width
  // (0 or 1: one pixel), the outline on the rectangle's outermost pixels.
  static void DrawRectangle(HDC target, int left, int top, int right, int bottom,
                            COLORREF fill_colour, COLORREF border_colour, int border_width);

  // A one-pixel outline on the outermost pixels of `rect`; the inside is left alone.
  static void DrawBorderByColor(HDC target, COLORREF colour, RECT& rect);

  // Paints `bitmap` over `rect`. Without stretch, its top-left part unscaled (what it does
  // not cover is black); with stretch, in nine parts cut at the source columns xl and xr and
  // rows yt and yb: the corners keep their size, the edges stretch along their length and the
  // centre both ways (shrinking combines dropped pixels with AND, as GDI's default stretch
  // mode does). Pieces of negative size, and rectangles of no size, draw nothing.
  static void DrawBgBitmap(HDC target, RECT& rect, int xl, int xr, int yt, int yb,
                           HBITMAP bitmap, bool stretch);

  // The class has no data: assigning copies nothing.
  CvxGDI& operator=(const CvxGDI&);

  // --- Compressed pictures in memory (memory_pictures.cpp) ---
  // JPEG, GIF or BMP bytes, decoded by the picture service on each call.

  // The picture's size in screen pixels (its natural size converted at the screen's dots per
  // inch); 0 x 0 when the bytes are no picture. Null out-pointers are skipped.
  static void GetJPGSize(void* data, int size, int* width, int* height);

  // The whole picture scaled into (x, y, cx, cy) by dropping or repeating whole pixels;
  // nothing drawn when the bytes are no picture or the rectangle has no size.
  static void DrawJPG(HDC target, int x, int y, int cx, int cy, void* data, int size);
};
