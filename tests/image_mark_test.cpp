// The image watermark: where a mark lands, how it is merged, and AddImageMark on the
// Resize object with every later output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include <zlib.h>

#include "base/utf8.h"
#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"
#include "object/image_mark.h"
#include "object/png_reader.h"
#include "tests/gdi_test_surface.h"
#include "tests/hostile_files.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

POINT Place(LONG rule, LONG offset_x, LONG offset_y, POINT position, SIZE picture, SIZE mark) {
  return ImageMarkOrigin({rule, offset_x, offset_y}, position, picture, mark);
}

void ExpectPoint(POINT actual, LONG x, LONG y) {
  EXPECT_EQ(actual.x, x);
  EXPECT_EQ(actual.y, y);
}

TEST(ImageMarkOrigin, FreePositionTakesThePositionAloneWhateverTheOffsets) {
  for (LONG rule : {-1, 5, -2, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(rule);
    ExpectPoint(Place(rule, 7, 9, {10, 20}, {200, 150}, {30, 20}), 10, 20);
  }
}

TEST(ImageMarkOrigin, CornersAddPositionAndOffsetsWithTheSameSignEverywhere) {
  const SIZE picture{200, 150}, mark{30, 20};
  ExpectPoint(Place(4, 0, 0, {0, 0}, picture, mark), 170, 130);      // flush bottom right
  ExpectPoint(Place(4, -10, -10, {0, 0}, picture, mark), 160, 120);  // inset by 10
  ExpectPoint(Place(4, 10, 10, {0, 0}, picture, mark), 180, 140);    // 10 pushed off
  ExpectPoint(Place(1, 3, -4, {1, 2}, picture, mark), 4, -2);
  ExpectPoint(Place(2, 0, 0, {-5, 0}, picture, mark), 165, 0);  // lPosX counts under rule 2
  ExpectPoint(Place(2, 2, 3, {-5, 1}, picture, mark), 167, 4);
  ExpectPoint(Place(3, 3, 4, {1, 2}, picture, mark), 4, 136);
}

TEST(ImageMarkOrigin, CentringHalvesTowardZero) {
  ExpectPoint(Place(0, 0, 0, {0, 0}, {200, 200}, {101, 101}), 49, 49);
  ExpectPoint(Place(0, 0, 0, {0, 0}, {200, 200}, {203, 20}), -1, 90);  // -3 / 2 is -1
  ExpectPoint(Place(0, -2, 2, {1, 1}, {200, 150}, {30, 20}), 84, 68);
  ExpectPoint(Place(0, 0, 0, {0, 0}, {200, 150}, {0, 0}), 100, 75);  // no mark at all
}

TEST(ImageMarkOrigin, SumsBeyondThe32BitRangeStayOffThePicture) {
  ExpectPoint(Place(4, INT_MAX, INT_MAX, {INT_MAX, INT_MAX}, {200, 150}, {30, 20}), INT_MAX,
              INT_MAX);
  ExpectPoint(Place(1, INT_MIN, INT_MIN, {INT_MIN, INT_MIN}, {200, 150}, {30, 20}), INT_MIN,
              INT_MIN);
}

// Words that differ from pixel to pixel, with the fourth byte 0 as in decoded pictures.
std::vector<std::uint32_t> PictureWords(int count) {
  std::vector<std::uint32_t> words;
  std::uint32_t seed = 99;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    words.push_back(seed >> 8);
  }
  return words;
}

// RGBA noise whose alpha runs through 0, 255 and everything between.
std::vector<unsigned char> MarkPixels(SIZE mark) {
  std::vector<unsigned char> rgba;
  std::uint32_t seed = 7;
  for (LONG i = 0; i < mark.cx * mark.cy; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const unsigned char alpha = i % 3 == 0 ? 255 : i % 3 == 1 ? 0 : static_cast<unsigned char>(seed);
    rgba.insert(rgba.end(), {static_cast<unsigned char>(seed >> 24), static_cast<unsigned char>(seed >> 16),
                             static_cast<unsigned char>(seed >> 8), alpha});
  }
  return rgba;
}

