// A 32-bit DIB section selected into a memory context of its own, its rows stored top row
// first or (bottom_up) bottom row first, as a test's drawing target whose memory it reads
// back directly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace vx::testing {

class DibSectionCanvas {
 public:
  DibSectionCanvas(int width, int height, bool bottom_up) : width_(width), height_(height), bottom_up_(bottom_up) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, bottom_up ? height : -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    section_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, section_);
  }
  ~DibSectionCanvas() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(section_);
  }
  DibSectionCanvas(const DibSectionCanvas&) = delete;
  DibSectionCanvas& operator=(const DibSectionCanvas&) = delete;

  bool made() const { return section_ && bits_; }
  HDC dc() const { return dc_; }
  HBITMAP section() const { return section_; }

  // The section's memory as rows top row first, whichever way it stores them.
  std::vector<std::uint32_t> RowsTopFirst() const {
    std::vector<std::uint32_t> rows(std::size_t(width_) * height_);
    for (int y = 0; y < height_; ++y) {
      const auto* stored = static_cast<const std::uint32_t*>(bits_) + std::size_t(bottom_up_ ? height_ - 1 - y : y) * width_;
      std::copy(stored, stored + width_, rows.begin() + std::ptrdiff_t(y) * width_);
    }
    return rows;
  }

 private:
  int width_, height_;
  bool bottom_up_;
  void* bits_ = nullptr;
  HBITMAP section_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace vx::testing
