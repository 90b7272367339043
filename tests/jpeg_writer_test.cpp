// Writing JPEG files: pixel order, row padding, quality, target extensions and the
// whole-or-nothing treatment of targets.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>

#include "base/atomic_file.h"
#include "base/utf8.h"
#include "tests/decoder_test_support.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class JpegWriterTest : public LeakCheckedTest {
 protected:
  // Loads a PNG of the given pixels into the object.
  void Load(ResizeObject& r, int width, int height, const PixelFunction& pixel) {
    const std::string source = dir_.File("source-" + std::to_string(width) + ".png");
    WritePngFile(source, width, height, pixel);
    ASSERT_EQ(r->LoadSourceImage(Bstr(source)), S_OK);
    ASSERT_EQ(r.Width(), width);
  }
  std::string Out(const std::string& name) const { return dir_.File(name); }

  TempDir dir_;
};

TEST_F(JpegWriterTest, RedStaysRedAndTheTopRowComesFirst) {
  ResizeObject r;
  Load(r, 1, 1, Solid(255, 0, 0));
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out("red.jpg"))), S_OK);
  RgbImage red = ReadJpegFile(Out("red.jpg"));
  ASSERT_EQ(red.width, 1);
  EXPECT_TRUE(Near(red.At(0, 0)[0], 255, 3) && Near(red.At(0, 0)[1], 0, 3) && Near(red.At(0, 0)[2], 0, 3));

  ResizeObject halves;
  Load(halves, 16, 16, [](int, int y, std::uint8_t* p) {
    const std::uint8_t v = y < 8 ? 255 : 0;
    p[0] = p[1] = p[2] = v;
    p[3] = 255;
  });
  ASSERT_EQ(halves->MakeMarkImage(Bstr(Out("halves.jpg"))), S_OK);
  RgbImage image = ReadJpegFile(Out("halves.jpg"));
  EXPECT_GT(image.At(8, 0)[0], 240);
  EXPECT_LT(image.At(8, 15)[0], 15);
}

// Every width from 1 to 7 gives a different amount of row padding; the first column keeps
// its colour in every row, so no exchange reached into the padding or the next row.
TEST_F(JpegWriterTest, ColoursSurviveEveryRowPadding) {
  for (int width = 1; width <= 7; ++width) {
    SCOPED_TRACE(width);
    const std::uint8_t first[3] = {0, std::uint8_t(width == 5 ? 255 : 0), std::uint8_t(width == 5 ? 0 : 255)};
    ResizeObject r;
    Load(r, width, 9, [&](int x, int y, std::uint8_t* p) {
      if (x == 0) {
        std::copy(first, first + 3, p);
      } else {
        p[0] = std::uint8_t(20 * x);
        p[1] = std::uint8_t(10 * y);
        p[2] = 200;
      }
      p[3] = 255;
    });
    ASSERT_EQ(r->MakeMarkImage(Bstr(Out("w.jpg"))), S_OK);
    RgbImage image = ReadJpegFile(Out("w.jpg"));
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, 9);
    for (int y = 0; y < 9; ++y)
      for (int c = 0; c < 3; ++c) EXPECT_TRUE(Near(image.At(0, y)[c], first[c], 60)) << "row " << y;
  }
}

// Wide rows go through the exchange four pixels at a time: every column keeps its colour.
TEST_F(JpegWriterTest, WideRowsKeepRedRedAndBlueBlue) {
  for (int width : {6, 9, 10, 11, 33}) {
    SCOPED_TRACE(width);
    ResizeObject r;
    Load(r, width, 8, [](int x, int, std::uint8_t* p) {
      p[0] = x % 2 ? 255 : 0;
      p[1] = 0;
      p[2] = x % 2 ? 0 : 255;
      p[3] = 255;
    });
    r->put_Quality(100);
    ASSERT_EQ(r->MakeMarkImage(Bstr(Out("wide.jpg"))), S_OK);
    RgbImage image = ReadJpegFile(Out("wide.jpg"));
    ASSERT_EQ(image.width, width);
    for (int x = 0; x < width; ++x) {
      const bool red = x % 2;
      EXPECT_GT(image.At(x, 4)[red ? 0 : 2], 120) << x;
      EXPECT_LT(image.At(x, 4)[red ? 2 : 0], 120) << x;
    }
  }
}

TEST_F(JpegWriterTest, QualityIsLimitedByTheLibraryNotTheObject) {
  ResizeObject r;
  Load(r, 40, 30, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 6);
    p[1] = std::uint8_t(y * 8);
    p[2] = std::uint8_t(x * y);
    p[3] = 255;
  });
  auto write = [&](LONG quality, const char* name) {
    r->put_Quality(quality);
    EXPECT_EQ(r->MakeMarkImage(Bstr(Out(name))), S_OK);
    return ReadBytes(Out(name));
  };
  EXPECT_EQ(write(0, "q0.jpg"), write(1, "q1.jpg"));
  EXPECT_EQ(write(100, "q100.jpg"), write(150, "q150.jpg"));
  EXPECT_NE(write(1, "q1b.jpg"), write(100, "q100b.jpg"));
  EXPECT_GT(ReadBytes(Out("q100.jpg")).size(), ReadBytes(Out("q1.jpg")).size());
}

