// Helpers for tests of the Resize object: owning wrappers, temporary folders, and files
// written and read with the image libraries directly, independently of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "module/iresize.h"
#include "platform/automation/bstr_count.h"
#include "platform/surface/gdi_diagnostics.h"

namespace vx::testing {

// A Resize object, through IResize2 (which is also its IResize), released at the end of
// its scope.
class ResizeObject {
 public:
  ResizeObject();
  ~ResizeObject();
  ResizeObject(const ResizeObject&) = delete;
  ResizeObject& operator=(const ResizeObject&) = delete;
  IResize2* operator->() const { return object_; }
  IResize2* get() const { return object_; }

  std::u16string ErrorText() const;
  LONG Width() const;
  LONG Height() const;

 private:
  IResize2* object_ = nullptr;
};

// A BSTR that is freed at the end of its scope.
class Bstr {
 public:
  explicit Bstr(const std::u16string& text);
  explicit Bstr(const std::string& utf8);
  ~Bstr();
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return text_; }

 private:
  BSTR text_;
};

// A fresh folder, removed with everything in it at the end of its scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the files in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, top row first

  const std::uint8_t* At(int x, int y) const { return &rgb[(std::size_t(y) * width + x) * 3]; }
};

using PixelFunction = std::function<void(int x, int y, std::uint8_t* rgba)>;

bool FileExists(const std::string& path);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Decodes a JPEG file with libjpeg; width 0 when it is no JPEG.
RgbImage ReadJpegFile(const std::string& path);
// Writes pictures whose pixel (x, y) the function gives (alpha ignored for JPEG).
void WriteJpegFile(const std::string& path, int width, int height, const PixelFunction& pixel,
                   int quality = 100);
// A JPEG whose ICC profile (APP2) says what its RGB values mean.
void WriteJpegFileWithProfile(const std::string& path, int width, int height, const PixelFunction& pixel,
                              const std::vector<std::uint8_t>& icc_profile);
// A CMYK JPEG of the picture (the black taken out), no profile, with the Adobe marker
// libjpeg writes for CMYK and the inverted inks it stands for.
void WriteCmykJpegFile(const std::string& path, int width, int height, const PixelFunction& pixel);
void WritePngFile(const std::string& path, int width, int height, const PixelFunction& pixel);
PixelFunction Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255);

// Whether two channel values are within `tolerance` (JPEG is lossy).
inline bool Near(int a, int b, int tolerance) { return a - b <= tolerance && b - a <= tolerance; }

// Fails the test when it leaves more (or fewer) drawing objects or strings alive than it
// found.
class LeakCheckedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = LiveGdiObjects();
    before_bstrs_ = LiveBstrCount();
  }
  void TearDown() override {
    const GdiObjectCounts after = LiveGdiObjects();
    EXPECT_EQ(after.dcs, before_.dcs);
    EXPECT_EQ(after.bitmaps, before_.bitmaps);
    EXPECT_EQ(after.brushes, before_.brushes);
    EXPECT_EQ(after.pens, before_.pens);
    EXPECT_EQ(after.fonts, before_.fonts);
    EXPECT_EQ(after.regions, before_.regions);
    EXPECT_EQ(LiveBstrCount(), before_bstrs_);
  }

 private:
  GdiObjectCounts before_;
  long before_bstrs_ = 0;
};

}  // namespace vx::testing
