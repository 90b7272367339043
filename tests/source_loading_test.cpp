// Loading source pictures: extensions, unreadable and refused files, sizes, exact colours
// and the replacement of one picture by the next.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <future>

#include "base/utf8.h"
#include "platform/surface/gdi_diagnostics.h"
#include "tests/exif_blocks.h"
#include "tests/hostile_files.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class SourceLoadingTest : public LeakCheckedTest {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  // The source as the writer sees it, decoded again.
  RgbImage Written(ResizeObject& r) {
    EXPECT_EQ(r->MakeMarkImage(Bstr(Path("check.jpg"))), S_OK);
    return ReadJpegFile(Path("check.jpg"));
  }
  TempDir dir_;
};

TEST_F(SourceLoadingTest, AcceptsTheFiveExtensionsInAnyCase) {
  WriteJpegFile(Path("j.jpg"), 7, 5, Solid(1, 2, 3));
  const std::vector<std::uint8_t> jpeg = ReadBytes(Path("j.jpg"));
  for (const char* name : {"photo.JPG", "photo.Jpeg", "photo.GIF", "photo.bmp"}) {
    SCOPED_TRACE(name);
    WriteBytes(Path(name), jpeg);  // the decoder goes by content, the path by extension
    ResizeObject r;
    EXPECT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_OK);
    EXPECT_EQ(r.Width(), 7);
    EXPECT_EQ(r.Height(), 5);
  }
  WritePngFile(Path("photo.PNG"), 3, 2, Solid(1, 2, 3));
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("photo.PNG"))), S_OK);
  EXPECT_EQ(r.Width(), 3);
}

TEST_F(SourceLoadingTest, RefusesOtherExtensionsBeforeTouchingTheFile) {
  WritePngFile(Path("photo.png"), 3, 2, Solid(1, 2, 3));
  ASSERT_EQ(mkdir(Path("a.b").c_str(), 0755), 0);
  WriteBytes(Path("a.b/photo"), ReadBytes(Path("photo.png")));
  WriteBytes(Path("photo.tif"), ReadBytes(Path("photo.png")));
  for (const std::string& path : {Path("photo.tif"), Path("a.b/photo"), Path("photo"), std::string()}) {
    SCOPED_TRACE(path);
    ResizeObject r;
    EXPECT_EQ(r->LoadSourceImage(Bstr(path)), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
    EXPECT_EQ(r.Width(), -1);
  }
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(nullptr), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
}

TEST_F(SourceLoadingTest, MissingFilesAndFoldersCannotBeOpened) {
  ASSERT_EQ(mkdir(Path("folder.jpg").c_str(), 0755), 0);
  for (const char* name : {"missing.jpg", "missing.png", "folder.jpg"}) {
    SCOPED_TRACE(name);
    ResizeObject r;
    EXPECT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");
  }
}

TEST_F(SourceLoadingTest, PipesAreRefusedAtOnce) {
  for (const char* name : {"pipe.png", "pipe.jpg"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(mkfifo(Path(name).c_str(), 0600), 0);
    ResizeObject r;
    // Nobody writes the pipe: opening it for reading must not wait for a writer.
    std::future<HRESULT> load = std::async(std::launch::async, [&] { return r->LoadSourceImage(Bstr(Path(name))); });
    if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "LoadSourceImage waited for a writer";
      const int writer = open(Path(name).c_str(), O_WRONLY | O_NONBLOCK);  // lets it go on
      if (writer >= 0) close(writer);
    }
    EXPECT_EQ(load.get(), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");
  }
}

TEST_F(SourceLoadingTest, PathsWithAnUnpairedSurrogateAreRefused) {
  // Such a name has no UTF-8 form; a lossy conversion would open "a?.gif" instead.
  WriteJpegFile(Path("j.jpg"), 3, 3, Solid(1, 2, 3));
  WriteBytes(Path("a?.gif"), ReadBytes(Path("j.jpg")));
  WriteBytes(Path("a\xEF\xBF\xBD.gif"), ReadBytes(Path("j.jpg")));  // U+FFFD
  for (const char16_t* name : {u"/a\xD800.gif", u"/a\xDC00.gif"}) {
    ResizeObject r;
    EXPECT_EQ(r->LoadSourceImage(Bstr(WideFromUtf8(dir_.path()) + name)), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");
    EXPECT_EQ(r.Width(), -1);
  }
}

TEST_F(SourceLoadingTest, RunningOutOfPixelMemoryIsReportedAndLeavesNoPicture) {
  WritePngFile(Path("alpha.png"), 40, 30, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 6);
    p[1] = std::uint8_t(y * 8);
    p[2] = 200;
    p[3] = std::uint8_t(x * 6 + 10);
  });
  WriteJpegFile(Path("photo.jpg"), 40, 30, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 6);
    p[1] = std::uint8_t(y * 8);
    p[2] = 90;
  });
  WritePngFile(Path("keep.png"), 5, 5, Solid(0, 255, 0));
  struct DpiReset {
    ~DpiReset() { SetScreenDpi(96); }
  } reset;
  // At 120 dots per inch a JPEG is drawn stretched, through a bitmap of its own.
  for (int dpi : {96, 120}) {
    SetScreenDpi(dpi);
    for (const char* name : {"alpha.png", "photo.jpg"}) {
      SCOPED_TRACE(::testing::Message() << name << " at " << dpi << " dpi");
      std::vector<std::uint8_t> whole;
      {
        ResizeObject r;
        ASSERT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_OK);
        Written(r);
        whole = ReadBytes(Path("check.jpg"));
      }
      int refused = 0;
      for (int blocks = 0; blocks < 4; ++blocks) {
        SCOPED_TRACE(blocks);
        ResizeObject r;
        ASSERT_EQ(r->LoadSourceImage(Bstr(Path("keep.png"))), S_OK);
        FailPixelMemoryAfter(blocks);
        const HRESULT hr = r->LoadSourceImage(Bstr(Path(name)));
        FailPixelMemoryAfter(-1);
        if (hr == S_OK) {
          // Either the whole picture, never one drawn only in part.
          Written(r);
          EXPECT_EQ(ReadBytes(Path("check.jpg")), whole);
        } else {
          ++refused;
          EXPECT_EQ(hr, S_FALSE);
          EXPECT_EQ(r.ErrorText(), u"Memory is not enough!");
          EXPECT_EQ(r.Width(), -1);
        }
      }
      EXPECT_GT(refused, 0);
    }
  }
}

