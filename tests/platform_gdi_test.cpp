// The drawing layer: handles and their lifetimes, copies and stretches, DIB transfer,
// MulDiv, and the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/gdi.h"
#include "platform/surface/gdi_diagnostics.h"
#include "platform/gdi_text.h"
#include "tests/dib_section_canvas.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class PlatformGdiTest : public LeakCheckedTest {};

// A memory context with a bitmap of its own, released at the end of the scope.
struct Canvas {
  Canvas(int width, int height) : w(width), h(height) {
    dc = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // Sets every pixel to a colour that encodes its position: red x, green y.
  void Number() {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) SetPixel(dc, x, y, RGB(BYTE(x), BYTE(y), 7));
  }
  int w, h;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

TEST(MulDiv, RoundsHalvesAwayFromZeroOnA64BitProduct) {
  EXPECT_EQ(MulDiv(2540, 96, 2540), 96);
  EXPECT_EQ(MulDiv(2540, 120, 2540), 120);
  EXPECT_EQ(MulDiv(16933, 96, 2540), 640);  // 639.99 rounds to 640
  EXPECT_EQ(MulDiv(1, 1, 2), 1);
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(4, 1, 3), 1);
  EXPECT_EQ(MulDiv(2000000000, 2, 4), 1000000000);  // the product does not fit 32 bits
  EXPECT_EQ(MulDiv(7, 8, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);  // the result does not fit
}

TEST_F(PlatformGdiTest, BadHandlesFailWithoutHarm) {
  Canvas canvas(4, 4);
  HDC stale = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(DeleteDC(stale));
  EXPECT_FALSE(DeleteDC(stale));
  EXPECT_EQ(SelectObject(stale, canvas.bitmap), nullptr);
  EXPECT_EQ(SelectObject(nullptr, canvas.bitmap), nullptr);
  EXPECT_FALSE(BitBlt(stale, 0, 0, 4, 4, canvas.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(canvas.dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(StretchBlt(canvas.dc, 0, 0, 4, 4, stale, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(GetPixel(stale, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(nullptr, 0, 0, 0), CLR_INVALID);
  EXPECT_EQ(CreateCompatibleDC(stale), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 4, 4), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(stale, 4, 4), nullptr);
  EXPECT_FALSE(DeleteObject(canvas.dc));  // a context is not an object to delete
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(GetDeviceCaps(stale, LOGPIXELSX), 0);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::uint32_t pixels[16];
  EXPECT_EQ(GetDIBits(canvas.dc, reinterpret_cast<HBITMAP>(canvas.dc), 0, 4, pixels, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(stale, 0, 0, 4, 4, 0, 0, 0, 4, pixels, &info, DIB_RGB_COLORS), 0);
  RECT r{0, 0, 2, 2};
  EXPECT_EQ(FillRect(canvas.dc, &r, nullptr), 0);
  // A brush handle is not a bitmap, and stale handles stay stale after reuse of slots.
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(GetObjectW(brush, sizeof(BITMAP), pixels), 0);
  DeleteObject(brush);
  HBRUSH again = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(FillRect(canvas.dc, &r, brush), 0);
  DeleteObject(again);
}

TEST_F(PlatformGdiTest, ObjectLifetimesFollowGdi) {
  const GdiObjectCounts start = LiveGdiObjects();
  HDC dc = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP a = CreateCompatibleBitmap(screen, 3, 2);
  HBITMAP b = CreateCompatibleBitmap(screen, 5, 5);
  EXPECT_EQ(LiveGdiObjects().dcs, start.dcs + 2);
  EXPECT_EQ(LiveGdiObjects().bitmaps, start.bitmaps + 2);
  const HGDIOBJ original = SelectObject(dc, a);
  ASSERT_NE(original, nullptr);            // the context's own one-pixel bitmap
  EXPECT_EQ(SelectObject(dc, b), a);       // the previous object comes back
  EXPECT_EQ(SelectObject(screen, a), nullptr);  // the screen takes no bitmap
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(SelectObject(other, b), nullptr);  // b belongs to dc
  EXPECT_FALSE(DeleteObject(b));               // selected: not deleted
  EXPECT_TRUE(DeleteDC(dc));                   // lets go of b, which lives on
  EXPECT_EQ(GetObjectType(b), OBJ_BITMAP);
  EXPECT_NE(SelectObject(other, b), nullptr);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_FALSE(DeleteObject(b));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(LiveGdiObjects(), start);
  EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH)));  // stock objects stay
  EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), OBJ_BRUSH);
}

TEST_F(PlatformGdiTest, BitmapsStartBlackAndHaveSensibleSizes) {
  HDC screen = GetDC(nullptr);
  HBITMAP zero = CreateCompatibleBitmap(screen, 0, 7);  // GDI's one-pixel answer
  BITMAP info{};
  ASSERT_EQ(GetObjectW(zero, sizeof info, &info), int(sizeof info));
  EXPECT_EQ(info.bmWidth, 1);
  EXPECT_EQ(info.bmHeight, 1);
  EXPECT_EQ(info.bmBitsPixel, 32);
  DeleteObject(zero);
  EXPECT_EQ(CreateCompatibleBitmap(screen, -1, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 1 << 15, 1 << 15), nullptr);  // 2^30 pixels: too many
  ReleaseDC(nullptr, screen);
  Canvas canvas(6, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(canvas.dc, x, y), 0u);
  EXPECT_EQ(GetPixel(canvas.dc, 6, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(canvas.dc, 1, 2, RGB(10, 20, 30)), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(canvas.dc, 1, 2), RGB(10, 20, 30));
}

TEST_F(PlatformGdiTest, DibSectionsShowTheirWordsTopRowFirst) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(bits, nullptr);
  auto* words = static_cast<std::uint32_t*>(bits);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(words[i], 0u);  // black to start with
  words[3 + 2] = 0x00102030;                             // second row, third pixel
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, section);
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0x10, 0x20, 0x30));
  SetPixel(dc, 0, 0, RGB(1, 2, 3));
  EXPECT_EQ(words[0] & 0xFFFFFF, 0x010203u);
  SelectObject(dc, previous);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(section));
}

