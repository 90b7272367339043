// Inside the drawing layer: the objects behind GDI handles and the table that issues them.
//
// A handle is a token that carries a table slot and that slot's generation; a handle whose
// object was deleted, or that names another kind of object, finds nothing. The table is
// shared by all threads and guarded by a lock; an object itself is used by one thread at a
// time, as GDI objects are.
#pragma once

#include <cstdint>
#include <memory>

#include "base/picture_limits.h"
#include "base/zeroed_memory.h"
#include "platform/win_types.h"

namespace vx::gdi {

enum class Kind : std::uint8_t { kDc, kBitmap, kBrush, kPen, kFont, kRegion };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  const Kind kind;
  bool stock = false;    // owned by the system; DeleteObject ignores it
  int select_count = 0;  // contexts that have it selected (never counted for stock objects)
};

// Pixels are DIB words 0xXXRRGGBB, rows top first, no gap between rows.
struct Bitmap : Object {
  Bitmap() : Object(Kind::kBitmap) {}
  int width = 0;
  int height = 0;
  // The top row's 32-bit words, and the words from one row to the row below: the width,
  // or minus the width in a bottom-up DIB section.
  std::uint32_t* pixels = nullptr;
  std::ptrdiff_t row_step = 0;
  ZeroedMemory memory;
  void* section_bits = nullptr;  // a DIB section's memory, as its creator addresses it

  // The rows of a 24-bit DIB section. `pixels` is then null: text drawing and GetObject
  // know such rows; the other calls treat the bitmap as having no pixels.
  struct DibRows {
    std::uint8_t* top_row = nullptr;
    std::ptrdiff_t stride = 0;  // from one row to the one below, negative when bottom-up
    int bytes_per_pixel = 0;
  } dib;
};

struct Brush : Object {
  Brush() : Object(Kind::kBrush) {}
  bool hollow = false;  // NULL_BRUSH: fills nothing
  COLORREF color = 0;
};

struct Pen : Object {
  Pen() : Object(Kind::kPen) {}
  int style = PS_SOLID;  // PS_SOLID or PS_NULL
  int width = 1;         // pixels, at least 1
  COLORREF color = 0;
};

struct Dc : Object {
  Dc() : Object(Kind::kDc) {}
  bool screen = false;  // from GetDC: has no pixels of its own
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ font = nullptr;
  int bk_mode = OPAQUE;
  COLORREF bk_color = RGB(255, 255, 255);
  COLORREF text_color = RGB(0, 0, 0);
  int stretch_mode = BLACKONWHITE;
};

// What a context draws on. Writable is false for the stock one-pixel bitmap that a new
// memory context holds, which nothing may change.
struct Surface {
  std::uint32_t* pixels = nullptr;  // the top row
  int width = 0;
  int height = 0;
  bool writable = false;
  std::ptrdiff_t row_step = 0;  // words from one row to the row below (see Bitmap)

  std::uint32_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * row_step; }
};

HGDIOBJ AddObject(std::unique_ptr<Object> object);
Object* FindObject(HGDIOBJ handle);
// Takes the object out of the table; the handle goes stale.
std::unique_ptr<Object> RemoveObject(HGDIOBJ handle);

template <class T>
T* Find(HGDIOBJ handle, Kind kind) {
  Object* o = FindObject(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Dc* FindDc(HDC hdc) { return Find<Dc>(hdc, Kind::kDc); }
inline Bitmap* FindBitmap(HGDIOBJ h) { return Find<Bitmap>(h, Kind::kBitmap); }
inline Brush* FindBrush(HGDIOBJ h) { return Find<Brush>(h, Kind::kBrush); }
inline Pen* FindPen(HGDIOBJ h) { return Find<Pen>(h, Kind::kPen); }

// The stock pen WHITE_PEN, BLACK_PEN or NULL_PEN.
HGDIOBJ StockPen(int index);

// The stock one-pixel bitmap selected into every new memory context.
HBITMAP DefaultBitmap();
Surface SurfaceOf(const Dc& dc);

// New bitmap of the given size, black; null when the size is not positive or too large,
// or the memory cannot be had.
HBITMAP NewBitmap(int width, int height);

}  // namespace vx::gdi
