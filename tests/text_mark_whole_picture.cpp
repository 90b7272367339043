#include "tests/text_mark_whole_picture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdi/dib_words.h"
#include "gdi/vxgdi.h"

namespace vx::testing {
namespace {

HFONT MakeFont(const TextMarkFontSettings& s) {
  LOGFONTW logfont;
  std::memset(&logfont, 0, sizeof logfont);
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont);
  std::memset(logfont.lfFaceName, 0, sizeof logfont.lfFaceName);
  for (int i = 0; i < 31 && s.face[i]; ++i) logfont.lfFaceName[i] = s.face[i];
  logfont.lfHeight = s.height;
  logfont.lfQuality = 4;
  if (s.bold) logfont.lfWeight = 700;
  if (s.italic) logfont.lfItalic = BYTE(s.italic);
  if (s.rotate > 0) logfont.lfEscapement = s.rotate * 10;
  if (s.underline) logfont.lfUnderline = BYTE(s.underline);
  return CreateFontIndirectW(&logfont);
}

void DrawInMode(HDC dc, const char16_t* text, RECT rect, bool wrapped) {
  if (wrapped) {
    DrawTextExW(dc, const_cast<char16_t*>(text), -1, &rect, 0x210, nullptr);
  } else {
    int length = 0;
    while (text[length]) ++length;
    TextOutW(dc, rect.left, rect.top, text, length);
  }
}

// A memory context with a new bitmap compatible with `reference`.
struct Surface {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  Surface(HDC reference, int width, int height)
      : dc(CreateCompatibleDC(reference)), bitmap(CreateCompatibleBitmap(reference, width, height)),
        previous(SelectObject(dc, bitmap)) {}
  ~Surface() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

// The shadow: grey text on a black 24-bit mask of the picture's size, blurred over every
// pixel, the shadow colour laid through it.
void DrawShadow(HDC picture, HDC layer, LONG W, LONG H, HFONT font, const char16_t* text, RECT rect,
                bool wrapped, const ShadowStyle& style) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = W;
  info.bmiHeader.biHeight = H;  // bottom-up, as a bitmap resource loads
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC mask_dc = CreateCompatibleDC(picture);
  HBITMAP mask = CreateDIBSection(mask_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous_mask = SelectObject(mask_dc, mask);
  SetBkMode(mask_dc, TRANSPARENT);
  const RECT all{0, 0, W, H};
  HBRUSH black = CreateSolidBrush(0);
  FillRect(mask_dc, &all, black);
  DeleteObject(black);
  auto* bytes = static_cast<std::uint8_t*>(bits);
  const std::size_t stride = (std::size_t(W) * 3 + 3) / 4 * 4;
  const auto P = [&](int x, int y, int c) -> std::uint8_t& { return bytes[std::size_t(H - 1 - y) * stride + std::size_t(x) * 3 + c]; };

  const std::uint8_t g = std::uint8_t(std::int64_t((style.opacity * 0.01) * 255));
  const COLORREF previous_color = SetTextColor(mask_dc, g * 0x010101u);
  HGDIOBJ previous_font = SelectObject(mask_dc, font);
  const LONG d = style.distance;
  DrawInMode(mask_dc, text, {rect.left + d, rect.top + d, rect.right + d, rect.bottom + d}, wrapped);
  SetTextColor(mask_dc, previous_color);
  SelectObject(mask_dc, previous_font);

  BlurWholeMask(W, H, 3, style.size, P);

  Surface colour(picture, W, H);
  HBRUSH brush = CreateSolidBrush(style.color);
  FillRect(colour.dc, &all, brush);
  DeleteObject(brush);
  // Blits see no pixels in a 24-bit section here, so the mask goes to the masked blit
  // through a 32-bit surface holding the same three channels.
  Surface mask32(picture, W, H);
  std::vector<std::uint32_t> words(std::size_t(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      words[std::size_t(y) * W + x] = P(x, y, 0) | (std::uint32_t(P(x, y, 1)) << 8) | (std::uint32_t(P(x, y, 2)) << 16);
  WriteDibWords(mask32.dc, 0, 0, W, H, words.data());
  CvxGDI::BitBltDCByMaskDC(layer, 0, 0, W, H, colour.dc, mask32.dc);

  SelectObject(mask_dc, previous_mask);
  DeleteObject(mask);
  DeleteDC(mask_dc);
}

}  // namespace

void BlurWholeMask(int W, int H, int channels, int s,
                   const std::function<std::uint8_t&(int x, int y, int channel)>& P) {
  std::vector<double> kernel;
  if (s == 0) kernel = {1.0};  // settled: size 0 draws the mask unblurred
  for (int i = -s; s > 0 && i <= s; ++i) {
    const double sigma = s * 0.3333333333333333;
    kernel.push_back(std::exp(-double(i * i) / (2 * sigma * sigma)) / (sigma * std::sqrt(6.2831852)));
  }
  double sum = 0;
  for (double w : kernel) sum += w;
  for (double& w : kernel) w /= sum;
  const auto clamp = [](int v, int last) { return v < 0 ? 0 : v > last ? last : v; };
  std::vector<double> A(std::size_t(W) * H * channels, 0.0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < channels; ++c)
        for (int i = -s; i <= s; ++i)
          A[(std::size_t(y) * W + x) * channels + c] += kernel[std::size_t(i + s)] * P(clamp(x + i, W - 1), y, c);
  for (int x = 0; x < W; ++x)
    for (int y = 0; y < H; ++y)
      for (int c = 0; c < channels; ++c) {
        double v = 0;
        for (int i = -s; i <= s; ++i)
          v += kernel[std::size_t(i + s)] * A[(std::size_t(clamp(y + i, H - 1)) * W + x) * channels + c];
        P(x, y, c) = std::fabs(v - 255) >= 0.0001 ? std::uint8_t(std::int64_t(v)) : 255;
      }
}

void StampTextMarkOnWholeLayers(HDC picture, SIZE size, const TextMarkFontSettings& font_settings,
                                const TextMarkSettings& settings, const char16_t* text, POINT position) {
  if (!text) text = u"";
  const LONG W = size.cx, H = size.cy;
  HFONT font = MakeFont(font_settings);
  Surface layer(picture, W, H);
  SetBkMode(layer.dc, TRANSPARENT);
  BitBlt(layer.dc, 0, 0, W, H, picture, 0, 0, SRCCOPY);

  HGDIOBJ previous_font = SelectObject(layer.dc, font);
  RECT measured{0, 0, 0, 0};
  DrawTextW(layer.dc, text, -1, &measured, DT_CALCRECT);
  SelectObject(layer.dc, previous_font);
  LONG tw = measured.right - measured.left;
  const LONG th = measured.bottom - measured.top;
  if (settings.area_width >= 1 && tw >= settings.area_width) tw = settings.area_width;

  const LONG dx = settings.placement.offset_x, dy = settings.placement.offset_y;
  RECT r;
  switch (settings.placement.rule) {
    case 0: r = {(W - tw) / 2 + dx, (H - th) / 2 + dy, 0, H}; r.right = r.left + tw; break;
    case 1: r = {dx, dy, dx + tw, H}; break;
    case 2: r = {dx + W - tw, dy, dx + W, H}; break;
    case 3: r = {dx, dy + H - th, dx + tw, dy + H}; break;
    case 4: r = {dx + W - tw, dy + H - th, dx + W, dy + H}; break;
    default: r = {position.x, position.y, position.x + tw, position.y + th}; break;
  }
  const bool wrapped = settings.rotate == 0;
  if (settings.shadow_visible) DrawShadow(picture, layer.dc, W, H, font, text, r, wrapped, settings.shadow);

  const COLORREF previous_color = SetTextColor(layer.dc, settings.color);
  previous_font = SelectObject(layer.dc, font);
  DrawInMode(layer.dc, text, r, wrapped);
  SelectObject(layer.dc, previous_font);
  SetTextColor(layer.dc, previous_color);

  CvxGDI::BitBltDCByTransparent(picture, 0, 0, W, H, layer.dc, 0, 0, settings.opacity);
  DeleteObject(font);
}

}  // namespace vx::testing
