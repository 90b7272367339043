// Compressed pictures held in memory: measured at the screen's resolution and drawn scaled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gdi/vxgdi.h"
#include "platform/surface/gdi_diagnostics.h"
#include "tests/dib_section_canvas.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class MemoryPictureTest : public LeakCheckedTest {
 protected:
  // A JPEG of the given size, its four quadrants red, green, blue and white.
  std::vector<std::uint8_t> Quadrants(int width, int height) {
    const std::string path = dir_.File("q.jpg");
    WriteJpegFile(path, width, height, [&](int x, int y, std::uint8_t* p) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      p[0] = !right || bottom ? 255 : 0;
      p[1] = right ? 255 : 0;
      p[2] = bottom ? 255 : 0;
      if (bottom && !right) p[0] = 0;
    });
    return ReadBytes(path);
  }

  TempDir dir_;
};

TEST_F(MemoryPictureTest, SizeIsTheNaturalSizeAtTheScreensResolution) {
  auto jpeg = Quadrants(96, 40);
  int width = -1, height = -1;
  CvxGDI::GetJPGSize(jpeg.data(), int(jpeg.size()), &width, &height);
  EXPECT_EQ(width, 96);  // 2540 HIMETRIC at 96 dots per inch
  EXPECT_EQ(height, 40);
  SetScreenDpi(120);
  CvxGDI::GetJPGSize(jpeg.data(), int(jpeg.size()), &width, &height);
  SetScreenDpi(96);
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 50);
  CvxGDI::GetJPGSize(jpeg.data(), int(jpeg.size()), nullptr, &height);  // either may be left out
  EXPECT_EQ(height, 40);
}

TEST_F(MemoryPictureTest, BytesThatAreNoPictureMeasureNothingAndDrawNothing) {
  const std::vector<std::uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  auto jpeg = Quadrants(16, 16);
  const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + 2);  // a signature alone
  struct Input {
    const void* data;
    int size;
  };
  for (Input input : {Input{jpeg.data(), 0}, Input{garbage.data(), int(garbage.size())},
                      Input{cut.data(), int(cut.size())}, Input{nullptr, 100}, Input{jpeg.data(), -5}}) {
    int width = 7, height = 7;
    CvxGDI::GetJPGSize(const_cast<void*>(input.data), input.size, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    TestSurface s(4, 4, 0x00123456);
    CvxGDI::DrawJPG(s.dc(), 0, 0, 4, 4, const_cast<void*>(input.data), input.size);
    EXPECT_EQ(s.Words(), std::vector<std::uint32_t>(16, 0x00123456));
  }
}

// A picture whose size in HIMETRIC does not fit 32 bits (here an RLE bitmap 127 pixels wide
// and 437 649 408 high, which its header may claim) has no size to give.
TEST_F(MemoryPictureTest, PicturesTooTallForTheirHimetricSizeMeasureNothing) {
  std::vector<std::uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x3A, 0, 0, 0,  // file header
                                   40, 0, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0x0E, 0x1A,  // 127 x 0x1A0E0000
                                   1, 0, 8, 0, 1, 0, 0, 0};                      // 8 bits, RLE8
  bmp.resize(0x36 + 4, 0);  // the rest of the header, one palette entry
  bmp.insert(bmp.end(), {0, 1});  // end of picture
  bmp[46] = 1;  // one colour used
  int width = 7, height = 7;
  CvxGDI::GetJPGSize(bmp.data(), int(bmp.size()), &width, &height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
}