TEST_F(SourceLoadingTest, ReadOnlyFilesLoad) {
  WriteJpegFile(Path("ro.jpg"), 9, 4, Solid(0, 0, 0));
  ASSERT_EQ(chmod(Path("ro.jpg").c_str(), 0444), 0);
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("ro.jpg"))), S_OK);
  EXPECT_EQ(r.Width(), 9);
  EXPECT_EQ(r.ErrorText(), u"");
}

TEST_F(SourceLoadingTest, NonPicturesAreRefusedAndLeaveNoPicture) {
  WritePngFile(Path("keep.png"), 6, 4, Solid(0, 255, 0));
  WriteBytes(Path("text.png"), {'h', 'e', 'l', 'l', 'o'});
  WriteBytes(Path("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  WriteBytes(Path("empty.gif"), {});
  WriteBytes(Path("empty.png"), {});
  // A PNG named .jpg goes to the picture service, which does not read PNG; a JPEG
  // named .png goes to the PNG reader.
  WritePngFile(Path("png.jpg"), 4, 4, Solid(1, 1, 1));
  WriteJpegFile(Path("jpeg.png"), 4, 4, Solid(1, 1, 1));
  // What a new object does with no picture, to compare with.
  ResizeObject fresh;
  const HRESULT fresh_mark = fresh->MakeMarkImage(Bstr(Path("fresh.jpg")));
  const HRESULT fresh_thumb = fresh->MakeThumbImage(Bstr(Path("fresh-thumb.jpg")), 5, 5, 0);
  for (const char* name : {"text.png", "text.jpg", "empty.gif", "empty.png", "png.jpg", "jpeg.png"}) {
    SCOPED_TRACE(name);
    ResizeObject r;
    ASSERT_EQ(r->LoadSourceImage(Bstr(Path("keep.png"))), S_OK);
    EXPECT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
    // The previous picture is gone: the object is as before any load.
    EXPECT_EQ(r.Width(), -1);
    EXPECT_EQ(r.Height(), -1);
    EXPECT_EQ(r->MakeMarkImage(Bstr(Path("none.jpg"))), fresh_mark);
    EXPECT_FALSE(FileExists(Path("none.jpg")));
    EXPECT_EQ(r->MakeThumbImage(Bstr(Path("thumb.jpg")), 5, 5, 0), fresh_thumb);
    EXPECT_EQ(ReadBytes(Path("thumb.jpg")), ReadBytes(Path("fresh-thumb.jpg")));
  }
}

TEST_F(SourceLoadingTest, PngsWhoseDataHoldsNoRowAreRefused) {
  // The same small picture with its image data emptied, and with it left out.
  WritePngFile(Path("full.png"), 8, 8, Solid(10, 20, 30));
  const std::vector<PngChunk> chunks = SplitPngChunks(ReadBytes(Path("full.png")));
  std::vector<PngChunk> empty_data, no_data;
  for (const PngChunk& chunk : chunks) {
    if (chunk.type != "IDAT") {
      empty_data.push_back(chunk);
      no_data.push_back(chunk);
    } else if (empty_data.back().type != "IDAT") {
      empty_data.push_back({"IDAT", {}});
    }
  }
  WriteBytes(Path("empty-data.png"), JoinPngChunks(empty_data));
  WriteBytes(Path("no-data.png"), JoinPngChunks(no_data));
  for (const char* name : {"empty-data.png", "no-data.png"}) {
    SCOPED_TRACE(name);
    ResizeObject r;
    EXPECT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
    EXPECT_EQ(r.Width(), -1);
  }
}

TEST_F(SourceLoadingTest, OpaquePngColoursArrivExactly) {
  auto pixel = [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x);
    p[1] = std::uint8_t(y);
    p[2] = std::uint8_t(255 - x);
    p[3] = 255;
  };
  WritePngFile(Path("exact.png"), 300, 200, pixel);
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("exact.png"))), S_OK);
  EXPECT_EQ(r.Width(), 300);
  EXPECT_EQ(r.Height(), 200);
  // A crop of the whole picture at the highest quality keeps colours within a step or two.
  r->put_Quality(100);
  RgbImage image = Written(r);
  ASSERT_EQ(image.width, 300);
  for (int y = 0; y < 200; y += 37)
    for (int x = 0; x < 300; x += 41) {
      std::uint8_t expected[4];
      pixel(x, y, expected);
      for (int c = 0; c < 3; ++c) EXPECT_TRUE(Near(image.At(x, y)[c], expected[c], 4)) << x << "," << y;
    }
}

