#include "gdi/service_picture.h"

#include <cstring>

namespace vx {

namespace {

constexpr int kHimetricPerInch = 2540;

}  // namespace

ServicePicture::ServicePicture(const void* data, std::size_t size) {
  if (!data || size == 0) return;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  void* copy = block ? GlobalLock(block) : nullptr;
  if (!copy || FAILED(CreateStreamOnHGlobal(block, TRUE, &stream_))) {
    if (copy) GlobalUnlock(block);
    if (block) GlobalFree(block);  // no stream took it over
    stream_ = nullptr;
    out_of_memory_ = true;
    return;
  }
  std::memcpy(copy, data, size);
  GlobalUnlock(block);
  // The service reads as many bytes as it is told, a LONG: a larger file is no picture.
  const HRESULT loaded = OleLoadPicture(stream_, static_cast<LONG>(size), FALSE, IID_IPicture,
                                        reinterpret_cast<void**>(&picture_));
  if (FAILED(loaded)) {
    picture_ = nullptr;
    out_of_memory_ = loaded == E_OUTOFMEMORY;
    return;
  }
  picture_->get_Width(&hm_width_);
  picture_->get_Height(&hm_height_);
}

ServicePicture::~ServicePicture() {
  if (picture_) picture_->Release();
  if (stream_) stream_->Release();  // frees the block
}

SIZE ServicePicture::PixelSize() const {
  if (!picture_) return {0, 0};
  HDC screen = GetDC(nullptr);
  const SIZE size{MulDiv(hm_width_, GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch),
                  MulDiv(hm_height_, GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch)};
  ReleaseDC(nullptr, screen);
  return size;
}

HRESULT ServicePicture::Render(HDC dc, int x, int y, int cx, int cy) const {
  if (!picture_) return E_FAIL;
  // HIMETRIC y runs upward: starting at the top edge and going down draws it upright.
  return picture_->Render(dc, x, y, cx, cy, 0, hm_height_, hm_width_, -hm_height_, nullptr);
}

}  // namespace vx
