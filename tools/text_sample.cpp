// text_sample OUT.png
//
// Draws a sample of the drawing layer's text into a PNG file: a paragraph of several
// scripts wrapped with DrawTextW, and a line turned by its font's escapement with
// TextOutW.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "tools/stock_log_font.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 300;

HFONT MakeFont(const char16_t* face, LONG height, LONG weight, LONG escapement) {
  const LOGFONTW logfont = vx::tools::StockBasedLogFont(face, height, weight, 0, 0, escapement);
  return CreateFontIndirectW(&logfont);
}

void Draw(HDC dc) {
  HBRUSH paper = CreateSolidBrush(RGB(250, 246, 236));
  const RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, paper);
  DeleteObject(paper);
  SetBkMode(dc, TRANSPARENT);

  HFONT body = MakeFont(u"Arial", -19, FW_NORMAL, 0);
  HGDIOBJ previous = SelectObject(dc, body);
  SetTextColor(dc, RGB(30, 40, 90));
  RECT column{16, 14, 470, kHeight - 10};
  const std::u16string paragraph =
      u"Watermarks in the scripts people write: English, Ελληνικά, Русский; "
      u"日本語の文は単語の間に空白がなくても文字の間で折り返します。"
      u" العربية تُكتب من اليمين إلى اليسار، ועברית גם כן; हिन्दी में पाठ, และภาษาไทย."
      u" Faces missing a character borrow it from a fallback face.";
  DrawTextW(dc, paragraph.c_str(), -1, &column, DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX);

  HFONT turned = MakeFont(u"Times New Roman", -30, FW_BOLD, 900);
  SelectObject(dc, turned);
  SetTextColor(dc, RGB(170, 30, 40));
  const std::u16string line = u"Turned 90° — © 2026";
  TextOutW(dc, 500, 285, line.c_str(), int(line.size()));
  HFONT slanted = MakeFont(u"Courier New", -22, FW_NORMAL, 300);
  SelectObject(dc, slanted);
  SetTextColor(dc, RGB(20, 120, 60));
  TextOutW(dc, 60, 270, u"Thirty degrees up", 17);

  SelectObject(dc, previous);
  DeleteObject(body);
  DeleteObject(turned);
  DeleteObject(slanted);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: text_sample OUT.png\n");
    return 2;
  }
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  Draw(dc);
  std::vector<std::uint32_t> words(std::size_t(kWidth) * kHeight);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(dc, bitmap, 0, kHeight, words.data(), &info, DIB_RGB_COLORS);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_BGRA;
  for (std::uint32_t& w : words) w |= 0xFF000000u;
  if (!png_image_write_to_file(&image, argv[1], 0, words.data(), kWidth * 4, nullptr)) {
    std::fprintf(stderr, "text_sample: %s\n", image.message);
    return 1;
  }
  return 0;
}
