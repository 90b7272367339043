// Device contexts: the screen, memory contexts, their settings and object selection.
#include <atomic>

#include "platform/gdi.h"
#include "platform/surface/gdi_diagnostics.h"
#include "platform/surface/logical_font.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

namespace {

std::atomic<int> g_screen_dpi{96};
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

HGDIOBJ StockBrush(COLORREF color, bool hollow) {
  auto brush = std::make_unique<Brush>();
  brush->stock = true;
  brush->color = color;
  brush->hollow = hollow;
  return AddObject(std::move(brush));
}

HDC NewDc(bool screen) {
  auto dc = std::make_unique<Dc>();
  dc->screen = screen;
  dc->bitmap = DefaultBitmap();
  dc->brush = GetStockObject(WHITE_BRUSH);
  dc->font = StockFont(SYSTEM_FONT);
  dc->pen = GetStockObject(BLACK_PEN);
  return static_cast<HDC>(AddObject(std::move(dc)));
}

// Selecting into a context takes the object's kind slot and returns what was there.
HGDIOBJ* SlotFor(Dc& dc, Kind kind) {
  switch (kind) {
    case Kind::kBitmap: return &dc.bitmap;
    case Kind::kBrush: return &dc.brush;
    case Kind::kPen: return &dc.pen;
    case Kind::kFont: return &dc.font;
    default: return nullptr;
  }
}

// Stock objects are selected into every context of every thread and can never be
// deleted, so nothing counts their selections: a shared count would be a data race.
void CountSelection(HGDIOBJ handle, int change) {
  Object* o = FindObject(handle);
  if (o && !o->stock) o->select_count += change;
}

void Deselect(HGDIOBJ handle) { CountSelection(handle, -1); }

}  // namespace

namespace vx {
void SetScreenDpi(int dpi) { g_screen_dpi = dpi; }
int ScreenDpi() { return g_screen_dpi; }
}  // namespace vx

HDC GetDC(HWND hwnd) {
  if (hwnd) return nullptr;  // there are no windows, only the screen
  return NewDc(true);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  Dc* dc = FindDc(hdc);
  if (hwnd || !dc || !dc->screen) return 0;
  return DeleteDC(hdc);
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !FindDc(hdc)) return nullptr;
  return NewDc(false);
}

BOOL DeleteDC(HDC hdc) {
  Dc* dc = FindDc(hdc);
  if (!dc) return FALSE;
  // The context lets go of what is selected into it; those objects live on.
  for (HGDIOBJ h : {dc->bitmap, dc->brush, dc->pen, dc->font}) Deselect(h);
  RemoveObject(hdc);
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  Dc* dc = FindDc(hdc);
  if (!dc) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return vx::ScreenDpi();
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case HORZRES: return kScreenWidth;
    case VERTRES: return kScreenHeight;
    default: return 0;
  }
}

int SetBkMode(HDC hdc, int mode) {
  Dc* dc = FindDc(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bk_mode;
  dc->bk_mode = mode;
  return previous;
}

int GetBkMode(HDC hdc) {
  Dc* dc = FindDc(hdc);
  return dc ? dc->bk_mode : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  Dc* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->bk_color;
  dc->bk_color = color & 0x00FFFFFF;
  return previous;
}

COLORREF GetBkColor(HDC hdc) {
  Dc* dc = FindDc(hdc);
  return dc ? dc->bk_color : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  Dc* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->text_color;
  dc->text_color = color & 0x00FFFFFF;
  return previous;
}

COLORREF GetTextColor(HDC hdc) {
  Dc* dc = FindDc(hdc);
  return dc ? dc->text_color : CLR_INVALID;
}

int SetStretchBltMode(HDC hdc, int mode) {
  Dc* dc = FindDc(hdc);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int previous = dc->stretch_mode;
  dc->stretch_mode = mode;
  return previous;
}

int GetStretchBltMode(HDC hdc) {
  Dc* dc = FindDc(hdc);
  return dc ? dc->stretch_mode : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
  Dc* dc = FindDc(hdc);
  Object* object = FindObject(handle);
  if (!dc || !object) return nullptr;
  HGDIOBJ* slot = SlotFor(*dc, object->kind);
  if (!slot) return nullptr;
  if (object->kind == Kind::kBitmap) {
    // A bitmap belongs to one memory context at a time, and never to the screen.
    if (dc->screen) return nullptr;
    if (!object->stock && object->select_count > 0 && *slot != handle) return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == handle) return previous;
  CountSelection(handle, +1);
  Deselect(previous);
  *slot = handle;
  return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  Dc* dc = FindDc(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BITMAP: return dc->bitmap;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_PEN: return dc->pen;
    case OBJ_FONT: return dc->font;
    default: return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ handle) {
  Object* object = FindObject(handle);
  if (!object || object->kind == Kind::kDc) return FALSE;
  if (object->stock) return TRUE;
  if (object->select_count > 0) return FALSE;  // still selected into a context
  RemoveObject(handle);
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  static const HGDIOBJ brushes[] = {
      StockBrush(RGB(255, 255, 255), false), StockBrush(RGB(192, 192, 192), false),
      StockBrush(RGB(128, 128, 128), false), StockBrush(RGB(64, 64, 64), false),
      StockBrush(RGB(0, 0, 0), false),       StockBrush(0, true)};
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return brushes[index];
  if (HGDIOBJ font = StockFont(index)) return font;
  if (index >= WHITE_PEN && index <= NULL_PEN) return StockPen(index);
  return nullptr;
}

DWORD GetObjectType(HGDIOBJ handle) {
  Object* object = FindObject(handle);
  if (!object) return 0;
  switch (object->kind) {
    case Kind::kDc: return static_cast<Dc*>(object)->screen ? OBJ_DC : OBJ_MEMDC;
    case Kind::kBitmap: return OBJ_BITMAP;
    case Kind::kBrush: return OBJ_BRUSH;
    case Kind::kPen: return OBJ_PEN;
    case Kind::kFont: return OBJ_FONT;
    case Kind::kRegion: return OBJ_REGION;
  }
  return 0;
}