TEST_F(SourceLoadingTest, TransparentPngPixelsShowTheBlackBitmapBelow) {
  WritePngFile(Path("alpha.png"), 16, 16, [](int x, int, std::uint8_t* p) {
    p[0] = 255;
    p[1] = 255;
    p[2] = 255;
    p[3] = x < 8 ? 0 : 128;  // left half transparent, right half half-covered
  });
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("alpha.png"))), S_OK);
  r->put_Quality(100);
  RgbImage image = Written(r);
  EXPECT_TRUE(Near(image.At(2, 8)[0], 0, 3));
  EXPECT_TRUE(Near(image.At(13, 8)[0], 128, 3));
}

TEST_F(SourceLoadingTest, SecondPictureReplacesTheFirstWithoutLeaks) {
  WritePngFile(Path("a.png"), 30, 20, Solid(255, 0, 0));
  WriteJpegFile(Path("b.jpg"), 12, 34, Solid(0, 0, 255));
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("a.png"))), S_OK);
  const GdiObjectCounts one_picture = LiveGdiObjects();
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("b.jpg"))), S_OK);
  EXPECT_EQ(LiveGdiObjects(), one_picture);
  EXPECT_EQ(r.Width(), 12);
  EXPECT_EQ(r.Height(), 34);
  RgbImage image = Written(r);
  EXPECT_GT(image.At(5, 5)[2], 240);
  EXPECT_LT(image.At(5, 5)[0], 15);
}

