// Thumbnails in the four sizing rules, and crops, from one loaded picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class ThumbnailCropTest : public LeakCheckedTest {
 protected:
  // A source whose pixel (x, y) has red x, green y: positions can be read back.
  void LoadGradient(ResizeObject& r, int width, int height) {
    const std::string path = dir_.File("g" + std::to_string(width) + "x" + std::to_string(height) + ".png");
    WritePngFile(path, width, height, [](int x, int y, std::uint8_t* p) {
      p[0] = std::uint8_t(x);
      p[1] = std::uint8_t(y);
      p[2] = 0;
      p[3] = 255;
    });
    ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
    r->put_Quality(100);
  }
  RgbImage Thumb(ResizeObject& r, double w, double h, LONG rule, HRESULT expected = S_OK) {
    const std::string out = dir_.File("thumb.jpg");
    std::remove(out.c_str());
    EXPECT_EQ(r->MakeThumbImage(Bstr(out), w, h, rule), expected);
    return ReadJpegFile(out);
  }
  RgbImage Crop(ResizeObject& r, LONG x, LONG y, LONG w, LONG h, HRESULT expected = S_OK) {
    const std::string out = dir_.File("crop.jpg");
    std::remove(out.c_str());
    EXPECT_EQ(r->MakeCropImage(Bstr(out), x, y, w, h), expected);
    return ReadJpegFile(out);
  }
  TempDir dir_;
};

struct SizeCase {
  int source_width, source_height;
  double w, h;
  LONG rule;
  int expected_width, expected_height;
};

TEST_F(ThumbnailCropTest, SizingRulesTruncateAsDoublePrecisionGives) {
  const SizeCase cases[] = {
      {300, 200, 150, 999, 1, 150, 100},  // fixed width; the height argument is ignored
      {300, 200, 999, 100, 2, 150, 100},  // fixed height
      {100, 254, 100, 0, 1, 100, 253},    // 100 / (100 / 254) is 253.99999999999997
      {113, 100, 0, 100, 2, 112, 100},    // 1.13 * 100 is 112.99999999999999
      {301, 201, 0.5, 0.5, 3, 150, 100},  // scale factors
      {300, 200, 99.9, 50.7, 0, 99, 50},  // exact size, truncated
      {300, 200, 640, 480, 0, 640, 480},  // enlarged, aspect not kept
      // Sizes wrap around at 32 bits: 2^32 + 150 is 150.
      {300, 200, 4294967296.0 + 150, 100, 0, 150, 100},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.source_width << "x" << c.source_height << " rule " << c.rule);
    ResizeObject r;
    LoadGradient(r, c.source_width, c.source_height);
    RgbImage image = Thumb(r, c.w, c.h, c.rule);
    EXPECT_EQ(image.width, c.expected_width);
    EXPECT_EQ(image.height, c.expected_height);
  }
}

TEST_F(ThumbnailCropTest, SizesOfNothingWriteNothing) {
  ResizeObject r;
  LoadGradient(r, 300, 200);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double w, h;
    LONG rule;
  } cases[] = {{-0.5, 10, 0}, {10, 0, 0}, {0, 0, 0}, {150, 100, 4}, {150, 100, -1},
               {nan, 10, 0},  {1e300, 10, 0}, {-1, -1, 3}, {-150, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " rule " << c.rule);
    EXPECT_EQ(Thumb(r, c.w, c.h, c.rule, S_FALSE).width, 0);
    EXPECT_FALSE(FileExists(dir_.File("thumb.jpg")));
    EXPECT_NE(r.ErrorText(), u"");
  }
}

TEST_F(ThumbnailCropTest, SizesPastTheJpegLimitAreRefusedBeforeAllocating) {
  ResizeObject r;
  LoadGradient(r, 30, 20);
  EXPECT_EQ(Thumb(r, 70000, 10, 0, S_FALSE).width, 0);
  EXPECT_EQ(r.ErrorText(), u"Target image file write failed!");
  // Within the side limit but over what the writer holds: refused as memory.
  ResizeObject big;
  LoadGradient(big, 30, 20);
  EXPECT_EQ(Thumb(big, 65000, 65000, 0, S_FALSE).width, 0);
  EXPECT_EQ(big.ErrorText(), u"Memory is not enough in MakeMarkImage!");
  EXPECT_EQ(Crop(big, 0, 0, 65000, 65000, S_FALSE).width, 0);
  EXPECT_EQ(Crop(big, 0, 0, -3, 5, S_FALSE).width, 0);
}

