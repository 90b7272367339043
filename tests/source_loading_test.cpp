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

}  // namespace
}  // namespace vx::testing