// A bottom-up 32-bit DIB section (a positive height, as most Windows code makes them)
// holds its bottom row first; every call draws on it as on a top-down one.
TEST_F(PlatformGdiTest, BottomUpDibSectionsDrawLikeTopDownOnes) {
  constexpr int kWidth = 13, kHeight = 9;
  Canvas numbered(kWidth, kHeight);
  numbered.Number();
  // The section's pixels top row first, after the same drawing calls on either kind.
  auto draw = [&](bool bottom_up, std::vector<std::uint8_t>* read_back) {
    DibSectionCanvas canvas(kWidth, kHeight, bottom_up);
    EXPECT_TRUE(canvas.made());
    HDC dc = canvas.dc();
    BitBlt(dc, 2, 1, 9, 6, numbered.dc, 0, 0, SRCCOPY);
    BitBlt(dc, 1, 2, 8, 5, dc, 2, 1, SRCCOPY);  // overlapping, within the section
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 0, 0, 5, 4);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 6, 5, 7, 4, dc, 0, 0, 4, 3, SRCCOPY);  // within the section
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 6, 5, 3, numbered.dc, 0, 0, 13, 9, SRCCOPY);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 3, -2, u"Hj", 2);
    SetPixel(dc, 0, kHeight - 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(200, 100, 50));
    const RECT band = {9, 0, 13, 3};
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    BITMAPINFO out{};
    out.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    read_back->assign(std::size_t(kHeight) * 40, 0);  // 13 * 3 bytes padded to 40
    EXPECT_EQ(GetDIBits(dc, canvas.section(), 0, kHeight, read_back->data(), &out, DIB_RGB_COLORS), kHeight);
    return canvas.RowsTopFirst();
  };
  std::vector<std::uint8_t> top_down_read, bottom_up_read;
  const std::vector<std::uint32_t> top_down = draw(false, &top_down_read);
  const std::vector<std::uint32_t> bottom_up = draw(true, &bottom_up_read);
  EXPECT_EQ(bottom_up, top_down);
  EXPECT_EQ(bottom_up_read, top_down_read);
  // The calls drew: the pixel set at the bottom left is the section's first word.
  EXPECT_EQ(top_down[std::size_t(kHeight - 1) * kWidth] & 0xFFFFFF, 0x010203u);
  EXPECT_EQ(top_down[std::size_t(1) * kWidth + 10], 0x00C86432u);  // the brush's band
  EXPECT_NE(std::count(top_down.begin(), top_down.end(), 0u), std::ptrdiff_t(top_down.size()));
}