// The writer hands libjpeg the bitmap's own B, G, R rows. Its files are byte for byte
// those that libjpeg makes of the same pixels given as R, G, B rows, as the writer gave
// them before: over real photographs, at two qualities, and over crops of every row length
// modulo 4 taken at an odd place.
TEST_F(JpegWriterTest, FilesAreThoseOfThePixelsGivenAsRgbRows) {
  std::vector<std::string> photos = {VXIMAGE_SOURCE_DIR "/samples/photo-2mp.jpg"};
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder("photos")))
    if (entry.path().extension() == ".jpg") photos.push_back(entry.path().string());
  ASSERT_GE(photos.size(), 5u);
  for (const std::string& photo : photos) {
    SCOPED_TRACE(photo);
    // The object decodes with the same library, so these are its pixels.
    const RgbImage pixels = ReadJpegFile(photo);
    ResizeObject r;
    ASSERT_EQ(r->LoadSourceImage(Bstr(photo)), S_OK);
    ASSERT_EQ(r.Width(), pixels.width);
    auto expect_rgb_file = [&](const std::string& name, int left, int top, int width, int height, int quality) {
      WriteJpegFile(Out("rgb.jpg"), width, height, [&](int x, int y, std::uint8_t* p) {
        std::copy_n(pixels.At(left + x, top + y), 3, p);
      }, quality);
      EXPECT_EQ(ReadBytes(Out(name)), ReadBytes(Out("rgb.jpg"))) << name;
    };
    for (const LONG quality : {80, 97}) {
      r->put_Quality(quality);
      ASSERT_EQ(r->MakeMarkImage(Bstr(Out("full.jpg"))), S_OK);
      expect_rgb_file("full.jpg", 0, 0, pixels.width, pixels.height, quality);
    }
    for (int width = 1; width <= 8; ++width) {
      ASSERT_EQ(r->MakeCropImage(Bstr(Out("crop.jpg")), 3, 5, width, 11), S_OK);
      expect_rgb_file("crop.jpg", 3, 5, width, 11, 97);
    }
    EXPECT_EQ(r.ErrorText(), u"");
  }
}

TEST_F(JpegWriterTest, OutputIsBaselineWithoutSubsampling) {
  ResizeObject r;
  Load(r, 20, 10, Solid(9, 99, 199));
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out("b.jpg"))), S_OK);
  const std::vector<std::uint8_t> bytes = ReadBytes(Out("b.jpg"));
  // SOF0 (baseline) with three components sampled 1x1.
  bool found = false;
  for (std::size_t i = 0; i + 18 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      found = true;
      EXPECT_EQ(bytes[i + 9], 3);  // components
      EXPECT_EQ(bytes[i + 11], 0x11);
      EXPECT_EQ(bytes[i + 14], 0x11);
      EXPECT_EQ(bytes[i + 17], 0x11);
    }
    EXPECT_FALSE(bytes[i] == 0xFF && bytes[i + 1] == 0xC2);  // no progressive frame
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(bytes[6], 'J');  // JFIF marker first
}

TEST_F(JpegWriterTest, MakeMarkImageWritesOnlyJpegNames) {
  ResizeObject r;
  Load(r, 8, 8, Solid(0, 0, 255));
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("upper.JPEG"))), S_OK);
  EXPECT_EQ(ReadJpegFile(Out("upper.JPEG")).width, 8);
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("mark.png"))), S_OK);
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("noextension"))), S_OK);
  EXPECT_FALSE(FileExists(Out("mark.png")));
  EXPECT_FALSE(FileExists(Out("noextension")));
  EXPECT_EQ(r.ErrorText(), u"");
}

TEST_F(JpegWriterTest, WritingTwiceGivesTheSameFile) {
  ResizeObject r;
  Load(r, 33, 17, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 7);
    p[1] = std::uint8_t(y * 13);
    p[2] = std::uint8_t(x ^ y);
    p[3] = 255;
  });
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out("a.jpg"))), S_OK);
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out("b.jpg"))), S_OK);
  EXPECT_EQ(ReadBytes(Out("a.jpg")), ReadBytes(Out("b.jpg")));
}

TEST_F(JpegWriterTest, TargetInAMissingFolderIsReportedAndNothingIsCreated) {
  ResizeObject r;
  Load(r, 8, 8, Solid(1, 2, 3));
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("nowhere/x.jpg"))), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Target image file open failed!");
  EXPECT_FALSE(FileExists(Out("nowhere")));
}

TEST_F(JpegWriterTest, TargetThatIsAFolderCannotBeWritten) {
  ResizeObject r;
  Load(r, 8, 8, Solid(1, 2, 3));
  ASSERT_EQ(mkdir(Out("folder.jpg").c_str(), 0755), 0);
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("folder.jpg"))), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Target image file open failed!");
}

