// A temporary drawing surface: a memory context holding a new bitmap compatible with a
// reference context. Both are released when it goes out of scope, whatever path a routine
// leaves by.
#pragma once

#include "platform/gdi.h"

namespace vx {

class ScratchSurface {
 public:
  ScratchSurface(HDC reference, int width, int height);
  ~ScratchSurface();
  ScratchSurface(const ScratchSurface&) = delete;
  ScratchSurface& operator=(const ScratchSurface&) = delete;

  // False when the context or the bitmap could not be had; then nothing may be drawn.
  explicit operator bool() const { return previous_ != nullptr; }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;  // what the new context held before our bitmap
};

}  // namespace vx
