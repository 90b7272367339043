// Eight threads, each with a Resize object of its own, loading and writing for a few
// seconds; then two converting colours at the same moment. Objects on different threads share only the drawing layer (its handle table
// and stock objects); a megapixel JPEG among the pictures brings in the decoder's own
// second thread. scripts/test.sh also runs this test built with ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

// VXIMAGE_SOAK_SECONDS, or 3.
std::chrono::seconds SoakTime() {
  const char* text = std::getenv("VXIMAGE_SOAK_SECONDS");
  const int seconds = text ? std::atoi(text) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 3);
}

TEST(ThreadSoak, EightObjectsOnEightThreadsShareNothing) {
  TempDir dir;
  WriteJpegFile(dir.File("photo.jpg"), 120, 80, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 2);
    p[1] = std::uint8_t(y * 3);
    p[2] = std::uint8_t(x ^ y);
  });
  // Large enough to be decoded in two bands.
  WriteJpegFile(dir.File("large.jpg"), 1260, 840, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x / 5);
    p[1] = std::uint8_t(y / 3);
    p[2] = std::uint8_t((x + y) / 7);
  });
  WritePngFile(dir.File("logo.png"), 90, 60, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 2);
    p[1] = std::uint8_t(y * 4);
    p[2] = 200;
    p[3] = std::uint8_t(x + y);
  });
  const GdiObjectCounts before = LiveGdiObjects();
  const long bstrs_before = LiveBstrCount();
  const auto deadline = std::chrono::steady_clock::now() + SoakTime();
  constexpr int kThreads = 8;
  std::vector<int> rounds(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string own = dir.File("t" + std::to_string(t));
      for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
        ResizeObject r;
        struct Picture {
          const char* name;
          int width;
        };
        constexpr Picture kPictures[] = {{"logo.png", 90}, {"photo.jpg", 120}, {"large.jpg", 1260}};
        const Picture& picture = kPictures[(round + t) % 3];
        ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File(picture.name))), S_OK);
        ASSERT_EQ(r->MakeThumbImage(Bstr(own + "-thumb.jpg"), 30, 0, 1), S_OK);
        ASSERT_EQ(r->MakeCropImage(Bstr(own + "-crop.jpg"), 10, 10, 25, 15), S_OK);
        ASSERT_EQ(r->MakeMarkImage(Bstr(own + "-mark.jpg")), S_OK);
        ASSERT_EQ(r.ErrorText(), u"");
        const RgbImage thumb = ReadJpegFile(own + "-thumb.jpg");
        ASSERT_EQ(thumb.width, 30);
        ASSERT_EQ(thumb.height, 20);  // all three pictures are 3:2
        ASSERT_EQ(ReadJpegFile(own + "-crop.jpg").width, 25);
        ASSERT_EQ(ReadJpegFile(own + "-mark.jpg").width, picture.width);
        ++rounds[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_GT(rounds[t], 0) << "thread " << t;
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(LiveBstrCount(), bstrs_before);
}

// Two objects on two threads loading colour-managed pictures at the same moment: a CMYK
// photo without a profile (converted by the press profile, whose transforms the first
// conversion in the process makes and every later one shares) and an Adobe RGB one
// (converted by its own profile). Every output is the one an object writes alone.
TEST(ThreadSoak, TwoObjectsConvertColoursAtOnce) {
  TempDir dir;
  const PixelFunction photo = [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x / 5);
    p[1] = std::uint8_t(255 - y / 4);
    p[2] = std::uint8_t((x + 2 * y) / 9);
  };
  // Large enough to be decoded, and converted, in two bands.
  constexpr int kWidth = 1260, kHeight = 840;
  WriteCmykJpegFile(dir.File("cmyk.jpg"), kWidth, kHeight, photo);
  WriteJpegFileWithProfile(dir.File("adobe.jpg"), kWidth, kHeight, photo,
                           ReadBytes(VXIMAGE_SOURCE_DIR "/tests/data/compatibleWithAdobeRGB1998.icc"));
  const std::string pictures[] = {dir.File("cmyk.jpg"), dir.File("adobe.jpg")};
  const auto write = [](const std::string& picture, const std::string& out, bool colour_manage) {
    ResizeObject r;
    ASSERT_EQ(r->put_ColorManage(colour_manage), S_OK);
    ASSERT_EQ(r->put_KeepMetadata(1), S_OK);
    ASSERT_EQ(r->LoadSourceImage(Bstr(picture)), S_OK);
    ASSERT_EQ(r->MakeMarkImage(Bstr(out + "-mark.jpg")), S_OK);
    ASSERT_EQ(r->MakeThumbImage(Bstr(out + "-thumb.jpg"), 120, 0, 1), S_OK);
    ASSERT_EQ(r.ErrorText(), u"");
  };
  const GdiObjectCounts before = LiveGdiObjects();
  const long bstrs_before = LiveBstrCount();
  constexpr int kThreads = 2, kRounds = 3;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        write(pictures[round % 2], dir.File("t" + std::to_string(t) + "-" + std::to_string(round)), true);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(pictures[i]);
    const std::string alone = dir.File("alone" + std::to_string(i));
    const std::string plain = dir.File("plain" + std::to_string(i));
    write(pictures[i], alone, true);
    write(pictures[i], plain, false);
    // The conversion did something: the colours differ from the values as stored.
    EXPECT_NE(ReadJpegFile(alone + "-mark.jpg").rgb, ReadJpegFile(plain + "-mark.jpg").rgb);
    for (int t = 0; t < kThreads; ++t) {
      for (int round = i; round < kRounds; round += 2) {
        const std::string out = dir.File("t" + std::to_string(t) + "-" + std::to_string(round));
        EXPECT_EQ(ReadBytes(out + "-mark.jpg"), ReadBytes(alone + "-mark.jpg")) << out;
        EXPECT_EQ(ReadBytes(out + "-thumb.jpg"), ReadBytes(alone + "-thumb.jpg")) << out;
      }
    }
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(LiveBstrCount(), bstrs_before);
}

}  // namespace
}  // namespace vx::testing
