// Solid fills, bordered rectangles, one-pixel borders and background bitmaps.
#include <cstdint>
#include <initializer_list>

#include "gdi/scratch_surface.h"
#include "gdi/surface_extent.h"
#include "gdi/vxgdi.h"

namespace {

// Selects an object into a context for the lifetime of the guard, then selects back what
// was there. The object itself stays the caller's to delete, after the guard is gone.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc) {
    if (!object) return;
    HGDIOBJ previous = SelectObject(dc, object);
    if (previous && previous != HGDI_ERROR) previous_ = previous;
  }
  ~Selection() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// A pen or brush made for one call and deleted at its end.
class OwnedObject {
 public:
  explicit OwnedObject(HGDIOBJ object) : object_(object) {}
  ~OwnedObject() {
    if (object_) DeleteObject(object_);
  }
  OwnedObject(const OwnedObject&) = delete;
  OwnedObject& operator=(const OwnedObject&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// A memory context made for one call.
struct MemoryDc {
  explicit MemoryDc(HDC reference) : dc(CreateCompatibleDC(reference)) {}
  ~MemoryDc() {
    if (dc) DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC dc;
};

// The pieces of a background bitmap, copied or stretched from `source` to `dest`. A piece of
// no size, or of negative size (which GDI would draw mirrored), is left out, and so is one
// whose numbers do not fit GDI's.
// Pieces are placed in the rectangle's coordinates; `origin` is where in the rectangle the
// destination's (0, 0) lies, when the destination holds only the part that can show.
struct Pieces {
  HDC dest;
  HDC source;
  std::int64_t origin_x = 0;
  std::int64_t origin_y = 0;

  void Copy(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, std::int64_t sx,
            std::int64_t sy) const {
    x -= origin_x;
    y -= origin_y;
    if (Drawable({x, y, w, h, sx, sy})) BitBlt(dest, int(x), int(y), int(w), int(h), source, int(sx), int(sy), SRCCOPY);
  }
  void Stretch(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, std::int64_t sx,
               std::int64_t sy, std::int64_t sw, std::int64_t sh) const {
    x -= origin_x;
    y -= origin_y;
    if (Drawable({x, y, w, h, sx, sy, sw, sh})) {
      StretchBlt(dest, int(x), int(y), int(w), int(h), source, int(sx), int(sy), int(sw), int(sh), SRCCOPY);
    }
  }

 private:
  // Sizes come in pairs after the two positions: x, y, w, h, then source x, y, w, h.
  static bool Drawable(std::initializer_list<std::int64_t> values) {
    int i = 0;
    for (std::int64_t v : values) {
      const bool size = i % 4 >= 2;
      if (v < INT32_MIN || v > INT32_MAX || (size && v <= 0)) return false;
      ++i;
    }
    return true;
  }
};

// Rectangle with the given brush and a solid pen, both selected only for the drawing.
void OutlinedRectangle(HDC target, int left, int top, int right, int bottom, HGDIOBJ brush,
                       COLORREF pen_colour, int pen_width) {
  const OwnedObject pen(CreatePen(PS_SOLID, pen_width, pen_colour));
  const Selection brush_selection(target, brush);
  const Selection pen_selection(target, pen.get());
  Rectangle(target, left, top, right, bottom);
}

}  // namespace

void CvxGDI::FillRectByColor(HDC target, COLORREF colour, RECT& rect) {
  const OwnedObject brush(CreateSolidBrush(colour));
  if (brush.get()) FillRect(target, &rect, static_cast<HBRUSH>(brush.get()));
}

void CvxGDI::DrawRectangle(HDC target, int left, int top, int right, int bottom,
                           COLORREF fill_colour, COLORREF border_colour, int border_width) {
  const OwnedObject brush(CreateSolidBrush(fill_colour));
  OutlinedRectangle(target, left, top, right, bottom, brush.get(), border_colour, border_width);
}

void CvxGDI::DrawBorderByColor(HDC target, COLORREF colour, RECT& rect) {
  OutlinedRectangle(target, rect.left, rect.top, rect.right, rect.bottom,
                    GetStockObject(NULL_BRUSH), colour, 1);
}

void CvxGDI::DrawBgBitmap(HDC target, RECT& rect, int xl, int xr, int yt, int yb, HBITMAP bitmap,
                          bool stretch) {
  const std::int64_t W = std::int64_t{rect.right} - rect.left;
  const std::int64_t H = std::int64_t{rect.bottom} - rect.top;
  if (W <= 0 || H <= 0 || W > INT32_MAX || H > INT32_MAX) return;
  // The picture is composed off screen, over black, and copied to the target in one go;
  // only the part of the rectangle that can show on the target is composed.
  const vx::ShownPart shown = vx::ShownPartOf(target, rect.left, rect.top, W, H);
  if (shown.empty()) return;
  vx::ScratchSurface buffer(target, shown.width(), shown.height());
  if (!buffer) return;
  {
    const MemoryDc source(target);
    if (!source.dc) return;
    const Selection picture(source.dc, bitmap);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    const std::int64_t bw = info.bmWidth, bh = info.bmHeight;
    const Pieces pieces{buffer.dc(), source.dc, shown.left, shown.top};
    if (!stretch) {
      pieces.Copy(0, 0, W, H, 0, 0);
    } else {
      // Widths of the bitmap's right column and bottom row, and of the stretched middle
      // column and row on the buffer and on the bitmap.
      const std::int64_t right = bw - xr, bottom = bh - yb;
      const std::int64_t middle_w = W - xl - right, middle_h = H - yt - bottom;
      const std::int64_t middle_src_w = std::int64_t{xr} - xl, middle_src_h = std::int64_t{yb} - yt;
      pieces.Copy(0, 0, xl, yt, 0, 0);
      pieces.Copy(W - right, 0, right, yt, xr, 0);
      pieces.Copy(0, H - bottom, xl, bottom, 0, yb);
      pieces.Copy(W - right, H - bottom, right, bottom, xr, yb);
      pieces.Stretch(xl, 0, middle_w, yt, xl, 0, middle_src_w, yt);
      pieces.Stretch(xl, H - bottom, middle_w, bottom, xl, yb, middle_src_w, bottom);
      pieces.Stretch(0, yt, xl, middle_h, 0, yt, xl, middle_src_h);
      pieces.Stretch(W - right, yt, right, middle_h, xr, yt, right, middle_src_h);
      pieces.Stretch(xl, yt, middle_w, middle_h, xl, yt, middle_src_w, middle_src_h);
    }
    // The caller's bitmap is selected out, and the context deleted, here.
  }
  BitBlt(target, shown.target_x, shown.target_y, shown.width(), shown.height(), buffer.dc(), 0, 0, SRCCOPY);
}

CvxGDI& CvxGDI::operator=(const CvxGDI&) { return *this; }
