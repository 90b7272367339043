// LoadSourceImage: reads a picture file into the object's source context.
//
// JPEG, GIF and BMP files go through the picture service from a copy of the file in
// memory; PNG files through CPngReader, which decodes the file's bytes straight into a
// new bitmap, over black or the BackgroundColor. The file's extension alone chooses the
// path. A JPEG that is to be decoded smaller (LoadMinWidth, LoadMinHeight), turned
// upright (AutoOrient) or converted to sRGB (ColorManage) goes to the object's own reader
// instead (jpeg_source_loading.cpp); with those settings at 0 every file takes the path it
// always took. A PNG is converted by its iCCP, gAMA and cHRM chunks with ColorManage; GIF
// and BMP files are taken as sRGB. With KeepMetadata the JPEG's and PNG's metadata is kept
// for every output (GIF and BMP files have none). A load either gives a picture (all of
// it, or the rows a broken file holds) or fails with an error text.
#include <cstdint>
#include <utility>

#include "base/picture_limits.h"
#include "base/whole_file.h"
#include "gdi/dib_words.h"
#include "gdi/service_picture.h"
#include "object/exif_orientation.h"
#include "object/extension_rule.h"
#include "object/orientation.h"
#include "object/png_exif_chunk.h"
#include "object/png_metadata.h"
#include "object/png_reader.h"
#include "object/resize.h"