TEST_F(SourceLoadingTest, RefusedLoadsKeepThePictureLoaded) {
  WritePngFile(Path("keep.png"), 10, 10, Solid(0, 255, 0));
  // A PNG header that claims more than the object will hold.
  std::vector<std::uint8_t> huge = ReadBytes(Path("keep.png"));
  huge[16] = 0, huge[17] = 1, huge[18] = 0x11, huge[19] = 0x70;  // width 70000
  const uLong crc = crc32(0, huge.data() + 12, 17);             // over "IHDR" and its data
  for (int i = 0; i < 4; ++i) huge[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
  WriteBytes(Path("huge.png"), huge);
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("keep.png"))), S_OK);
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("keep.tif"))), S_FALSE);
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("gone.png"))), S_FALSE);
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("huge.png"))), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Memory is not enough!");
  EXPECT_EQ(r.Width(), 10);
  RgbImage image = Written(r);
  ASSERT_EQ(image.width, 10);
  EXPECT_GT(image.At(5, 5)[1], 240);
}

TEST_F(SourceLoadingTest, PictureSizeFollowsTheScreenResolution) {
  WriteJpegFile(Path("inch.jpg"), 96, 96, Solid(50, 60, 70));
  ResizeObject at96;
  ASSERT_EQ(at96->LoadSourceImage(Bstr(Path("inch.jpg"))), S_OK);
  EXPECT_EQ(at96.Width(), 96);
  // One inch of picture is 120 pixels on a screen of 120 dots per inch; drawn stretched.
  SetScreenDpi(120);
  ResizeObject at120;
  EXPECT_EQ(at120->LoadSourceImage(Bstr(Path("inch.jpg"))), S_OK);
  SetScreenDpi(96);
  EXPECT_EQ(at120.Width(), 120);
  EXPECT_EQ(at120.Height(), 120);
  RgbImage image = Written(at120);
  EXPECT_TRUE(Near(image.At(119, 119)[0], 50, 4));
}

TEST_F(SourceLoadingTest, TruncatedJpegShowsTheRowsItHasAndBlackBelow) {
  // Noise, so that the entropy-coded data is most of the file.
  WriteJpegFile(Path("full.jpg"), 64, 64, [](int x, int y, std::uint8_t* p) {
    p[0] = p[1] = p[2] = std::uint8_t(((x * 7919 + y * 104729) % 64) + 190);
  }, 90);
  std::vector<std::uint8_t> bytes = ReadBytes(Path("full.jpg"));
  bytes.resize(bytes.size() * 2 / 3);
  WriteBytes(Path("cut.jpg"), bytes);
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("cut.jpg"))), S_OK);
  EXPECT_EQ(r.Width(), 64);
  RgbImage image = Written(r);
  EXPECT_GT(image.At(10, 2)[0], 150);
  EXPECT_LT(image.At(10, 62)[0], 15);  // never in the file: black, not grey
}

TEST_F(SourceLoadingTest, TruncatedPngKeepsItsSizeAndShowsBlackWhereDataIsMissing) {
  // Noise that does not compress away, so that the data of the first rows comes early
  // in the file.
  WritePngFile(Path("full.png"), 256, 256, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t((x * 7919u + y * 104729u) * 2654435761u >> 24);
    p[1] = std::uint8_t((x * y) % 251);
    p[2] = 255;
    p[3] = 255;
  });
  std::vector<std::uint8_t> bytes = ReadBytes(Path("full.png"));
  bytes.resize(bytes.size() / 2);
  WriteBytes(Path("half.png"), bytes);
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("half.png"))), S_OK);
  EXPECT_EQ(r.Width(), 256);
  EXPECT_EQ(r.Height(), 256);
  r->put_Quality(100);
  RgbImage image = Written(r);
  EXPECT_GT(image.At(10, 1)[2], 240);
  EXPECT_LT(image.At(10, 250)[2], 10);
}

TEST_F(SourceLoadingTest, LongPngPathsLoad) {
  std::string folder = Path(std::string(120, 'd'));
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  folder += "/" + std::string(120, 'e');
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string path = folder + "/picture.png";
  ASSERT_GT(path.size(), 255u);
  WritePngFile(path, 3, 4, Solid(1, 2, 3));
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
  EXPECT_EQ(r.Width(), 3);
}