TEST_F(PlatformGdiTest, BitBltCopiesExactlyAndClipsToBothSurfaces) {
  Canvas src(8, 8), dst(6, 6);
  src.Number();
  ASSERT_TRUE(BitBlt(dst.dc, -2, 3, 10, 10, src.dc, 1, -1, SRCCOPY));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const int sx = x + 2 + 1, sy = y - 3 - 1;
      const COLORREF expected = (y >= 3 && sy >= 0 && sx < 8) ? RGB(BYTE(sx), BYTE(sy), 7) : 0;
      EXPECT_EQ(GetPixel(dst.dc, x, y), expected) << x << "," << y;
    }
  // Within one surface, overlapping copies read what was there before.
  Canvas one(5, 5);
  one.Number();
  ASSERT_TRUE(BitBlt(one.dc, 1, 1, 4, 4, one.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(one.dc, 4, 4), RGB(3, 3, 7));
  EXPECT_EQ(GetPixel(one.dc, 1, 1), RGB(0, 0, 7));
  ASSERT_TRUE(BitBlt(one.dc, 0, 0, 4, 4, one.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(GetPixel(one.dc, 0, 0), RGB(0, 0, 7));
  EXPECT_EQ(GetPixel(one.dc, 3, 3), RGB(3, 3, 7));
}

TEST_F(PlatformGdiTest, ColorOnColorStretchDropsAndRepeatsWholePixels) {
  Canvas src(4, 2), dst(8, 4);
  src.Number();
  EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);  // the default mode
  // Shrinking 4 -> 2 keeps two of the columns whole; enlarging 2 -> 4 repeats each row twice.
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 2, 4, src.dc, 0, 0, 4, 2, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(1, 0, 7));
  EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(3, 0, 7));
  EXPECT_EQ(GetPixel(dst.dc, 0, 1), RGB(1, 0, 7));
  EXPECT_EQ(GetPixel(dst.dc, 0, 2), RGB(1, 1, 7));
  EXPECT_EQ(GetPixel(dst.dc, 1, 3), RGB(3, 1, 7));
  // Enlarging 4 -> 8 repeats each column twice.
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 2, src.dc, 0, 0, 4, 2, SRCCOPY));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(GetPixel(dst.dc, x, 1), RGB(BYTE(x / 2), 1, 7)) << x;
  // A negative width mirrors.
  ASSERT_TRUE(StretchBlt(dst.dc, 4, 0, -4, 1, src.dc, 0, 0, 4, 1, SRCCOPY));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(dst.dc, x, 0), RGB(BYTE(3 - x), 0, 7)) << x;
  // Where the source rectangle leaves its surface, the destination keeps its pixels.
  Canvas keep(4, 1);
  RECT all{0, 0, 4, 1};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(keep.dc, &all, white);
  DeleteObject(white);
  ASSERT_TRUE(StretchBlt(keep.dc, 0, 0, 4, 1, src.dc, 2, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(GetPixel(keep.dc, 1, 0), RGB(3, 0, 7));
  EXPECT_EQ(GetPixel(keep.dc, 2, 0), RGB(255, 255, 255));
}

// A row of pixels whose red values are given, green and blue 0.
void SetReds(const Canvas& canvas, int y, std::initializer_list<int> reds) {
  int x = 0;
  for (int red : reds) SetPixel(canvas.dc, x++, y, RGB(BYTE(red), 0, 0));
}

TEST_F(PlatformGdiTest, HalftoneShrinkAveragesTheCoveredPixelsByCoverage) {
  Canvas src(4, 2), dst(2, 1);
  src.Number();  // red = x, green = y
  EXPECT_EQ(SetStretchBltMode(dst.dc, HALFTONE), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY));
  // Each output pixel covers a 2 x 2 block: red (0+1)/2 and (2+3)/2, green 1/2, rounded.
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(1, 1, 7));
  EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(3, 1, 7));

  // 3 -> 2: the first output pixel covers all of pixel 0 and half of pixel 1, the second
  // the other half of pixel 1 and all of pixel 2.
  Canvas three(3, 1), two(2, 1);
  SetReds(three, 0, {0, 30, 60});
  SetStretchBltMode(two.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(two.dc, 0, 0, 2, 1, three.dc, 0, 0, 3, 1, SRCCOPY));
  EXPECT_EQ(GetPixel(two.dc, 0, 0), RGB(10, 0, 0));  // (0 x 1 + 30 x 0.5) / 1.5
  EXPECT_EQ(GetPixel(two.dc, 1, 0), RGB(50, 0, 0));  // (30 x 0.5 + 60 x 1) / 1.5
}