namespace {

// No picture file of a size we accept comes near this.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 32;

// A bitmap whose pixels are written directly: black 32-bit words, top row first, with no
// gap between rows.
HBITMAP NewTopDownSection(HDC dc, LONG width, LONG height, void** bits) {
  const BITMAPINFO info = vx::TopDownDibInfo(width, height);
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// The DIB word (0x00RRGGBB) of a colour given as 0x00BBGGRR.
std::uint32_t DibWordOf(OLE_COLOR color) {
  return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

// Null when the PNG's pixels were decoded, else the error text that says why not.
const OLECHAR* DecodePng(CPngReader& png, std::uint32_t* words, OLE_COLOR background) {
  switch (png.DecodeOver(words, DibWordOf(background))) {
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

// Sets the PNG's conversion to sRGB: its iCCP profile, which then describes the stored
// values (the file gamma is not applied), else its gAMA and cHRM chunks, whose gamma libpng
// applies as it decodes.
void PreparePngConversion(CPngReader& png, vx::ColourConversion& conversion) {
  vx::PngColourChunks chunks = png.ColourChunks();
  const bool by_profile = conversion.FromProfile(chunks.icc_profile, vx::SourcePixels::kBgrx);
  if (!by_profile) {
    chunks.icc_profile.clear();  // tried already
    conversion.FromPngChunks(chunks, vx::SourcePixels::kBgrx, true);
  }
  png.ConvertWith(&conversion, by_profile);
}

// Fills the picture's rectangle with a colour, for the transparent pixels of a GIF that
// the service leaves as they were.
void FillBackground(HDC dc, LONG width, LONG height, OLE_COLOR color) {
  HBRUSH brush = CreateSolidBrush(color & 0x00FFFFFF);
  const RECT all = {0, 0, width, height};
  if (brush) FillRect(dc, &all, brush);
  if (brush) DeleteObject(brush);
}

}  // namespace

const OLECHAR* CResize::NewSourceSection(HDC screen, LONG width, LONG height) {
  SourceDC = CreateCompatibleDC(screen);
  void* bits = nullptr;
  SourceBitmap = SourceDC ? NewTopDownSection(screen, width, height, &bits) : nullptr;
  if (!SourceDC || !SourceBitmap) return vx::error_text::kNoMemory;
  SetBkMode(SourceDC, TRANSPARENT);
  PreviousBitmap = SelectObject(SourceDC, SourceBitmap);
  SourceWords = static_cast<std::uint32_t*>(bits);
  SourceWidth = width;
  SourceHeight = height;
  return nullptr;
}

const OLECHAR* CResize::TurnSourceUpright(int orientation) {
  if (vx::OrientInPlace(SourceWords, SourceWidth, SourceHeight, SourceWidth, orientation)) return nullptr;
  // A quarter turn cannot be made in place: the upright picture is a second section.
  void* bits = nullptr;
  HBITMAP upright = NewTopDownSection(SourceDC, SourceHeight, SourceWidth, &bits);
  if (!upright) return vx::error_text::kNoMemory;
  vx::PlaceOrientedRows(SourceWords, SourceWidth, 0, SourceHeight, SourceWidth, SourceHeight, orientation,
                        static_cast<std::uint32_t*>(bits), SourceHeight);
  SelectObject(SourceDC, upright);
  DeleteObject(SourceBitmap);
  SourceBitmap = upright;
  SourceWords = static_cast<std::uint32_t*>(bits);
  std::swap(SourceWidth, SourceHeight);
  return nullptr;
}

HRESULT CResize::LoadSourceImage(BSTR strImageFile) {
  const bool is_png = vx::ExtensionIsOneOf(strImageFile, {OLESTR("png")});
  const bool is_jpeg = vx::ExtensionIsOneOf(strImageFile, {OLESTR("jpg"), OLESTR("jpeg")});
  const bool is_gif = vx::ExtensionIsOneOf(strImageFile, {OLESTR("gif")});
  const bool for_service = is_jpeg || is_gif || vx::ExtensionIsOneOf(strImageFile, {OLESTR("bmp")});
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

  vx::PictureMetadata kept;  // what outputs carry of the file (KeepMetadata)
  if (is_jpeg && (AutoOrient || LoadMinWidth > 0 || LoadMinHeight > 0 || ColorManage || KeepMetadata)) {
    bool used = false;
    const HRESULT loaded = LoadJpegWithReader(file.bytes.get(), file.size, &used, &kept);
    if (used) return loaded;
  }

  // The new picture's size is known before the old one is let go, so that a picture too
  // large to hold leaves the old one loaded.
  CPngReader png;
  const vx::ServicePicture service(is_png ? nullptr : file.bytes.get(), file.size);
  int orientation = vx::kUpright;
  if (is_png && AutoOrient) orientation = vx::ExifOrientation(vx::PngExifChunk({file.bytes.get(), file.size}));
  if (!is_png) file.bytes.reset();
  LONG width = 0, height = 0;
  bool header_read = false;
  vx::ColourConversion conversion;
  if (is_png) {
    header_read = png.Begin(file.bytes.get(), file.size);
    width = png.width();
    height = png.height();
    if (header_read && ColorManage) PreparePngConversion(png, conversion);
    if (KeepMetadata) {
      kept = vx::PngSourceMetadata({file.bytes.get(), file.size}, orientation != vx::kUpright);
      kept.icc = vx::OutputProfile(std::move(kept.icc), conversion.active());
    }
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
  const OLECHAR* failure = header_read ? nullptr : vx::error_text::kUnsupportedFormat;
  if (is_png) {
    if (!failure) failure = NewSourceSection(screen, width, height);
    if (!failure) failure = DecodePng(png, SourceWords, BackgroundColor);
    if (!failure && orientation != vx::kUpright) failure = TurnSourceUpright(orientation);
  } else {
    if (!failure && ResampleFilter != 0) {
      // Thumbnails resampled by a filter read the pixels where they lie, in a section of
      // ours; with the default pick the bitmap is the screen-compatible one it always was.
      failure = NewSourceSection(screen, width, height);
    } else {
      SourceDC = CreateCompatibleDC(screen);
      if (!failure) {
        SourceBitmap = CreateCompatibleBitmap(screen, width, height);
        if (!SourceDC || !SourceBitmap) failure = vx::error_text::kNoMemory;
      }
      if (!failure) {
        SetBkMode(SourceDC, TRANSPARENT);
        PreviousBitmap = SelectObject(SourceDC, SourceBitmap);
      }
    }
    if (!failure) {
      if (is_gif && BackgroundColor != 0) FillBackground(SourceDC, width, height, BackgroundColor);
      failure = RenderServicePicture(service, SourceDC, width, height);
      SourceWidth = width;
      SourceHeight = height;
    }
  }
  ReleaseDC(nullptr, screen);
  if (failure) {
    // No picture came of the file: the object is as before any load.
    ReleaseSource();
    ErrorText = failure;
    return S_FALSE;
  }
  SourceFileWidth = SourceWidth;
  SourceFileHeight = SourceHeight;
  if (KeepMetadata) SourceSegments = vx::SegmentsForOutput(kept);
  return S_OK;
}