// The merge done the long way: the whole picture copied onto a layer, the mark drawn on
// the layer, the whole layer merged back.
void StampThroughWholeLayer(HDC picture, SIZE size, POINT at, SIZE mark, unsigned char* rgba,
                            LONG opacity) {
  ScratchSurface layer(picture, size.cx, size.cy);
  BitBlt(layer.dc(), 0, 0, size.cx, size.cy, picture, 0, 0, SRCCOPY);
  CvxGDI::DrawDCByData(layer.dc(), at.x, at.y, mark.cx, mark.cy, rgba);
  CvxGDI::BitBltDCByTransparent(picture, 0, 0, size.cx, size.cy, layer.dc(), 0, 0, opacity);
}

class StampImageMarkTest : public LeakCheckedTest {};

TEST_F(StampImageMarkTest, MergingTheMarkedRectangleEqualsMergingTheWholeLayer) {
  const SIZE picture{40, 30};
  const std::vector<std::uint32_t> original = PictureWords(40 * 30);
  struct Case {
    POINT at;
    SIZE mark;
  };
  const Case cases[] = {
      {{5, 6}, {16, 12}},    // inside
      {{-7, 8}, {16, 12}},   // over the left edge
      {{30, 8}, {16, 12}},   // over the right edge
      {{10, -5}, {16, 12}},  // over the top edge
      {{10, 25}, {16, 12}},  // over the bottom edge
      {{-4, -3}, {16, 12}},  // over the top-left corner
      {{32, 24}, {16, 12}},  // over the bottom-right corner
      {{-10, -10}, {60, 50}},  // over every edge
      {{40, 0}, {16, 12}},   // just off the right edge
      {{-16, 0}, {16, 12}},  // just off the left edge
      {{0, 30}, {16, 12}},   // just off the bottom
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> rgba = MarkPixels(c.mark);
    const bool shows = c.at.x < picture.cx && c.at.x + c.mark.cx > 0 && c.at.y < picture.cy &&
                       c.at.y + c.mark.cy > 0;
    for (LONG opacity : {0, 1, 50, 99, 100, 101}) {
      SCOPED_TRACE(::testing::Message() << "mark " << c.mark.cx << "x" << c.mark.cy << " at ("
                                        << c.at.x << ", " << c.at.y << "), opacity " << opacity);
      TestSurface fast(picture.cx, picture.cy, 0), whole(picture.cx, picture.cy, 0);
      fast.SetWords(original);
      whole.SetWords(original);
      StampImageMark(fast.dc(), picture, c.at, c.mark, rgba.data(), opacity);
      StampThroughWholeLayer(whole.dc(), picture, c.at, c.mark, rgba.data(), opacity);
      EXPECT_EQ(fast.Words(), whole.Words());
      if (opacity > 0 && shows) {
        EXPECT_NE(fast.Words(), original);  // the mark did show
      }
    }
  }
}

TEST_F(StampImageMarkTest, NoPixelsOrNoPictureDrawNothing) {
  const std::vector<std::uint32_t> original = PictureWords(8 * 8);
  TestSurface picture(8, 8, 0);
  picture.SetWords(original);
  std::vector<unsigned char> rgba = MarkPixels({4, 4});
  StampImageMark(picture.dc(), {8, 8}, {0, 0}, {4, 4}, nullptr, 101);
  StampImageMark(picture.dc(), {8, 8}, {0, 0}, {0, 0}, rgba.data(), 101);
  StampImageMark(picture.dc(), {-1, -1}, {0, 0}, {4, 4}, rgba.data(), 101);  // nothing loaded
  StampImageMark(nullptr, {8, 8}, {0, 0}, {4, 4}, rgba.data(), 101);
  EXPECT_EQ(picture.Words(), original);
}