TEST_F(ThumbnailCropTest, SizesAtTheEndsOfTheIntegerRangeAreRefusedWithoutOverflow) {
  ResizeObject r;
  LoadGradient(r, 30, 20);
  EXPECT_EQ(Thumb(r, 2147483647, 2147483647, 0, S_FALSE).width, 0);
  EXPECT_EQ(r.ErrorText(), u"Memory is not enough in MakeMarkImage!");
  for (const auto& [w, h] : {std::pair{INT32_MIN, INT32_MIN}, std::pair{INT32_MAX, INT32_MIN},
                             std::pair{INT32_MIN, 1}, std::pair{1, INT32_MAX}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    EXPECT_EQ(Crop(r, 0, 0, w, h, S_FALSE).width, 0);
    EXPECT_NE(r.ErrorText(), u"");
  }
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"g30x20.png"});
}

TEST_F(ThumbnailCropTest, EnlargingRepeatsWholePixelsWithoutBlending) {
  ResizeObject r;
  const std::string path = dir_.File("two.png");
  WritePngFile(path, 2, 1, [](int x, int, std::uint8_t* p) {
    p[0] = p[1] = p[2] = x ? 255 : 0;
    p[3] = 255;
  });
  ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
  r->put_Quality(100);
  RgbImage image = Thumb(r, 64, 8, 0);
  ASSERT_EQ(image.width, 64);
  // Left half black, right half white; no grey ramp between them beyond the JPEG's own ringing.
  EXPECT_LT(image.At(20, 4)[0], 10);
  EXPECT_GT(image.At(44, 4)[0], 245);
}

TEST_F(ThumbnailCropTest, ThumbnailsTakeSourcePixelsAndLeaveTheSourceAlone) {
  ResizeObject r;
  LoadGradient(r, 200, 100);
  RgbImage half = Thumb(r, 100, 50, 0);
  ASSERT_EQ(half.width, 100);
  // Every output pixel is one source pixel: red is near 2x, green near 2y.
  for (int x = 0; x < 100; x += 9) EXPECT_TRUE(Near(half.At(x, 25)[0], 2 * x + 1, 3)) << x;
  for (int y = 0; y < 50; y += 7) EXPECT_TRUE(Near(half.At(50, y)[1], 2 * y + 1, 3)) << y;
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir_.File("a.jpg"))), S_OK);
  Thumb(r, 33, 44, 0);
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir_.File("b.jpg"))), S_OK);
  EXPECT_EQ(ReadBytes(dir_.File("a.jpg")), ReadBytes(dir_.File("b.jpg")));
}

TEST_F(ThumbnailCropTest, TargetNamesAreNotExamined) {
  ResizeObject r;
  LoadGradient(r, 30, 20);
  ASSERT_EQ(r->MakeThumbImage(Bstr(dir_.File("thumb.png")), 15, 10, 0), S_OK);
  ASSERT_EQ(r->MakeCropImage(Bstr(dir_.File("crop.bmp")), 0, 0, 5, 5), S_OK);
  EXPECT_EQ(ReadJpegFile(dir_.File("thumb.png")).width, 15);
  EXPECT_EQ(ReadJpegFile(dir_.File("crop.bmp")).width, 5);
}

TEST_F(ThumbnailCropTest, WholeCropEqualsTheMarkImage) {
  ResizeObject r;
  LoadGradient(r, 300, 200);
  ASSERT_EQ(r->MakeCropImage(Bstr(dir_.File("crop.jpg")), 0, 0, 300, 200), S_OK);
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir_.File("mark.jpg"))), S_OK);
  EXPECT_EQ(ReadBytes(dir_.File("crop.jpg")), ReadBytes(dir_.File("mark.jpg")));
}