TEST_F(PlatformGdiTest, HalftoneEnlargementInterpolatesBetweenPixelCentres) {
  Canvas src(2, 1), dst(4, 1);
  SetReds(src, 0, {0, 100});
  SetStretchBltMode(dst.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY));
  // Output centres fall at source positions -0.25, 0.25, 0.75 and 1.25 from the first
  // centre; beyond the ends the edge pixel holds.
  const int expected[] = {0, 25, 75, 100};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(dst.dc, x, 0), RGB(BYTE(expected[x]), 0, 0)) << x;

  // Each axis on its own: 4 -> 2 across (averaged), 2 -> 4 down (interpolated).
  Canvas grid(4, 2), mixed(2, 4);
  grid.Number();
  SetStretchBltMode(mixed.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(mixed.dc, 0, 0, 2, 4, grid.dc, 0, 0, 4, 2, SRCCOPY));
  const int greens[] = {0, 0, 1, 1};  // 0, 0.25, 0.75, 1, rounded
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(GetPixel(mixed.dc, 0, y), RGB(1, BYTE(greens[y]), 7)) << y;
    EXPECT_EQ(GetPixel(mixed.dc, 1, y), RGB(3, BYTE(greens[y]), 7)) << y;
  }
}

TEST_F(PlatformGdiTest, HalftoneAtTheSameSizeCopiesAndNegativeExtentsMirror) {
  Canvas src(5, 3), same(5, 3), mirrored(5, 3);
  src.Number();
  SetStretchBltMode(same.dc, HALFTONE);
  SetStretchBltMode(mirrored.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(same.dc, 0, 0, 5, 3, src.dc, 0, 0, 5, 3, SRCCOPY));
  ASSERT_TRUE(StretchBlt(mirrored.dc, 5, 0, -5, 3, src.dc, 0, 0, 5, 3, SRCCOPY));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(GetPixel(same.dc, x, y), RGB(BYTE(x), BYTE(y), 7));
      EXPECT_EQ(GetPixel(mirrored.dc, x, y), RGB(BYTE(4 - x), BYTE(y), 7));
    }
}

// Source pixels off their surface do not count; where none is left the destination keeps
// its pixel, as in the other modes.
TEST_F(PlatformGdiTest, HalftoneIgnoresSourcePixelsOffTheSurface) {
  Canvas src(2, 1), dst(3, 1);
  SetReds(src, 0, {40, 80});
  RECT all{0, 0, 3, 1};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dst.dc, &all, white);
  DeleteObject(white);
  SetStretchBltMode(dst.dc, HALFTONE);
  // Six source columns from -2 onto three: the first pixel covers columns -2 and -1 only.
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 3, 1, src.dc, -2, 0, 6, 1, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(60, 0, 0));
  EXPECT_EQ(GetPixel(dst.dc, 2, 0), RGB(255, 255, 255));
  // A source rectangle reaching far past its surface costs only what lies on it.
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, INT32_MAX, 1, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(60, 0, 0));
}

TEST_F(PlatformGdiTest, GetDIBitsPadsRowsAndHonoursRowOrder) {
  // Widths 1 to 7 give every padding; the wider ones run the four-pixel steps and their tails.
  for (int width : {1, 2, 3, 4, 5, 6, 7, 9, 10, 37, 64, 101}) {
    SCOPED_TRACE(width);
    Canvas canvas(width, 3);
    canvas.Number();
    const int stride = ((width * 24 + 31) / 32) * 4;
    EXPECT_EQ(stride, (3 * width + 3) / 4 * 4);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> top_down(std::size_t(stride) * 3, 0xAB);
    ASSERT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 3, top_down.data(), &info, DIB_RGB_COLORS), 3);
    info.bmiHeader.biHeight = 3;
    std::vector<BYTE> bottom_up(top_down.size(), 0xAB);
    ASSERT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 3, bottom_up.data(), &info, DIB_RGB_COLORS), 3);
    for (int y = 0; y < 3; ++y) {
      const BYTE* row = &top_down[std::size_t(y) * stride];
      for (int x = 0; x < width; ++x) {
        EXPECT_EQ(row[3 * x], 7);      // blue
        EXPECT_EQ(row[3 * x + 1], y);  // green
        EXPECT_EQ(row[3 * x + 2], x);  // red
      }
      for (int pad = 3 * width; pad < stride; ++pad) EXPECT_EQ(row[pad], 0xAB);  // untouched
      EXPECT_EQ(std::memcmp(row, &bottom_up[std::size_t(2 - y) * stride], std::size_t(stride)), 0);
    }
    // Without a buffer the header is filled in.
    info.bmiHeader.biSizeImage = 0;
    EXPECT_NE(GetDIBits(canvas.dc, canvas.bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biSizeImage, DWORD(stride * 3));
  }
}