// Pixels that the data never reached are transparent, never leftover memory.
TEST_F(StampImageMarkTest, PartlyDecodedMarkShowsOnlyItsDecodedRows) {
  TempDir dir;
  const int side = 128;  // large enough that whole data chunks come before the cut
  std::vector<std::uint32_t> noise = PictureWords(side * side);
  const std::string path = dir.File("noise.png");
  WritePngFile(path, side, side, [&](int x, int y, std::uint8_t* p) {
    const std::uint32_t word = noise[std::size_t(y) * side + x];
    p[0] = std::uint8_t(word >> 16);
    p[1] = std::uint8_t(word >> 8);
    p[2] = std::uint8_t(word);
    p[3] = 255;
  });
  std::vector<std::uint8_t> bytes = ReadBytes(path);
  bytes.resize(bytes.size() / 2);
  WriteBytes(path, bytes);

  CPngReader reader;
  reader.Clear();
  reader.Read(WideFromUtf8(path).c_str());
  ASSERT_EQ(reader.width(), side);
  TestSurface picture(side, side, 0);
  StampImageMark(picture.dc(), {side, side}, {0, 0}, {side, side}, reader.pixels(), 101);
  reader.Free();
  const std::vector<std::uint32_t> words = picture.Words();
  int decoded_rows = 0;
  for (int y = 0; y < side; ++y) {
    const std::uint32_t* row = &words[std::size_t(y) * side];
    const bool decoded = row[0] != 0;
    if (decoded) ++decoded_rows;
    for (int x = 0; x < side; ++x) {
      const std::uint32_t expected = decoded ? 0xFF000000u | noise[std::size_t(y) * side + x] : 0u;
      ASSERT_EQ(row[x], expected) << "at (" << x << ", " << y << ")";
    }
  }
  EXPECT_GT(decoded_rows, 0);
  EXPECT_LT(decoded_rows, side);
}

// AddImageMark on the object, seen through its JPEG outputs (quality 100, 4:4:4: within a
// few steps of the pixels).
class AddImageMarkTest : public LeakCheckedTest {
 protected:
  static constexpr int kGrey = 50;

  // A plain grey picture of the given size, loaded.
  void LoadGrey(ResizeObject& r, int width, int height) {
    const std::string path = dir_.File("grey" + std::to_string(width) + "x" + std::to_string(height) + ".png");
    WritePngFile(path, width, height, Solid(kGrey, kGrey, kGrey));
    ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
    r->put_Quality(100);
  }
  std::string Mark(const std::string& name, int width, int height, const PixelFunction& pixel) {
    const std::string path = dir_.File(name);
    WritePngFile(path, width, height, pixel);
    return path;
  }
  std::string WhiteMark(int width, int height, std::uint8_t alpha = 255) {
    return Mark("white" + std::to_string(width) + "x" + std::to_string(height) + "-" +
                    std::to_string(alpha) + ".png",
                width, height, Solid(255, 255, 255, alpha));
  }
  void Stamp(ResizeObject& r, const std::string& mark, LONG x, LONG y) {
    EXPECT_EQ(r->AddImageMark(Bstr(mark), x, y), S_OK);
  }
  std::string Output(ResizeObject& r, const std::string& name = "out.jpg") {
    const std::string path = dir_.File(name);
    EXPECT_EQ(r->MakeMarkImage(Bstr(path)), S_OK);
    return path;
  }
  RgbImage Picture(ResizeObject& r) { return ReadJpegFile(Output(r)); }

  // Every pixel of the picture is `inside` where the rectangle covers it and grey elsewhere.
  static void ExpectRectangle(const RgbImage& image, int x, int y, int width, int height,
                              int inside = 255) {
    ASSERT_GT(image.width, 0);
    for (int py = 0; py < image.height; ++py) {
      for (int px = 0; px < image.width; ++px) {
        const bool covered = px >= x && px < x + width && py >= y && py < y + height;
        const int expected = covered ? inside : kGrey;
        const std::uint8_t* p = image.At(px, py);
        for (int channel = 0; channel < 3; ++channel)
          ASSERT_TRUE(Near(p[channel], expected, 6))
              << "at (" << px << ", " << py << "): " << int(p[channel]) << ", expected " << expected;
      }
    }
  }