TEST_F(SourceLoadingTest, PathsOutsideAscii) {
  const std::string name = "фото 写真.png";
  WritePngFile(Path(name), 5, 6, Solid(9, 9, 9));
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path(name))), S_OK);
  EXPECT_EQ(r.Width(), 5);
  WriteJpegFile(Path("ç.jpeg"), 7, 8, Solid(9, 9, 9));
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("ç.jpeg"))), S_OK);
  EXPECT_EQ(r.Height(), 8);
}


// --- IResize2: orientation, shrink on load, background ------------------------------------

// A stored picture of 48 x 32: a red 16 x 16 block at its top-left corner, a green one at
// its top-right, the rest blue.
void StoredCorners(int x, int y, std::uint8_t* p) {
  const bool top = y < 16;
  p[0] = top && x < 16 ? 255 : 0;
  p[1] = top && x >= 32 ? 255 : 0;
  p[2] = !top || (x >= 16 && x < 32) ? 255 : 0;
  p[3] = 255;
}

enum Corner { kTopLeft, kTopRight, kBottomRight, kBottomLeft };

// Where the stored top-left and top-right corners show once upright, by the definitions of
// the tag (the stored 0th row and 0th column become the sides it names).
struct Landing {
  Corner red, green;
};
constexpr Landing kLandings[9] = {{},
                                  {kTopLeft, kTopRight},    {kTopRight, kTopLeft},   {kBottomRight, kBottomLeft},
                                  {kBottomLeft, kBottomRight}, {kTopLeft, kBottomLeft}, {kTopRight, kBottomRight},
                                  {kBottomRight, kTopRight}, {kBottomLeft, kTopLeft}};

const std::uint8_t* CornerPixel(const RgbImage& image, Corner corner) {
  const int inset = 6;
  const int x = corner == kTopLeft || corner == kBottomLeft ? inset : image.width - 1 - inset;
  const int y = corner == kTopLeft || corner == kTopRight ? inset : image.height - 1 - inset;
  return image.At(x, y);
}

bool Shows(const std::uint8_t* p, int r, int g, int b) { return Near(p[0], r, 48) && Near(p[1], g, 48) && Near(p[2], b, 48); }

// The stored-corners picture as a file of this extension with an Exif orientation.
std::vector<std::uint8_t> OrientedFile(const TempDir& dir, const std::string& extension, int orientation) {
  const std::string plain = dir.File("plain." + extension);
  const std::vector<std::uint8_t> tiff = TiffWithOrientation(orientation, orientation % 2 == 0);
  if (extension == "png") {
    WritePngFile(plain, 48, 32, StoredCorners);
    return PngWithExif(tiff, orientation > 4, ReadBytes(plain));
  }
  WriteJpegFile(plain, 48, 32, StoredCorners);
  return JpegWithExif(ReadBytes(plain), tiff);
}

TEST_F(SourceLoadingTest, AutoOrientTurnsEveryOrientationUpright) {
  for (const std::string extension : {"jpg", "png"}) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(extension + " " + std::to_string(orientation));
      const std::string path = Path("o" + std::to_string(orientation) + "." + extension);
      WriteBytes(path, OrientedFile(dir_, extension, orientation));
      ResizeObject r;
      ASSERT_EQ(r->put_AutoOrient(1), S_OK);
      r->put_Quality(100);
      ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
      const bool quarter = orientation >= 5;
      EXPECT_EQ(r.Width(), quarter ? 32 : 48);
      EXPECT_EQ(r.Height(), quarter ? 48 : 32);
      LONG file_width = 0, file_height = 0;
      r->GetSourceFileWidth(&file_width);
      r->GetSourceFileHeight(&file_height);
      EXPECT_EQ(file_width, r.Width());
      EXPECT_EQ(file_height, r.Height());
      const RgbImage upright = Written(r);
      ASSERT_EQ(upright.width, r.Width());
      EXPECT_TRUE(Shows(CornerPixel(upright, kLandings[orientation].red), 255, 0, 0));
      EXPECT_TRUE(Shows(CornerPixel(upright, kLandings[orientation].green), 0, 255, 0));

      // Without AutoOrient the picture loads as stored.
      ResizeObject stored;
      stored->put_Quality(100);
      ASSERT_EQ(stored->LoadSourceImage(Bstr(path)), S_OK);
      EXPECT_EQ(stored.Width(), 48);
      EXPECT_TRUE(Shows(CornerPixel(Written(stored), kTopLeft), 255, 0, 0));
    }
  }
}