TEST_F(ThumbnailCropTest, CropsOverlappingEveryEdgeKeepTheirSizeAndBlackOutside) {
  ResizeObject r;
  LoadGradient(r, 300, 200);
  // Bottom-right corner.
  RgbImage corner = Crop(r, 250, 150, 100, 100);
  ASSERT_EQ(corner.width, 100);
  ASSERT_EQ(corner.height, 100);
  EXPECT_TRUE(Near(corner.At(10, 20)[0], 260 - 256, 3) && Near(corner.At(10, 20)[1], 170, 3));
  EXPECT_LT(corner.At(75, 10)[0] + corner.At(75, 10)[1], 10);  // right of the picture
  EXPECT_LT(corner.At(10, 75)[0] + corner.At(10, 75)[1], 10);  // below it
  // Left edge: output columns 10 to 19 are source columns 0 to 9.
  RgbImage left = Crop(r, -10, 0, 20, 20);
  EXPECT_LT(left.At(3, 5)[1] + left.At(3, 5)[0], 12);
  EXPECT_TRUE(Near(left.At(15, 5)[0], 5, 3));
  // Top edge, and a rectangle entirely off the picture.
  RgbImage top = Crop(r, 40, -30, 16, 40);
  EXPECT_LT(top.At(8, 10)[1] + top.At(8, 10)[0], 12);
  EXPECT_TRUE(Near(top.At(8, 35)[1], 5, 3));
  RgbImage outside = Crop(r, 1000, 1000, 8, 8);
  ASSERT_EQ(outside.width, 8);
  EXPECT_LT(outside.At(4, 4)[0], 5);
  // Larger than the picture on every side.
  RgbImage around = Crop(r, -8, -8, 316, 216);
  ASSERT_EQ(around.width, 316);
  EXPECT_LT(around.At(2, 2)[0] + around.At(2, 2)[1], 10);
  EXPECT_TRUE(Near(around.At(108, 58)[0], 100, 3) && Near(around.At(108, 58)[1], 50, 3));
}

// Without memory for the copy's bitmap nothing is written (not a black picture), though
// the writer would have had memory for its rows, and a file of that name stays as it was.
TEST_F(ThumbnailCropTest, NoBitmapForTheCopyWritesNothing) {
  ResizeObject r;
  LoadGradient(r, 60, 40);
  const std::vector<std::uint8_t> old_contents = {'o', 'l', 'd'};
  WriteBytes(dir_.File("t.jpg"), old_contents);
  for (int output = 0; output < 2; ++output) {
    SCOPED_TRACE(output == 0 ? "thumbnail" : "crop");
    FailPixelMemoryAfter(0, 1);  // the copy's bitmap is the first block asked for
    const HRESULT hr = output == 0 ? r->MakeThumbImage(Bstr(dir_.File("t.jpg")), 30, 20, 0)
                                   : r->MakeCropImage(Bstr(dir_.File("t.jpg")), 10, 10, 30, 20);
    FailPixelMemoryAfter(-1);
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Memory is not enough in MakeMarkImage!");
    EXPECT_EQ(ReadBytes(dir_.File("t.jpg")), old_contents);
  }
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"g60x40.png", "t.jpg"}));
  // With memory the same calls write.
  EXPECT_EQ(Thumb(r, 30, 20, 0).width, 30);
  EXPECT_EQ(Crop(r, 10, 10, 30, 20).width, 30);
}

TEST_F(ThumbnailCropTest, BeforeAnyLoadOutputsAreBlackPicturesOfTheRequestedSize) {
  ResizeObject r;
  RgbImage thumb = Thumb(r, 40, 30, 0);
  ASSERT_EQ(thumb.width, 40);
  EXPECT_LT(thumb.At(20, 15)[0], 3);
  RgbImage crop = Crop(r, 5, 5, 12, 7);
  ASSERT_EQ(crop.height, 7);
  // Proportional rules see a ratio of 1 (-1 / -1).
  EXPECT_EQ(Thumb(r, 25, 0, 1).height, 25);
  EXPECT_EQ(r.ErrorText(), u"");
}


// --- IResize2: resampled thumbnails and the box rules --------------------------------------

// A source of one-pixel black and white stripes, columns of period 2 and rows of period 3:
// nearest-neighbour picks give black or white, averages give the greys below.
void LoadStripes(ResizeObject& r, const TempDir& dir) {
  const std::string path = dir.File("stripes.png");
  WritePngFile(path, 120, 90, [](int x, int y, std::uint8_t* p) {
    p[0] = x % 2 ? 255 : 0;
    p[1] = y % 3 == 0 ? 255 : 0;
    p[2] = 60;
    p[3] = 255;
  });
  ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
  r->put_Quality(100);
}