  TempDir dir_;
};

TEST_F(AddImageMarkTest, EveryPlacementRuleOnThePicture) {
  struct Case {
    LONG rule, offset_x, offset_y, x, y;
    int left, top;  // where the 30 x 20 mark's top-left pixel lands
  };
  const Case cases[] = {
      {-1, 7, 9, 10, 20, 10, 20},  {5, 7, 9, 10, 20, 10, 20},    {-2, 7, 9, 10, 20, 10, 20},
      {4, 0, 0, 0, 0, 170, 130},   {4, -10, -10, 0, 0, 160, 120}, {4, 10, 10, 0, 0, 180, 140},
      {2, 0, 0, -5, 0, 165, 0},    {1, 3, 4, 1, 2, 4, 6},         {3, 3, -4, 1, 2, 4, 128},
      {0, -2, 2, 1, 1, 84, 68},
  };
  const std::string mark = WhiteMark(30, 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "MarkPos " << c.rule << ", offsets " << c.offset_x << ", "
                                      << c.offset_y << ", position " << c.x << ", " << c.y);
    ResizeObject r;
    LoadGrey(r, 200, 150);
    r->put_MarkPos(c.rule);
    r->put_MarkPosOffsetX(c.offset_x);
    r->put_MarkPosOffsetY(c.offset_y);
    r->put_MarkTransparent(101);
    Stamp(r, mark, c.x, c.y);
    ExpectRectangle(Picture(r), c.left, c.top, 30, 20);
    EXPECT_EQ(r.ErrorText(), u"");
  }
}

TEST_F(AddImageMarkTest, CentredMarksHalveTheRoomTowardZero) {
  ResizeObject r;
  LoadGrey(r, 200, 200);
  r->put_MarkPos(0);
  r->put_MarkTransparent(101);
  Stamp(r, WhiteMark(101, 101), 0, 0);
  ExpectRectangle(Picture(r), 49, 49, 101, 101);

  // 203 wide on 200: x is -1, so the mark's third column (the first opaque one) is column 1.
  ResizeObject wide;
  LoadGrey(wide, 200, 200);
  wide->put_MarkPos(0);
  wide->put_MarkTransparent(101);
  Stamp(wide, Mark("wide.png", 203, 20, [](int x, int, std::uint8_t* p) {
          p[0] = p[1] = p[2] = 255;
          p[3] = x < 2 ? 0 : 255;
        }), 0, 0);
  ExpectRectangle(Picture(wide), 1, 90, 199, 20);
}

TEST_F(AddImageMarkTest, OpacityWeighsTheMarkOverThePicture) {
  struct Case {
    LONG opacity;
    int inside;
  };
  // White over grey 50: weight 127 gives (255 x 127 + 50 x 128) / 255 = 152; 254 gives 254.
  for (Case c : {Case{50, 152}, Case{100, 254}, Case{101, 255}}) {
    ResizeObject r;
    LoadGrey(r, 120, 80);
    r->put_MarkTransparent(c.opacity);
    Stamp(r, WhiteMark(30, 20), 40, 30);
    ExpectRectangle(Picture(r), 40, 30, 30, 20, c.inside);
  }
}