TEST_F(MemoryPictureTest, DrawsTheWholePictureSquashedIntoTheRectangle) {
  auto jpeg = Quadrants(200, 200);
  TestSurface s(120, 60, 0x00123456);
  SetStretchBltMode(s.dc(), HALFTONE);
  CvxGDI::DrawJPG(s.dc(), 10, 5, 100, 50, jpeg.data(), int(jpeg.size()));
  EXPECT_EQ(GetStretchBltMode(s.dc()), HALFTONE);  // the caller's mode is given back
  auto colour = [&](int x, int y) { return s.At(x, y) & 0x00FFFFFF; };
  auto near = [](std::uint32_t word, std::uint32_t want) {
    for (int shift : {0, 8, 16}) {
      if (!Near(int(word >> shift & 0xFF), int(want >> shift & 0xFF), 8)) return false;
    }
    return true;
  };
  EXPECT_TRUE(near(colour(30, 15), 0xFF0000)) << std::hex << colour(30, 15);  // red
  EXPECT_TRUE(near(colour(90, 15), 0x00FF00)) << std::hex << colour(90, 15);  // green
  EXPECT_TRUE(near(colour(30, 45), 0x0000FF)) << std::hex << colour(30, 45);  // blue
  EXPECT_TRUE(near(colour(90, 45), 0xFFFFFF)) << std::hex << colour(90, 45);  // white
  EXPECT_EQ(colour(9, 5), 0x123456u);
  EXPECT_EQ(colour(110, 30), 0x123456u);
  EXPECT_EQ(colour(50, 55), 0x123456u);
  // At its own size it is copied pixel for pixel; a rectangle of no size draws nothing.
  TestSurface own(200, 200, 0);
  CvxGDI::DrawJPG(own.dc(), 0, 0, 200, 200, jpeg.data(), int(jpeg.size()));
  EXPECT_TRUE(near(own.At(199, 199) & 0x00FFFFFF, 0xFFFFFF));
  TestSurface none(4, 4, 0x00123456);
  CvxGDI::DrawJPG(none.dc(), 0, 0, 0, 4, jpeg.data(), int(jpeg.size()));
  CvxGDI::DrawJPG(none.dc(), 0, 0, 4, -4, jpeg.data(), int(jpeg.size()));
  EXPECT_EQ(none.Words(), std::vector<std::uint32_t>(16, 0x00123456));
}

TEST_F(MemoryPictureTest, GifAndBmpBytesWorkToo) {
  for (const char* file : {"tests/corpus/gif/gifsuite_all-greens.gif", "tests/corpus/bmp/pil_hopper.bmp"}) {
    auto bytes = ReadBytes(std::string(VXIMAGE_SOURCE_DIR) + "/" + file);
    ASSERT_FALSE(bytes.empty()) << file;
    int width = 0, height = 0;
    CvxGDI::GetJPGSize(bytes.data(), int(bytes.size()), &width, &height);
    EXPECT_GT(width, 0) << file;
    EXPECT_GT(height, 0) << file;
    TestSurface s(8, 8, 0x00123456);
    CvxGDI::DrawJPG(s.dc(), 0, 0, 8, 8, bytes.data(), int(bytes.size()));
    EXPECT_NE(s.Words(), std::vector<std::uint32_t>(64, 0x00123456)) << file;
  }
}

// A picture drawn at its natural size is decoded straight into the context's rows, also
// when they are a bottom-up DIB section's (the rows run backwards in memory), and also
// when a large picture is decoded in two bands.
TEST_F(MemoryPictureTest, DrawsStraightIntoBottomUpSectionsAsIntoTopDownOnes) {
  for (int width : {64, 1280}) {
    SCOPED_TRACE(width);
    const int height = width * 3 / 4, sw = width + 16, sh = height + 12;
    auto jpeg = Quadrants(width, height);
    auto draw = [&](bool bottom_up) {
      DibSectionCanvas canvas(sw, sh, bottom_up);
      EXPECT_TRUE(canvas.made());
      CvxGDI::DrawJPG(canvas.dc(), 8, 6, width, height, jpeg.data(), int(jpeg.size()));
      return canvas.RowsTopFirst();
    };
    const std::vector<std::uint32_t> top_down = draw(false);
    EXPECT_EQ(draw(true), top_down);
    const std::uint32_t red = top_down[std::size_t(6 + 2) * sw + 8 + 2];  // the top left quadrant
    EXPECT_TRUE(Near(int(red >> 16 & 0xFF), 255, 8) && Near(int(red >> 8 & 0xFF), 0, 8) && Near(int(red & 0xFF), 0, 8))
        << std::hex << red;
    EXPECT_EQ(top_down[std::size_t(5) * sw + 8], 0u);                            // above it: untouched
  }
}

}  // namespace
}  // namespace vx::testing