TEST_F(JpegWriterTest, ExistingTargetIsReplacedOnlyByAWholeFile) {
  const std::vector<std::uint8_t> old_contents = {'o', 'l', 'd'};
  WriteBytes(Out("t.jpg"), old_contents);
  chmod(Out("t.jpg").c_str(), 0640);

  // Before any load the picture has no size: the library refuses it, nothing is written.
  ResizeObject empty;
  EXPECT_EQ(empty->MakeMarkImage(Bstr(Out("t.jpg"))), S_FALSE);
  EXPECT_EQ(empty.ErrorText(), u"Target image file write failed!");
  EXPECT_EQ(ReadBytes(Out("t.jpg")), old_contents);

  ResizeObject r;
  Load(r, 10, 10, Solid(200, 100, 0));
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("t.jpg"))), S_OK);
  EXPECT_EQ(ReadJpegFile(Out("t.jpg")).width, 10);
  struct stat info {};
  ASSERT_EQ(stat(Out("t.jpg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replacement keeps the old permissions

  // No temporary files are left behind either way.
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"source-10.png", "t.jpg"}));
}

TEST_F(JpegWriterTest, TargetReachedThroughALinkIsWrittenThroughIt) {
  ResizeObject r;
  Load(r, 5, 5, Solid(0, 255, 0));
  WriteBytes(Out("real.jpg"), {1});
  ASSERT_EQ(symlink(Out("real.jpg").c_str(), Out("link.jpg").c_str()), 0);
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out("link.jpg"))), S_OK);
  struct stat info {};
  ASSERT_EQ(lstat(Out("link.jpg").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadJpegFile(Out("real.jpg")).width, 5);
}

TEST_F(JpegWriterTest, DevicesAreWrittenInPlaceAndAFullDiskIsAWriteFailure) {
  ResizeObject r;
  Load(r, 64, 64, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 37 + y);
    p[1] = std::uint8_t(y * 11);
    p[2] = std::uint8_t(x ^ y);
    p[3] = 255;
  });
  struct stat info {};
  EXPECT_EQ(r->MakeCropImage(Bstr(std::string("/dev/null")), 0, 0, 64, 64), S_OK);
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));  // still the device
  if (stat("/dev/full", &info) == 0) {
    EXPECT_EQ(r->MakeCropImage(Bstr(std::string("/dev/full")), 0, 0, 64, 64), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Target image file write failed!");
  }
}

TEST_F(JpegWriterTest, APipeIsWrittenOnlyWhileSomeoneReadsIt) {
  ResizeObject r;
  Load(r, 8, 8, Solid(1, 2, 3));
  ASSERT_EQ(mkfifo(Out("pipe.jpg").c_str(), 0600), 0);
  // Nobody reads: refused at once instead of waiting for a reader.
  std::future<HRESULT> write = std::async(std::launch::async, [&] { return r->MakeMarkImage(Bstr(Out("pipe.jpg"))); });
  if (write.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "MakeMarkImage waited for a reader";
    const int reader = open(Out("pipe.jpg").c_str(), O_RDONLY | O_NONBLOCK);  // lets it go on
    write.wait();
    if (reader >= 0) close(reader);
  }
  EXPECT_EQ(write.get(), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Target image file open failed!");

  // With a reader the file goes through the pipe, which stays a pipe.
  const int reader = open(Out("pipe.jpg").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(r->MakeMarkImage(Bstr(Out("pipe.jpg"))), S_OK);
  std::uint8_t start[2] = {};
  EXPECT_EQ(read(reader, start, 2), 2);
  EXPECT_EQ(start[0], 0xFF);
  EXPECT_EQ(start[1], 0xD8);
  close(reader);
  struct stat info {};
  ASSERT_EQ(stat(Out("pipe.jpg").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(JpegWriterTest, AWriterKilledMidFileLeavesNothingBehind) {
  const int probe = open(dir_.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system makes no unnamed files";
  close(probe);
  WriteBytes(Out("t.jpg"), {'o', 'l', 'd'});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile target;
    if (target.Open(WideFromUtf8(Out("t.jpg")).c_str())) std::fputs("half a picture", target.stream());
    std::fflush(target.stream());
    kill(getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"t.jpg"});
  EXPECT_EQ(ReadBytes(Out("t.jpg")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(JpegWriterTest, TargetNamesWithAnUnpairedSurrogateAreRefused) {
  ResizeObject r;
  Load(r, 4, 4, Solid(1, 2, 3));
  // No UTF-8 name can carry it; "t?.jpg" would be another file.
  EXPECT_EQ(r->MakeMarkImage(Bstr(WideFromUtf8(dir_.path()) + u"/t\xD800.jpg")), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Target image file open failed!");
  EXPECT_EQ(r->MakeThumbImage(Bstr(WideFromUtf8(dir_.path()) + u"/\xDFFFt.jpg"), 2, 2, 0), S_FALSE);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"source-4.png"});
}

TEST_F(JpegWriterTest, NonAsciiTargetNames) {
  ResizeObject r;
  Load(r, 6, 4, Solid(10, 20, 30));
  const std::string name = "写真 ünï.jpg";
  ASSERT_EQ(r->MakeMarkImage(Bstr(Out(name))), S_OK);
  EXPECT_EQ(ReadJpegFile(Out(name)).height, 4);
}

}  // namespace
}  // namespace vx::testing