TEST_F(SourceLoadingTest, BrokenExifBlocksLoadThePictureAsStored) {
  WriteJpegFile(Path("plain.jpg"), 48, 32, StoredCorners);
  std::vector<std::uint8_t> tiff = TiffWithOrientation(6, true);
  tiff[4] = 0xFF;  // a directory far past the block
  const std::vector<std::vector<std::uint8_t>> blocks = {
      tiff, {}, {'M', 'M'}, TiffBuilder(false).Entry(0x0112, 3, 1, 77).bytes()};
  for (const auto& block : blocks) {
    WriteBytes(Path("broken.jpg"), JpegWithExif(ReadBytes(Path("plain.jpg")), block));
    ResizeObject r;
    r->put_AutoOrient(1);
    EXPECT_EQ(r->LoadSourceImage(Bstr(Path("broken.jpg"))), S_OK);
    EXPECT_EQ(r.Width(), 48);
    EXPECT_EQ(r.Height(), 32);
    EXPECT_EQ(r.ErrorText(), u"");
  }
}

struct ShrinkCase {
  LONG min_width, min_height;
  LONG width, height;  // of the loaded picture (800 x 600 stored)
};

TEST_F(SourceLoadingTest, LoadMinSizesDecodeAtTheSmallestEighthThatKeepsBoth) {
  WriteJpegFile(Path("big.jpg"), 800, 600, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x / 4);
    p[1] = std::uint8_t(y / 3);
    p[2] = 90;
  });
  const ShrinkCase cases[] = {
      {0, 0, 800, 600},     {100, 0, 100, 75},    {101, 0, 200, 150},   {0, 76, 200, 150},
      {150, 150, 200, 150}, {150, 151, 300, 225}, {700, 0, 700, 525},   {701, 1, 800, 600},
      {801, 0, 800, 600},   {-5, 0, 800, 600},    {1, 1, 100, 75},      {0, 600, 800, 600},
  };
  for (const ShrinkCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.min_width) + " x " + std::to_string(c.min_height));
    ResizeObject r;
    r->put_LoadMinWidth(c.min_width);
    r->put_LoadMinHeight(c.min_height);
    ASSERT_EQ(r->LoadSourceImage(Bstr(Path("big.jpg"))), S_OK);
    EXPECT_EQ(r.Width(), c.width);
    EXPECT_EQ(r.Height(), c.height);
    LONG file_width = 0, file_height = 0;
    r->GetSourceFileWidth(&file_width);
    r->GetSourceFileHeight(&file_height);
    EXPECT_EQ(file_width, 800);
    EXPECT_EQ(file_height, 600);
    // The reduced picture is the whole picture: its far corner shows the far colours.
    r->put_Quality(100);
    const RgbImage image = Written(r);
    ASSERT_EQ(image.width, c.width);
    EXPECT_TRUE(Near(image.At(c.width - 1, c.height - 1)[0], 199, 8));
    EXPECT_TRUE(Near(image.At(c.width - 1, c.height - 1)[1], 199, 8));
  }
}

TEST_F(SourceLoadingTest, ShrinkOnLoadMeasuresTheUprightPicture) {
  WriteJpegFile(Path("plain.jpg"), 800, 600, Solid(10, 20, 30));
  WriteBytes(Path("phone.jpg"), JpegWithExif(ReadBytes(Path("plain.jpg")), TiffWithOrientation(6, false)));
  ResizeObject r;
  r->put_AutoOrient(1);
  r->put_LoadMinWidth(150);  // of the upright 600 x 800: the stored height must keep 150
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("phone.jpg"))), S_OK);
  EXPECT_EQ(r.Width(), 150);
  EXPECT_EQ(r.Height(), 200);
  LONG file_width = 0, file_height = 0;
  r->GetSourceFileWidth(&file_width);
  r->GetSourceFileHeight(&file_height);
  EXPECT_EQ(file_width, 600);
  EXPECT_EQ(file_height, 800);
}

