// OleLoadPicture and the picture it returns.
//
// The picture keeps the compressed bytes and an opened decoder. Drawn at its own size
// onto a bitmap, it decodes straight into the bitmap's pixels, so that a large photograph
// is never held twice; drawn any other way it is decoded into a bitmap of its own first and
// stretched from there.
#include <new>
#include <vector>

#include "platform/com_object.h"
#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"
#include "platform/olectl.h"
#include "platform/codecs/picture_decoder.h"

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kPictureDpi = 96;

class Picture final : public vx::ComObject<IPicture, IID_IPicture> {
 public:
  Picture(std::vector<std::uint8_t> data, std::unique_ptr<vx::PictureDecoder> decoder)
      : data_(std::move(data)),
        decoder_(std::move(decoder)),
        width_(decoder_->width()),
        height_(decoder_->height()) {}

  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) override {
    if (!width) return E_POINTER;
    *width = MulDiv(PixelWidth(), kHimetricPerInch, kPictureDpi);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) override {
    if (!height) return E_POINTER;
    *height = MulDiv(PixelHeight(), kHimetricPerInch, kPictureDpi);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC x_src,
                                   OLE_YPOS_HIMETRIC y_src, OLE_XSIZE_HIMETRIC cx_src,
                                   OLE_YSIZE_HIMETRIC cy_src, LPCRECT) override {
    vx::gdi::Dc* dc = vx::gdi::FindDc(hdc);
    if (!dc) return E_INVALIDARG;
    OLE_XSIZE_HIMETRIC hm_width = 0;
    OLE_YSIZE_HIMETRIC hm_height = 0;
    get_Width(&hm_width);
    get_Height(&hm_height);
    if (hm_width <= 0 || hm_height <= 0) return E_FAIL;
    // HIMETRIC x runs right from the left edge; y runs up from the bottom edge.
    const int left = MulDiv(x_src, PixelWidth(), hm_width);
    const int right = MulDiv(x_src + cx_src, PixelWidth(), hm_width);
    const int top = MulDiv(hm_height - y_src, PixelHeight(), hm_height);
    const int bottom = MulDiv(hm_height - (y_src + cy_src), PixelHeight(), hm_height);

    const vx::gdi::Surface surface = vx::gdi::SurfaceOf(*dc);
    const bool whole_upright = left == 0 && top == 0 && right == PixelWidth() && bottom == PixelHeight();
    const bool fits = surface.writable && x >= 0 && y >= 0 && cx == PixelWidth() && cy == PixelHeight() &&
                      std::int64_t{x} + cx <= surface.width && std::int64_t{y} + cy <= surface.height;
    if (whole_upright && fits && decoder_) {
      std::unique_ptr<vx::PictureDecoder> decoder = std::move(decoder_);
      return Drawn(decoder->Decode(surface.Row(y) + x, surface.row_step));
    }
    return RenderThroughBitmap(hdc, x, y, cx, cy, left, top, right - left, bottom - top);
  }

 private:
  // A picture whose data held not a single row draws nothing and says so; a partly
  // decoded one shows what it has.
  static HRESULT Drawn(vx::DecodeResult result) {
    return result == vx::DecodeResult::kNothing ? E_FAIL : S_OK;
  }

  int PixelWidth() const { return width_; }
  int PixelHeight() const { return height_; }

  HRESULT RenderThroughBitmap(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, int sx, int sy, int scx,
                              int scy) {
    std::unique_ptr<vx::PictureDecoder> decoder =
        decoder_ ? std::move(decoder_) : vx::OpenPicture(data_.data(), data_.size());
    if (!decoder) return E_FAIL;
    HDC memory = CreateCompatibleDC(hdc);
    HBITMAP bitmap = vx::gdi::NewBitmap(PixelWidth(), PixelHeight());
    vx::gdi::Bitmap* pixels = vx::gdi::FindBitmap(bitmap);
    HRESULT hr = E_OUTOFMEMORY;
    if (memory && pixels) {
      hr = Drawn(decoder->Decode(pixels->pixels, pixels->width));
      HGDIOBJ previous = SelectObject(memory, bitmap);
      if (SUCCEEDED(hr)) StretchBlt(hdc, x, y, cx, cy, memory, sx, sy, scx, scy, SRCCOPY);
      SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    return hr;
  }

  std::vector<std::uint8_t> data_;
  std::unique_ptr<vx::PictureDecoder> decoder_;  // unused one, until a draw takes it
  const int width_;
  const int height_;
};

}  // namespace

HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!stream || size < 0) return E_INVALIDARG;
  std::vector<std::uint8_t> data;
  try {
    data.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  ULONG read = 0;
  if (FAILED(stream->Read(data.data(), static_cast<ULONG>(size), &read))) return E_FAIL;
  data.resize(read);
  std::unique_ptr<vx::PictureDecoder> decoder = vx::OpenPicture(data.data(), data.size());
  if (!decoder) return CTL_E_INVALIDPICTURE;
  if (decoder->exceeds_memory()) return E_OUTOFMEMORY;
  auto* picture = new (std::nothrow) Picture(std::move(data), std::move(decoder));
  if (!picture) return E_OUTOFMEMORY;
  const HRESULT hr = picture->QueryInterface(riid, object);
  picture->Release();
  return hr;
}
