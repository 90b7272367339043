// Eight threads, each with a Resize object of its own, loading and writing for a few
// seconds. Objects on different threads share only the drawing layer (its handle table
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

}  // namespace
}  // namespace vx::testing
