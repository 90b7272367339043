// A compressed picture (JPEG, GIF or BMP) decoded by the picture service from a copy of the
// caller's bytes: a global block, a stream that owns it, and the picture read from the
// stream. No picture when the bytes are none, or when there was no memory to tell.
#pragma once

#include <cstddef>

#include "platform/gdi.h"
#include "platform/olectl.h"

namespace vx {

class ServicePicture {
 public:
  ServicePicture(const void* data, std::size_t size);
  ~ServicePicture();
  ServicePicture(const ServicePicture&) = delete;
  ServicePicture& operator=(const ServicePicture&) = delete;

  IPicture* picture() const { return picture_; }
  // Memory ran out before the bytes could be told to be a picture or not.
  bool out_of_memory() const { return out_of_memory_; }
  // The natural size in pixels at the screen's dots per inch (0 x 0 without a picture).
  SIZE PixelSize() const;
  // Draws the whole picture upright into the rectangle of dc.
  HRESULT Render(HDC dc, int x, int y, int cx, int cy) const;

 private:
  IStream* stream_ = nullptr;
  IPicture* picture_ = nullptr;
  OLE_XSIZE_HIMETRIC hm_width_ = 0;
  OLE_YSIZE_HIMETRIC hm_height_ = 0;
  bool out_of_memory_ = false;
};

}  // namespace vx
