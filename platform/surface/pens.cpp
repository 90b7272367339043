// Pens: the solid pens that Rectangle outlines with, and the stock ones.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

namespace {

HGDIOBJ NewStockPen(int style, COLORREF color) {
  auto pen = std::make_unique<Pen>();
  pen->stock = true;
  pen->style = style;
  pen->color = color;
  return AddObject(std::move(pen));
}

}  // namespace

// Only the styles something here draws with are made; others get no pen.
HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) return nullptr;
  auto pen = std::unique_ptr<Pen>(new (std::nothrow) Pen);
  if (!pen) return nullptr;
  pen->style = style;
  // Width 0 is GDI's one-pixel pen; the sign of a width means nothing.
  pen->width = width == INT32_MIN ? INT32_MAX : std::max(1, std::abs(width));
  pen->color = color & 0x00FFFFFF;
  return static_cast<HPEN>(AddObject(std::move(pen)));
}

namespace vx::gdi {

HGDIOBJ StockPen(int index) {
  static const HGDIOBJ pens[] = {NewStockPen(PS_SOLID, RGB(255, 255, 255)),
                                 NewStockPen(PS_SOLID, RGB(0, 0, 0)), NewStockPen(PS_NULL, 0)};
  return index >= WHITE_PEN && index <= NULL_PEN ? pens[index - WHITE_PEN] : nullptr;
}

}  // namespace vx::gdi