TEST_F(PlatformGdiTest, SetDIBitsToDeviceWritesBackWhatWasRead) {
  Canvas canvas(5, 4);
  canvas.Number();
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 5, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> words(20);
  ASSERT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 4, words.data(), &info, DIB_RGB_COLORS), 4);
  EXPECT_EQ(words[5 * 2 + 3], 0x00030207u);  // 0xXXRRGGBB
  Canvas copy(7, 7);
  EXPECT_EQ(SetDIBitsToDevice(copy.dc, 1, 2, 5, 4, 0, 0, 0, 4, words.data(), &info, DIB_RGB_COLORS), 4);
  EXPECT_EQ(GetPixel(copy.dc, 1 + 3, 2 + 2), RGB(3, 2, 7));
  EXPECT_EQ(GetPixel(copy.dc, 0, 0), 0u);
  // A bottom-up buffer: its first row is the picture's bottom row. Off-surface parts clip.
  info.bmiHeader.biHeight = 4;
  Canvas flipped(3, 3);
  SetDIBitsToDevice(flipped.dc, -2, 0, 5, 4, 0, 0, 0, 4, words.data(), &info, DIB_RGB_COLORS);
  EXPECT_EQ(GetPixel(flipped.dc, 0, 0), RGB(2, 3, 7));  // buffer row 0 sits at the bottom
  EXPECT_EQ(GetPixel(flipped.dc, 2, 2), RGB(4, 1, 7));
}

TEST_F(PlatformGdiTest, BrushesFillAndTheNullBrushFillsNothing) {
  Canvas canvas(4, 4);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{-5, 1, 2, 9};
  EXPECT_EQ(FillRect(canvas.dc, &r, red), 1);
  EXPECT_EQ(GetPixel(canvas.dc, 1, 3), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 2, 3), 0u);
  EXPECT_EQ(GetPixel(canvas.dc, 1, 0), 0u);
  RECT all{0, 0, 4, 4};
  EXPECT_EQ(FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
  EXPECT_EQ(GetPixel(canvas.dc, 3, 3), 0u);
  DeleteObject(red);
  EXPECT_EQ(SetBkMode(canvas.dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(GetBkMode(canvas.dc), TRANSPARENT);
  EXPECT_EQ(SetBkMode(canvas.dc, 7), 0);
}

TEST_F(PlatformGdiTest, TheScreenReportsItsResolution) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  SetScreenDpi(120);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 120);
  SetScreenDpi(96);
  EXPECT_EQ(GetObjectType(screen), OBJ_DC);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
}

}  // namespace
}  // namespace vx::testing

namespace vx::testing {
namespace {

TEST(Rectangles, IntersectOffsetAndEmptiness) {
  RECT a{}, b{}, out{};
  ASSERT_TRUE(SetRect(&a, 0, 0, 10, 10));
  SetRect(&b, 5, -5, 20, 7);
  EXPECT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_EQ(out.left, 5);
  EXPECT_EQ(out.top, 0);
  EXPECT_EQ(out.right, 10);
  EXPECT_EQ(out.bottom, 7);
  OffsetRect(&b, 100, 0);
  EXPECT_FALSE(IntersectRect(&out, &a, &b));
  EXPECT_TRUE(IsRectEmpty(&out));  // a failed intersection is the empty rectangle
  EXPECT_TRUE(IsRectEmpty(nullptr));
  EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
}

TEST(ContextSettings, ColoursAndModesReturnWhatTheyReplace) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, 0xFF123456), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), 0x00123456u);  // the top byte is not a colour
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(dc, 9), 0);
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  DeleteDC(dc);
  EXPECT_EQ(GetTextColor(dc), CLR_INVALID);
  EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
}

}  // namespace
}  // namespace vx::testing
