// Fills, bordered rectangles, one-pixel borders and background bitmaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gdi/dib_words.h"
#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

constexpr std::uint32_t kGrey = 0x00808080;
constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
constexpr std::uint32_t kRedWord = 0x00FF0000, kBlueWord = 0x000000FF;

// The object of one kind selected into a context, found by selecting a stock one for a moment.
HGDIOBJ Selected(HDC dc, int stock) {
  HGDIOBJ previous = SelectObject(dc, GetStockObject(stock));
  SelectObject(dc, previous);
  return previous;
}

// A caller's pen and brush, selected before a call, must be selected after it.
class KeepsSelection {
 public:
  explicit KeepsSelection(HDC dc)
      : dc_(dc), pen_(CreatePen(PS_SOLID, 1, 0)), brush_(CreateSolidBrush(0)) {
    old_pen_ = SelectObject(dc, pen_);
    old_brush_ = SelectObject(dc, brush_);
  }
  ~KeepsSelection() {
    EXPECT_EQ(Selected(dc_, NULL_PEN), pen_);
    EXPECT_EQ(Selected(dc_, NULL_BRUSH), brush_);
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }

 private:
  HDC dc_;
  HGDIOBJ pen_, brush_, old_pen_, old_brush_;
};

// A bitmap of the caller's own, not selected anywhere, holding `words`.
class CallerBitmap {
 public:
  CallerBitmap(int width, int height, const std::vector<std::uint32_t>& words) {
    HDC screen = GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, bitmap_);
    WriteDibWords(dc, 0, 0, width, height, words.data());
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  ~CallerBitmap() { DeleteObject(bitmap_); }
  operator HBITMAP() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
};

// Pixel (c, r) of a coded bitmap: red c, green r, blue 200, all bits set in the fourth byte.
std::uint32_t Coded(int c, int r) { return 0xFF0000C8u | std::uint32_t(c) << 16 | std::uint32_t(r) << 8; }
std::vector<std::uint32_t> CodedWords(int w, int h) {
  std::vector<std::uint32_t> words;
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) words.push_back(Coded(c, r));
  }
  return words;
}

// Asserts that target pixel (x + i, y + j) shows bitmap pixel (columns[i], rows[j]).
void ExpectGrid(const TestSurface& s, int x, int y, const std::vector<int>& columns,
                const std::vector<int>& rows) {
  for (std::size_t j = 0; j < rows.size(); ++j) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      EXPECT_EQ(s.At(x + int(i), y + int(j)), Coded(columns[i], rows[j])) << "column " << i << ", row " << j;
    }
  }
}

class FillTest : public LeakCheckedTest {};

TEST_F(FillTest, FillRectByColorFillsExactlyTheRectangle) {
  TestSurface s(5, 4, kGrey);
  {
    KeepsSelection keep(s.dc());
    RECT rect{1, 1, 4, 3};
    CvxGDI::FillRectByColor(s.dc(), kRed, rect);
    for (RECT empty : {RECT{3, 1, 3, 3}, RECT{4, 3, 1, 1}}) CvxGDI::FillRectByColor(s.dc(), kBlue, empty);
  }
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(s.At(x, y), x >= 1 && x < 4 && y >= 1 && y < 3 ? kRedWord : kGrey) << x << ", " << y;
    }
  }
}

TEST_F(FillTest, DrawRectangleOutlinesWithTheBorderAndFillsWithin) {
  for (int width : {0, 1}) {
    TestSurface s(7, 6, kGrey);
    {
      KeepsSelection keep(s.dc());
      CvxGDI::DrawRectangle(s.dc(), 1, 1, 6, 5, kBlue, kRed, width);
    }
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 7; ++x) {
        const bool inside = x >= 1 && x < 6 && y >= 1 && y < 5;
        const bool edge = inside && (x == 1 || x == 5 || y == 1 || y == 4);
        EXPECT_EQ(s.At(x, y), edge ? kRedWord : inside ? kBlueWord : kGrey) << x << ", " << y;
      }
    }
  }
  // A border three pixels wide straddles the outline.
  TestSurface s(9, 9, kGrey);
  CvxGDI::DrawRectangle(s.dc(), 2, 2, 7, 7, kBlue, kRed, 3);
  EXPECT_EQ(s.At(1, 4), kRedWord);
  EXPECT_EQ(s.At(3, 4), kRedWord);
  EXPECT_EQ(s.At(4, 4), kBlueWord);
  EXPECT_EQ(s.At(0, 4), kGrey);
}