TEST_F(ThumbnailCropTest, AreaAveragingGivesTheMeanOfTheCoveredArea) {
  ResizeObject r;
  LoadStripes(r, dir_);
  ASSERT_EQ(r->put_ResampleFilter(1), S_OK);
  // 120 x 90 to 20 x 15: each output pixel covers 6 x 6 source pixels, three of them
  // white in each row (red 127.5) and two of six rows green (85).
  const RgbImage image = Thumb(r, 20, 15, 0);
  ASSERT_EQ(image.width, 20);
  ASSERT_EQ(image.height, 15);
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_TRUE(Near(image.At(x, y)[0], 128, 2)) << x << "," << y;
      ASSERT_TRUE(Near(image.At(x, y)[1], 85, 2)) << x << "," << y;
      ASSERT_TRUE(Near(image.At(x, y)[2], 60, 2)) << x << "," << y;
    }
  }
  // Nor where a pixel covers a fraction of a stripe: 120 to 48 is 2.5 columns a pixel,
  // whose red average runs 102, 102 (1 of 2.5 white), 153, 153 (1.5 of 2.5) in turn.
  const RgbImage uneven = Thumb(r, 48, 15, 0);
  ASSERT_EQ(uneven.width, 48);
  for (int x = 0; x < 48; ++x) {
    const int expected = x / 2 % 2 ? 153 : 102;
    EXPECT_TRUE(Near(uneven.At(x, 7)[0], expected, 3)) << x << ": " << int(uneven.At(x, 7)[0]);
  }
}

TEST_F(ThumbnailCropTest, DefaultFilterStillPicksWholePixels) {
  ResizeObject r;
  LoadStripes(r, dir_);
  const RgbImage image = Thumb(r, 20, 15, 0);
  ASSERT_EQ(image.width, 20);
  int extreme = 0;
  for (int x = 0; x < 20; ++x) extreme += image.At(x, 7)[0] < 40 || image.At(x, 7)[0] > 215;
  EXPECT_EQ(extreme, 20);
}

TEST_F(ThumbnailCropTest, LanczosKeepsFlatAreasAndSmoothsStripes) {
  ResizeObject r;
  LoadStripes(r, dir_);
  ASSERT_EQ(r->put_ResampleFilter(2), S_OK);
  const RgbImage image = Thumb(r, 30, 0, 1);  // proportional: 30 x 22
  ASSERT_EQ(image.width, 30);
  ASSERT_EQ(image.height, 22);
  for (int x = 2; x < 28; ++x) {
    EXPECT_TRUE(Near(image.At(x, 11)[0], 128, 6)) << x;
    EXPECT_TRUE(Near(image.At(x, 11)[2], 60, 3)) << x;
  }
  // Enlarging takes the same filter: a ramp between the two pixels, not a step.
  ResizeObject two;
  const std::string path = dir_.File("two.png");
  WritePngFile(path, 2, 1, [](int x, int, std::uint8_t* p) {
    p[0] = p[1] = p[2] = x ? 255 : 0;
    p[3] = 255;
  });
  ASSERT_EQ(two->LoadSourceImage(Bstr(path)), S_OK);
  two->put_Quality(100);
  for (LONG filter : {1, 2}) {
    two->put_ResampleFilter(filter);
    const RgbImage wide = Thumb(two, 64, 8, 0);
    ASSERT_EQ(wide.width, 64);
    EXPECT_TRUE(Near(wide.At(31, 4)[0], 128, 40)) << filter;
    EXPECT_LT(wide.At(2, 4)[0], 20);
    EXPECT_GT(wide.At(61, 4)[0], 235);
  }
}

struct BoxCase {
  int source_width, source_height;
  LONG box_width, box_height;
  int fit_width, fit_height;
};

TEST_F(ThumbnailCropTest, FitKeepsProportionsInsideTheBoxAndNeverEnlarges) {
  const BoxCase cases[] = {
      {200, 100, 150, 150, 150, 75}, {100, 200, 150, 150, 75, 150}, {200, 100, 100, 20, 40, 20},
      {200, 100, 400, 400, 200, 100}, {200, 100, 200, 100, 200, 100}, {300, 2, 10, 10, 10, 1},
      {201, 100, 100, 100, 100, 50},  // 49.75 rounds to 50
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.source_width) + "x" + std::to_string(c.source_height) + " in " +
                 std::to_string(c.box_width) + "x" + std::to_string(c.box_height));
    for (LONG filter : {0, 1, 2}) {
      ResizeObject r;
      LoadGradient(r, c.source_width, c.source_height);
      r->put_ResampleFilter(filter);
      const std::string out = dir_.File("fit.jpg");
      EXPECT_EQ(r->MakeFitImage(Bstr(out), c.box_width, c.box_height), S_OK);
      const RgbImage image = ReadJpegFile(out);
      EXPECT_EQ(image.width, c.fit_width);
      EXPECT_EQ(image.height, c.fit_height);
    }
  }
}

