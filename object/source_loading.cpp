// LoadSourceImage: reads a picture file into the object's source context.
//
// JPEG, GIF and BMP files go through the picture service from a copy of the file in
// memory; PNG files through CPngReader, which decodes the file's bytes straight into a
// new black bitmap. The file's extension alone chooses the path. A load either gives a
// picture (all of it, or the rows a broken file holds) or fails with an error text.
#include <cstdint>

#include "base/picture_limits.h"
#include "base/whole_file.h"
#include "gdi/service_picture.h"
#include "object/extension_rule.h"
#include "object/png_reader.h"
#include "object/resize.h"

namespace {

// No picture file of a size we accept comes near this.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 32;

// A bitmap whose pixels the PNG reader decodes into directly: black 32-bit words, top row
// first, with no gap between rows.
HBITMAP NewPngBitmap(HDC screen, LONG width, LONG height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Null when the PNG's pixels were decoded, else the error text that says why not.
const OLECHAR* DecodePng(CPngReader& png, void* bits) {
  switch (png.DecodeOverBlack(static_cast<std::uint32_t*>(bits))) {
    case CPngReader::Rows::kNone: return vx::error_text::kUnsupportedFormat;
    case CPngReader::Rows::kOutOfMemory: return vx::error_text::kNoMemory;
    case CPngReader::Rows::kSome:
    case CPngReader::Rows::kAll: break;
  }
  return nullptr;
}

// Null when the service drew the picture, else the error text that says why not.
const OLECHAR* RenderServicePicture(const vx::ServicePicture& service, HDC dc, LONG width,
                                    LONG height) {
  const HRESULT drawn = service.Render(dc, 0, 0, width, height);
  if (drawn == E_OUTOFMEMORY) return vx::error_text::kNoMemory;
  return FAILED(drawn) ? vx::error_text::kUnsupportedFormat : nullptr;
}

}  // namespace

HRESULT CResize::LoadSourceImage(BSTR strImageFile) {
  const bool is_png = vx::ExtensionIsOneOf(strImageFile, {OLESTR("png")});
  const bool for_service =
      vx::ExtensionIsOneOf(strImageFile, {OLESTR("jpg"), OLESTR("jpeg"), OLESTR("gif"), OLESTR("bmp")});
  if (!is_png && !for_service) {
    ErrorText = vx::error_text::kUnsupportedFormat;
    return S_FALSE;
  }

  // The file is read whole and let go once nothing reads it any more: PNG files once
  // decoded, the others once the picture service holds its own copy.
  vx::WholeFile file = vx::ReadWholeFile(strImageFile, kMaxFileBytes);
  if (file.failure != vx::FileReadFailure::kNone) {
    ErrorText = file.failure == vx::FileReadFailure::kCannotOpen ? vx::error_text::kSourceOpenFailed
                                                                 : vx::error_text::kNoMemory;
    return S_FALSE;
  }

  // The new picture's size is known before the old one is let go, so that a picture too
  // large to hold leaves the old one loaded.
  CPngReader png;
  const vx::ServicePicture service(is_png ? nullptr : file.bytes.get(), file.size);
  if (!is_png) file.bytes.reset();
  LONG width = 0, height = 0;
  bool header_read = false;
  if (is_png) {
    header_read = png.Begin(file.bytes.get(), file.size);
    width = png.width();
    height = png.height();
  } else {
    header_read = service.picture() != nullptr;
    const SIZE size = service.PixelSize();
    width = size.cx;
    height = size.cy;
  }
  if (service.out_of_memory() || (header_read && !vx::PictureSizeAcceptable(width, height))) {
    ErrorText = vx::error_text::kNoMemory;
    return S_FALSE;
  }

  // From here the old picture is gone, also when the new one cannot be shown.
  ReleaseSource();
  HDC screen = GetDC(nullptr);
  SourceDC = CreateCompatibleDC(screen);
  const OLECHAR* failure = header_read ? nullptr : vx::error_text::kUnsupportedFormat;
  void* bits = nullptr;
  if (!failure) {
    SourceBitmap = is_png ? NewPngBitmap(screen, width, height, &bits)
                          : CreateCompatibleBitmap(screen, width, height);
    if (!SourceDC || !SourceBitmap) failure = vx::error_text::kNoMemory;
  }
  if (!failure) {
    SetBkMode(SourceDC, TRANSPARENT);
    PreviousBitmap = SelectObject(SourceDC, SourceBitmap);
    failure = is_png ? DecodePng(png, bits) : RenderServicePicture(service, SourceDC, width, height);
  }
  ReleaseDC(nullptr, screen);
  if (failure) {
    // No picture came of the file: the object is as before any load.
    ReleaseSource();
    ErrorText = failure;
    return S_FALSE;
  }
  SourceWidth = width;
  SourceHeight = height;
  return S_OK;
}