TEST_F(FillTest, DrawBorderByColorChangesOnlyTheOutline) {
  TestSurface s(6, 5, 0);
  std::vector<std::uint32_t> pattern(30);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = 0x00010203u * std::uint32_t(i);
  s.SetWords(pattern);
  {
    KeepsSelection keep(s.dc());
    RECT rect{1, 0, 5, 4};
    CvxGDI::DrawBorderByColor(s.dc(), kRed, rect);
  }
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool outline = x >= 1 && x <= 4 && y >= 0 && y <= 3 && (x == 1 || x == 4 || y == 0 || y == 3);
      EXPECT_EQ(s.At(x, y), outline ? kRedWord : pattern[std::size_t(y) * 6 + x]) << x << ", " << y;
    }
  }
}

TEST_F(FillTest, BackgroundWithoutStretchIsTheBitmapsTopLeftOverBlack) {
  const CallerBitmap bitmap(6, 5, CodedWords(6, 5));
  TestSurface s(12, 9, kGrey);
  RECT small{2, 1, 6, 4};
  CvxGDI::DrawBgBitmap(s.dc(), small, 1, 2, 1, 2, bitmap, false);
  ExpectGrid(s, 2, 1, {0, 1, 2, 3}, {0, 1, 2});
  EXPECT_EQ(s.At(6, 1), kGrey);
  EXPECT_EQ(s.At(2, 4), kGrey);

  TestSurface t(12, 9, kGrey);
  RECT large{1, 1, 9, 8};  // 8 x 7: more than the bitmap covers
  CvxGDI::DrawBgBitmap(t.dc(), large, 1, 2, 1, 2, bitmap, false);
  ExpectGrid(t, 1, 1, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4});
  EXPECT_EQ(t.At(7, 1), 0u);
  EXPECT_EQ(t.At(1, 6), 0u);
  EXPECT_EQ(t.At(9, 1), kGrey);
}

TEST_F(FillTest, NinePartBackgroundKeepsCornersAndStretchesBetween) {
  const CallerBitmap bitmap(6, 5, CodedWords(6, 5));
  // Splits: columns [0, 2) [2, 4) [4, 6), rows [0, 1) [1, 3) [3, 5).
  TestSurface same(6, 5, 0);
  RECT exact{0, 0, 6, 5};
  CvxGDI::DrawBgBitmap(same.dc(), exact, 2, 4, 1, 3, bitmap, true);
  ExpectGrid(same, 0, 0, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4});

  // Wider and taller: the corners keep their size, the middle column 2 -> 6 and the middle
  // row 2 -> 4 repeat whole pixels.
  TestSurface wide(14, 9, kGrey);
  RECT big{2, 1, 12, 8};
  CvxGDI::DrawBgBitmap(wide.dc(), big, 2, 4, 1, 3, bitmap, true);
  ExpectGrid(wide, 2, 1, {0, 1, 2, 2, 2, 3, 3, 3, 4, 5}, {0, 1, 1, 2, 2, 3, 4});
  EXPECT_EQ(wide.At(1, 1), kGrey);
  EXPECT_EQ(wide.At(12, 8), kGrey);

  // The same size elsewhere gives the same picture, moved.
  TestSurface moved(14, 9, kGrey);
  RECT shifted{4, 2, 14, 9};
  CvxGDI::DrawBgBitmap(moved.dc(), shifted, 2, 4, 1, 3, bitmap, true);
  ExpectGrid(moved, 4, 2, {0, 1, 2, 2, 2, 3, 3, 3, 4, 5}, {0, 1, 1, 2, 2, 3, 4});
}

// Only the part of the rectangle on the surface is composed: a rectangle reaching far past
// every edge shows what the same rectangle shows on a surface large enough to hold it.
TEST_F(FillTest, BackgroundOverhangingTheSurfaceShowsTheSamePixels) {
  const CallerBitmap bitmap(6, 5, CodedWords(6, 5));
  for (const bool stretch : {true, false}) {
    SCOPED_TRACE(stretch ? "stretched" : "copied");
    // On the large surface the small one's (0, 0) lies at (30, 20).
    TestSurface large(100, 80, kGrey), small(9, 7, kGrey);
    RECT whole{3, 2, 97, 77}, overhanging{-27, -18, 67, 57};
    CvxGDI::DrawBgBitmap(large.dc(), whole, 2, 4, 1, 3, bitmap, stretch);
    CvxGDI::DrawBgBitmap(small.dc(), overhanging, 2, 4, 1, 3, bitmap, stretch);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(small.At(x, y), large.At(x + 30, y + 20)) << x << ", " << y;
  }
  // A rectangle no layer could hold is composed where it shows: the bitmap's corners.
  TestSurface huge(6, 5, kGrey);
  RECT everything{0, 0, 1 << 30, 1 << 30};
  CvxGDI::DrawBgBitmap(huge.dc(), everything, 2, 4, 1, 3, bitmap, false);
  ExpectGrid(huge, 0, 0, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4});
  // Stretched, the top-left corner piece stays and the middle column and row repeat.
  TestSurface stretched(6, 5, kGrey);
  CvxGDI::DrawBgBitmap(stretched.dc(), everything, 2, 4, 1, 3, bitmap, true);
  ExpectGrid(stretched, 0, 0, {0, 1, 2, 2, 2, 2}, {0, 1, 1, 1, 1});
}