TEST_F(ThumbnailCropTest, FillCoversTheBoxAndCutsTheOverflowEvenly) {
  for (LONG filter : {0, 1, 2}) {
    SCOPED_TRACE(filter);
    ResizeObject r;
    LoadGradient(r, 200, 100);  // red = x, green = y
    r->put_ResampleFilter(filter);
    const std::string out = dir_.File("fill.jpg");
    // A square box takes the middle 100 x 100: columns 50 to 149.
    EXPECT_EQ(r->MakeFillImage(Bstr(out), 50, 50), S_OK);
    RgbImage image = ReadJpegFile(out);
    ASSERT_EQ(image.width, 50);
    ASSERT_EQ(image.height, 50);
    EXPECT_TRUE(Near(image.At(0, 25)[0], 51, 4)) << int(image.At(0, 25)[0]);
    EXPECT_TRUE(Near(image.At(49, 25)[0], 148, 4)) << int(image.At(49, 25)[0]);
    EXPECT_TRUE(Near(image.At(25, 0)[1], 1, 4));
    EXPECT_TRUE(Near(image.At(25, 49)[1], 98, 4));
    // A tall box takes full height and cuts the sides; enlarging is allowed.
    EXPECT_EQ(r->MakeFillImage(Bstr(out), 100, 400), S_OK);
    image = ReadJpegFile(out);
    ASSERT_EQ(image.width, 100);
    ASSERT_EQ(image.height, 400);
    EXPECT_TRUE(Near(image.At(50, 200)[0], 100, 6));
  }
}

TEST_F(ThumbnailCropTest, BoxRulesWithoutABoxOrAPictureWriteNothing) {
  ResizeObject none;
  const std::string out = dir_.File("box.jpg");
  EXPECT_EQ(none->MakeFitImage(Bstr(out), 100, 100), S_FALSE);
  EXPECT_EQ(none->MakeFillImage(Bstr(out), 100, 100), S_FALSE);
  EXPECT_FALSE(FileExists(out));
  ResizeObject r;
  LoadGradient(r, 20, 10);
  for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}}) {
    EXPECT_EQ(r->MakeFitImage(Bstr(out), w, h), S_FALSE);
    EXPECT_EQ(r->MakeFillImage(Bstr(out), w, h), S_FALSE);
    EXPECT_FALSE(FileExists(out));
  }
  EXPECT_NE(r.ErrorText(), u"");
}

// A picture loaded while ResampleFilter is set sits in a section of the object's own, which
// resampling reads in place; loaded before, it is read out of the service's bitmap. Marks
// drawn on it included, both give the same bytes.
TEST_F(ThumbnailCropTest, ResampledThumbnailsDoNotDependOnWhenTheFilterWasSet) {
  const std::string jpeg = dir_.File("photo.jpg");
  WriteJpegFile(jpeg, 160, 120, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x);
    p[1] = std::uint8_t(y);
    p[2] = std::uint8_t(x * y);
  });
  std::vector<std::uint8_t> thumbnails[2], marked[2];
  for (int before : {0, 1}) {
    ResizeObject r;
    if (before) r->put_ResampleFilter(2);
    ASSERT_EQ(r->LoadSourceImage(Bstr(jpeg)), S_OK);
    r->put_ResampleFilter(2);
    r->put_MarkPos(0);
    r->put_TextMarkColor(0x00FFFFFF);
    ASSERT_EQ(r->AddTextMark(Bstr(std::string("marked")), 0, 0), S_OK);
    ASSERT_EQ(r->MakeThumbImage(Bstr(dir_.File("thumb.jpg")), 40, 30, 0), S_OK);
    ASSERT_EQ(r->MakeMarkImage(Bstr(dir_.File("mark.jpg"))), S_OK);
    thumbnails[before] = ReadBytes(dir_.File("thumb.jpg"));
    marked[before] = ReadBytes(dir_.File("mark.jpg"));
  }
  EXPECT_EQ(thumbnails[0], thumbnails[1]);
  EXPECT_EQ(marked[0], marked[1]);
}

}  // namespace
}  // namespace vx::testing
