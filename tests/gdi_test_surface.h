// A drawing surface for tests of the drawing routines: a memory context holding a bitmap,
// whose pixels a test sets and reads back as DIB words 0xXXRRGGBB, fourth byte included.
#pragma once

#include <cstdint>
#include <vector>

#include "gdi/dib_words.h"
#include "gdi/scratch_surface.h"
#include "platform/gdi.h"

namespace vx::testing {

class TestSurface {
 public:
  TestSurface(int width, int height, std::uint32_t fill)
      : width_(width), height_(height), surface_(ScreenDc().dc, width, height) {
    SetWords(std::vector<std::uint32_t>(std::size_t(width) * height, fill));
  }

  HDC dc() const { return surface_.dc(); }
  HBITMAP bitmap() const { return surface_.bitmap(); }
  int width() const { return width_; }
  int height() const { return height_; }

  // Every pixel, top row first.
  std::vector<std::uint32_t> Words() const {
    std::vector<std::uint32_t> words(std::size_t(width_) * height_);
    ReadDibWords(surface_.dc(), surface_.bitmap(), width_, height_, words.data());
    return words;
  }
  std::uint32_t At(int x, int y) const { return Words()[std::size_t(y) * width_ + x]; }

  void SetWords(const std::vector<std::uint32_t>& words) {
    WriteDibWords(surface_.dc(), 0, 0, width_, height_, words.data());
  }

 private:
  // The screen as reference, released at the end of the expression that asked for it.
  struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
  };

  int width_;
  int height_;
  ScratchSurface surface_;
};

}  // namespace vx::testing