TEST_F(FillTest, ShrinkingTheMiddleCombinesDroppedPixelsWithAnd) {
  std::vector<std::uint32_t> words = {0x00F0F0F1, 0x000F0F0F, 0x00FF00FC, 0x0000FF3F,
                                      0x00123456, 0x00654321, 0x00A5A5A5, 0x005A5A5F};
  const CallerBitmap bitmap(8, 1, words);
  TestSurface s(6, 1, 0);
  RECT rect{0, 0, 6, 1};
  // Columns [0, 1) kept, [1, 7) shrunk to 4 columns, [7, 8) kept.
  CvxGDI::DrawBgBitmap(s.dc(), rect, 1, 7, 0, 1, bitmap, true);
  EXPECT_EQ(s.Words(), (std::vector<std::uint32_t>{words[0], words[1], words[2] & words[3], words[4],
                                                   words[5] & words[6], words[7]}));
}

TEST_F(FillTest, PiecesOfNegativeSizeAreLeftOutNotMirrored) {
  const CallerBitmap bitmap(6, 5, CodedWords(6, 5));
  TestSurface s(3, 5, kGrey);
  RECT narrow{0, 0, 3, 5};  // narrower than the 2 + 2 columns of the margins
  CvxGDI::DrawBgBitmap(s.dc(), narrow, 2, 4, 1, 3, bitmap, true);
  // The right column pieces, drawn after the left ones, start at 3 - 2 = 1.
  ExpectGrid(s, 0, 0, {0, 4, 5}, {0, 1, 2, 3, 4});

  TestSurface untouched(3, 3, kGrey);
  for (RECT empty : {RECT{1, 1, 1, 3}, RECT{2, 2, 0, 0}}) {
    CvxGDI::DrawBgBitmap(untouched.dc(), empty, 2, 4, 1, 3, bitmap, true);
    CvxGDI::DrawBgBitmap(untouched.dc(), empty, 2, 4, 1, 3, bitmap, false);
  }
  EXPECT_EQ(untouched.Words(), std::vector<std::uint32_t>(9, kGrey));
  // The caller's bitmap is only borrowed: it can still be selected and read.
  TestSurface reader(1, 1, 0);
  HGDIOBJ previous = SelectObject(reader.dc(), bitmap);
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(GetPixel(reader.dc(), 5, 4), RGB(5, 4, 200));
  SelectObject(reader.dc(), previous);
}

// Every routine of the toolbox leaves the target's pen and brush as it found them, and every
// object it made is gone (the fixture counts them).
TEST_F(FillTest, EveryRoutineLeavesTheCallersSelection) {
  TestSurface s(40, 30, kGrey), source(8, 6, kGrey);
  const CallerBitmap bitmap(6, 5, CodedWords(6, 5));
  std::vector<unsigned char> bgra(8 * 6 * 4, 200);
  RECT rect{2, 2, 30, 20};
  KeepsSelection keep(s.dc());
  CvxGDI::FillRectByColor(s.dc(), kRed, rect);
  CvxGDI::DrawRectangle(s.dc(), 1, 1, 20, 20, kBlue, kRed, 2);
  CvxGDI::DrawBorderByColor(s.dc(), kRed, rect);
  CvxGDI::DrawBgBitmap(s.dc(), rect, 2, 4, 1, 3, bitmap, true);
  CvxGDI::DrawBgBitmap(s.dc(), rect, 2, 4, 1, 3, bitmap, false);
  CvxGDI::DrawDCByRotateData(s.dc(), 5, 5, 8, 6, bgra.data(), 33, 0, 0);
  CvxGDI::RotateDC(s.dc(), 5, 5, source.dc(), 8, 6, 33);
  CvxGDI::RotateDC2(s.dc(), 5, 5, source.dc(), source.bitmap(), 8, 6, 33);
  CvxGDI::DrawSmoothLine(s.dc(), 0, 0, 39, 17, kRed);
  CvxGDI::DrawSmoothEllipse(s.dc(), 3, 3, 35, 25, kBlue);
  CvxGDI::FastBlur(s.dc(), 40, 30, 5, 1.0);
  const std::vector<std::uint32_t> picture = s.Words();
  EXPECT_NE(picture, std::vector<std::uint32_t>(40 * 30, kGrey));
}

}  // namespace
}  // namespace vx::testing
