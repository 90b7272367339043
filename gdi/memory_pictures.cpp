// Compressed pictures held in memory: measured and drawn through the picture service.
#include <cstring>

#include "gdi/vxgdi.h"
#include "platform/olectl.h"

namespace {

constexpr int kHimetricPerInch = 2540;

// The caller's bytes copied into a global block, a stream that owns the block, and the
// picture decoded from the stream; no picture when the bytes are none.
class ServicePicture {
 public:
  ServicePicture(const void* data, int size) {
    if (!data || size <= 0) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    if (!block) return;
    void* copy = GlobalLock(block);
    if (!copy || FAILED(CreateStreamOnHGlobal(block, TRUE, &stream_))) {
      if (copy) GlobalUnlock(block);
      GlobalFree(block);  // no stream took it over
      stream_ = nullptr;
      return;
    }
    std::memcpy(copy, data, static_cast<std::size_t>(size));
    GlobalUnlock(block);
    if (FAILED(OleLoadPicture(stream_, size, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture_)))) {
      picture_ = nullptr;
      return;
    }
    picture_->get_Width(&hm_width_);
    picture_->get_Height(&hm_height_);
  }
  ~ServicePicture() {
    if (picture_) picture_->Release();
    if (stream_) stream_->Release();  // frees the block
  }
  ServicePicture(const ServicePicture&) = delete;
  ServicePicture& operator=(const ServicePicture&) = delete;

  IPicture* picture() const { return picture_; }
  OLE_XSIZE_HIMETRIC hm_width() const { return hm_width_; }
  OLE_YSIZE_HIMETRIC hm_height() const { return hm_height_; }

 private:
  IStream* stream_ = nullptr;
  IPicture* picture_ = nullptr;
  OLE_XSIZE_HIMETRIC hm_width_ = 0;
  OLE_YSIZE_HIMETRIC hm_height_ = 0;
};

}  // namespace

void CvxGDI::GetJPGSize(void* data, int size, int* width, int* height) {
  int w = 0, h = 0;
  const ServicePicture service(data, size);
  if (service.picture()) {
    HDC screen = GetDC(nullptr);
    w = MulDiv(service.hm_width(), GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch);
    h = MulDiv(service.hm_height(), GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch);
    ReleaseDC(nullptr, screen);
  }
  // A size that did not convert (a picture too large for its HIMETRIC size) is no size.
  if (w <= 0 || h <= 0) w = h = 0;
  if (width) *width = w;
  if (height) *height = h;
}

void CvxGDI::DrawJPG(HDC target, int x, int y, int cx, int cy, void* data, int size) {
  if (cx <= 0 || cy <= 0) return;
  const ServicePicture service(data, size);
  if (!service.picture()) return;
  // Whole pixels dropped or repeated, whatever mode the caller's context is in.
  const int previous_mode = SetStretchBltMode(target, COLORONCOLOR);
  // HIMETRIC y runs upward: starting at the top edge and going down draws it upright.
  service.picture()->Render(target, x, y, cx, cy, 0, service.hm_height(), service.hm_width(),
                            -service.hm_height(), nullptr);
  if (previous_mode) SetStretchBltMode(target, previous_mode);
}