// Outputs compared byte for byte: the same pixels make the same file.
TEST_F(AddImageMarkTest, NothingChangesWithoutAVisibleMark) {
  ResizeObject r;
  r->put_Quality(100);
  // A picture with detail, so that a step in any channel anywhere would show in the file.
  const std::string detailed = dir_.File("detailed.png");
  WritePngFile(detailed, 120, 80, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 2 + 1);
    p[1] = std::uint8_t(y * 3 + 1);
    p[2] = std::uint8_t((x * y) % 254 + 1);
    p[3] = 255;
  });
  ASSERT_EQ(r->LoadSourceImage(Bstr(detailed)), S_OK);
  const std::vector<std::uint8_t> before = ReadBytes(Output(r, "before.jpg"));
  const std::string garbage = dir_.File("garbage.png");
  WriteBytes(garbage, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  for (LONG opacity : {100, 50, 1}) {
    r->put_MarkTransparent(opacity);
    Stamp(r, dir_.File("missing.png"), 0, 0);  // missing
    Stamp(r, garbage, 0, 0);                   // not a PNG
    Stamp(r, WhiteMark(30, 20), 120, 0);       // off the picture
    Stamp(r, WhiteMark(30, 20, 0), 10, 10);    // fully transparent
    EXPECT_EQ(ReadBytes(Output(r, "after.jpg")), before) << opacity;
  }
  r->put_MarkTransparent(0);
  Stamp(r, WhiteMark(30, 20), 10, 10);  // drawn on the layer, merged with weight 0
  EXPECT_EQ(ReadBytes(Output(r, "after.jpg")), before);
  EXPECT_EQ(r.ErrorText(), u"");
  BSTR null_path = nullptr;
  EXPECT_EQ(r->AddImageMark(null_path, 0, 0), S_OK);
}

TEST_F(AddImageMarkTest, MarksAccumulateUntilTheNextLoad) {
  ResizeObject r;
  LoadGrey(r, 120, 80);
  r->put_MarkTransparent(101);
  const std::string half_white = WhiteMark(30, 20, 128);
  // Alpha 128 over grey 50: (255 x 128 + 50 x 127) / 255 = 152; again over that: 203.
  Stamp(r, half_white, 10, 10);
  ExpectRectangle(Picture(r), 10, 10, 30, 20, 152);
  Stamp(r, half_white, 10, 10);
  ExpectRectangle(Picture(r), 10, 10, 30, 20, 203);
  LoadGrey(r, 120, 80);
  ExpectRectangle(Picture(r), 0, 0, 0, 0);
}

TEST_F(AddImageMarkTest, MarksBeforeALoadOrWithoutAPictureDrawNothing) {
  ResizeObject r;
  Stamp(r, WhiteMark(30, 20), 0, 0);
  r->put_MarkPos(4);
  Stamp(r, WhiteMark(30, 20), 0, 0);
  EXPECT_EQ(r.ErrorText(), u"");
  LoadGrey(r, 60, 40);
  ExpectRectangle(Picture(r), 0, 0, 0, 0);

  // A file that could not be decoded is refused and leaves no picture to draw on.
  const std::string broken = dir_.File("broken.jpg");
  WriteBytes(broken, {0xFF, 0xD8, 0xFF, 0x00});
  EXPECT_EQ(r->LoadSourceImage(Bstr(broken)), S_FALSE);
  Stamp(r, WhiteMark(30, 20), 0, 0);
  EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");  // the load's
}

TEST_F(AddImageMarkTest, ThumbnailsAndCropsShowTheMark) {
  ResizeObject r;
  LoadGrey(r, 200, 150);
  r->put_MarkPos(1);
  r->put_MarkTransparent(101);
  Stamp(r, WhiteMark(30, 20), 0, 0);
  const std::string thumb = dir_.File("thumb.jpg"), crop = dir_.File("crop.jpg");
  EXPECT_EQ(r->MakeThumbImage(Bstr(thumb), 0.5, 0.5, 3), S_OK);
  ExpectRectangle(ReadJpegFile(thumb), 0, 0, 15, 10);
  EXPECT_EQ(r->MakeCropImage(Bstr(crop), 10, 5, 60, 40), S_OK);
  ExpectRectangle(ReadJpegFile(crop), 0, 0, 20, 15);
}

