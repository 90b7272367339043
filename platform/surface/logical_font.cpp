// Logical fonts: creation, the stock fonts and their LOGFONT.
#include "platform/surface/logical_font.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "base/utf8.h"

using namespace vx::gdi;

namespace {

LOGFONTW StockLogFont(LONG height, LONG weight, std::u16string_view face) {
  LOGFONTW logfont{};
  logfont.lfHeight = height;
  logfont.lfWeight = weight;
  logfont.lfPitchAndFamily = 34;  // VARIABLE_PITCH | FF_SWISS
  std::copy(face.begin(), face.end(), logfont.lfFaceName);
  return logfont;
}

HGDIOBJ NewFont(const LOGFONTW& logfont, bool stock) {
  auto font = std::make_unique<Font>();
  font->stock = stock;
  font->logfont = logfont;
  font->logfont.lfFaceName[LF_FACESIZE - 1] = 0;  // a name may fill the array unterminated
  return AddObject(std::move(font));
}

}  // namespace

namespace vx::gdi {

HGDIOBJ StockFont(int index) {
  // The GUI font as GDI describes it; the font a new context holds is bold, 16 cell pixels.
  static const HGDIOBJ gui = NewFont(StockLogFont(-11, FW_NORMAL, u"MS Shell Dlg"), true);
  static const HGDIOBJ system = NewFont(StockLogFont(16, FW_BOLD, u"System"), true);
  if (index == DEFAULT_GUI_FONT) return gui;
  if (index == SYSTEM_FONT) return system;
  return nullptr;
}

int GetFontObjectW(HGDIOBJ handle, int size, void* out) {
  Font* font = FindFont(handle);
  if (!font) return -1;
  if (!out) return sizeof(LOGFONTW);
  const int count = std::min<int>(size, sizeof(LOGFONTW));
  if (count <= 0) return 0;
  std::memcpy(out, &font->logfont, std::size_t(count));
  return count;
}

int GetFontObjectA(HGDIOBJ handle, int size, void* out) {
  Font* font = FindFont(handle);
  if (!font) return -1;
  if (!out) return sizeof(LOGFONTA);
  const LOGFONTW& w = font->logfont;
  LOGFONTA a{};
  std::memcpy(&a, &w, offsetof(LOGFONTW, lfFaceName));
  // The name in the ANSI code page, cut at a whole character.
  const std::string name = vx::Utf8FromWide(w.lfFaceName);
  std::size_t length = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
  while (length > 0 && length < name.size() && (name[length] & 0xC0) == 0x80) --length;
  std::memcpy(a.lfFaceName, name.data(), length);
  const int count = std::min<int>(size, sizeof(LOGFONTA));
  if (count <= 0) return 0;
  std::memcpy(out, &a, std::size_t(count));
  return count;
}

}  // namespace vx::gdi

HFONT CreateFontIndirectW(const LOGFONTW* logfont) {
  if (!logfont) return nullptr;
  return static_cast<HFONT>(NewFont(*logfont, false));
}