TEST_F(SourceLoadingTest, ShrinkOnLoadLeavesOtherPicturesWhole) {
  WritePngFile(Path("p.png"), 300, 200, Solid(1, 2, 3));
  ResizeObject r;
  r->put_LoadMinWidth(10);
  r->put_AutoOrient(1);
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("p.png"))), S_OK);
  EXPECT_EQ(r.Width(), 300);
  EXPECT_EQ(r.Height(), 200);
  // Other data named .jpg goes where it always went, with the same outcome.
  WriteBytes(Path("png-named.jpg"), ReadBytes(Path("p.png")));
  ResizeObject plain;
  const HRESULT as_before = plain->LoadSourceImage(Bstr(Path("png-named.jpg")));
  EXPECT_EQ(r->LoadSourceImage(Bstr(Path("png-named.jpg"))), as_before);
  EXPECT_EQ(r.ErrorText(), plain.ErrorText());
  EXPECT_EQ(r.Width(), plain.Width());
  // A file that is no picture fails as it always did, and a truncated JPEG keeps its rows.
  WriteBytes(Path("junk.jpg"), std::vector<std::uint8_t>(100, 0x41));
  ResizeObject junk;
  junk->put_LoadMinWidth(10);
  EXPECT_EQ(junk->LoadSourceImage(Bstr(Path("junk.jpg"))), S_FALSE);
  EXPECT_EQ(junk.ErrorText(), u"Source image file formate is not supported!");
  WriteJpegFile(Path("whole.jpg"), 256, 256, Solid(200, 200, 200));
  std::vector<std::uint8_t> cut = ReadBytes(Path("whole.jpg"));
  cut.resize(cut.size() * 2 / 3);
  WriteBytes(Path("cut.jpg"), cut);
  ResizeObject truncated;
  truncated->put_LoadMinWidth(64);
  EXPECT_EQ(truncated->LoadSourceImage(Bstr(Path("cut.jpg"))), S_OK);
  EXPECT_EQ(truncated.Width(), 64);
}

TEST_F(SourceLoadingTest, TransparentPixelsLieOnTheBackgroundColor) {
  // Left half transparent, right half red at half opacity.
  WritePngFile(Path("alpha.png"), 40, 20, [](int x, int, std::uint8_t* p) {
    p[0] = 255;
    p[1] = p[2] = 0;
    p[3] = x < 20 ? 0 : 128;
  });
  ResizeObject r;
  r->put_Quality(100);
  ASSERT_EQ(r->put_BackgroundColor(0x00FF0000), S_OK);  // blue, as 0x00BBGGRR
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("alpha.png"))), S_OK);
  RgbImage image = Written(r);
  EXPECT_TRUE(Shows(image.At(5, 10), 0, 0, 255));
  EXPECT_TRUE(Near(image.At(35, 10)[0], 128, 6));
  EXPECT_TRUE(Near(image.At(35, 10)[2], 127, 6));
  r->put_BackgroundColor(0);
  ASSERT_EQ(r->LoadSourceImage(Bstr(Path("alpha.png"))), S_OK);
  image = Written(r);
  EXPECT_TRUE(Shows(image.At(5, 10), 0, 0, 0));

  // A GIF's transparent pixels: black as before, white with a white background; the
  // others are the same either way.
  const std::string gif = VXIMAGE_SOURCE_DIR "/tests/corpus/gif/peterdn_static_transparent.gif";
  ResizeObject black, white;
  black->put_Quality(100);
  white->put_Quality(100);
  white->put_BackgroundColor(0x00FFFFFF);
  ASSERT_EQ(black->LoadSourceImage(Bstr(gif)), S_OK);
  ASSERT_EQ(white->LoadSourceImage(Bstr(gif)), S_OK);
  const RgbImage on_black = Written(black), on_white = Written(white);
  ASSERT_EQ(on_black.rgb.size(), on_white.rgb.size());
  int turned_white = 0;
  for (int y = 0; y < on_black.height; ++y) {
    for (int x = 0; x < on_black.width; ++x) {
      const std::uint8_t *b = on_black.At(x, y), *w = on_white.At(x, y);
      if (Shows(b, 0, 0, 0) && Shows(w, 255, 255, 255)) {
        ++turned_white;
      } else {
        EXPECT_TRUE(Near(b[0], w[0], 40) && Near(b[1], w[1], 40) && Near(b[2], w[2], 40)) << x << "," << y;
      }
    }
  }
  EXPECT_GT(turned_white, 0);
}

}  // namespace
}  // namespace vx::testing