// A PNG that declares width x height RGBA pixels and holds the data of its first row only,
// every byte of it 0xFF: a few hundred bytes.
Bytes FirstRowOnlyPng(std::uint32_t width, std::uint32_t height) {
  PngChunk header = PngHeader(width, height);
  header.data[9] = 6;  // RGBA
  Bytes row(1 + std::size_t(width) * 4, 0xFF);
  row[0] = 0;  // no filter
  uLongf size = compressBound(uLong(row.size()));
  Bytes packed(size);
  EXPECT_EQ(compress2(packed.data(), &size, row.data(), uLong(row.size()), 9), Z_OK);
  packed.resize(size);
  return JoinPngChunks({header, {"IDAT", packed}, {"IEND", {}}});
}

// Marks that declare far more pixels than the picture has, in a few hundred bytes, take
// the memory of the picture's part under them (a 23 170 x 23 170 one took 2 GiB).
TEST_F(AddImageMarkTest, HugeMarksTakeOnlyThePartOfThePictureUnderThem) {
  ResizeObject r;
  LoadGrey(r, 800, 600);
  const std::string square = dir_.File("square.png"), wide = dir_.File("wide.png");
  WriteBytes(square, FirstRowOnlyPng(23170, 23170));
  WriteBytes(wide, FirstRowOnlyPng(65500, 8192));
  const std::size_t before = PeakResidentBytes();
  r->put_MarkPos(4);  // bottom right: none of the data reaches there
  Stamp(r, square, 0, 0);
  r->put_MarkPos(1);  // top left: its one row lands on the picture's top row
  Stamp(r, wide, 0, 0);
  r->put_MarkPos(0);
  Stamp(r, square, 0, 0);
  EXPECT_LT(PeakResidentBytes() - before, std::size_t{64} << 20);
  ExpectRectangle(Picture(r), 0, 0, 800, 1);
}

TEST_F(AddImageMarkTest, MarkPathsHaveNoLengthLimit) {
  const std::string folder = dir_.File(std::string(200, 'a') + "/" + std::string(200, 'b'));
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/Wasserzeichen-\xC3\xBC\xE2\x9C\x93.png";  // ü and a check mark
  WritePngFile(path, 30, 20, Solid(255, 255, 255));
  ASSERT_GT(path.size(), 400u);
  ResizeObject r;
  LoadGrey(r, 120, 80);
  r->put_MarkTransparent(101);
  Stamp(r, path, 5, 6);
  ExpectRectangle(Picture(r), 5, 6, 30, 20);
}

// A mark is read as a source file is: a pipe that nobody writes, a folder, or a name whose
// unpaired surrogate a stand-in character would turn into another file's draw nothing, at
// once.
TEST_F(AddImageMarkTest, MarksThatAreNoPlainFileDrawNothingAtOnce) {
  ResizeObject r;
  LoadGrey(r, 60, 40);
  r->put_MarkTransparent(101);
  ASSERT_EQ(mkfifo(dir_.File("pipe.png").c_str(), 0600), 0);
  std::future<HRESULT> stamp =
      std::async(std::launch::async, [&] { return r->AddImageMark(Bstr(dir_.File("pipe.png")), 0, 0); });
  if (stamp.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "AddImageMark waited for a writer";
    const int writer = open(dir_.File("pipe.png").c_str(), O_WRONLY | O_NONBLOCK);  // lets it go on
    if (writer >= 0) close(writer);
  }
  EXPECT_EQ(stamp.get(), S_OK);
  std::filesystem::create_directory(dir_.File("folder.png"));
  Stamp(r, dir_.File("folder.png"), 0, 0);
  WritePngFile(dir_.File("m?.png"), 30, 20, Solid(255, 255, 255));
  EXPECT_EQ(r->AddImageMark(Bstr(WideFromUtf8(dir_.path()) + u"/m\xD800.png"), 0, 0), S_OK);
  ExpectRectangle(Picture(r), 0, 0, 0, 0);
  EXPECT_EQ(r.ErrorText(), u"");
}

}  // namespace
}  // namespace vx::testing
