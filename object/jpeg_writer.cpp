// SaveJpegImage, the one routine that writes every output file, and MakeMarkImage.
//
// The picture is read back as rows of B, G, R pixels and compressed by libjpeg, a
// baseline JPEG without chroma subsampling unless the object's output choices say
// otherwise, with the metadata the object kept of its source. The target appears only
// when the whole file has been written.
#include "object/jpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "base/atomic_file.h"
#include "base/jpeg_error_jump.h"
#include "base/picture_limits.h"
#include "base/zeroed_memory.h"
#include "object/error_texts.h"
#include "object/extension_rule.h"
#include "object/resize.h"

namespace {

// libjpeg cannot hold a side longer than this.
constexpr LONG kJpegMaxSide = JPEG_MAX_DIMENSION;

// The length of a 24-bit row of the picture (3 bytes a pixel, padded to a multiple of 4
// bytes): what such rows would take decides which pictures are refused for memory.
std::int64_t StrideOf(LONG width) { return ((std::int64_t{width} * 24 + 31) / 32) * 4; }

// The picture as the compressor takes it: the bitmap's own 32-bit rows (B, G, R and an
// unused byte), top row first, read back a band at a time, so that the picture is never
// held twice and no pass over it reorders bytes: libjpeg reads B, G, R from where they lie
// and makes the same samples as from R, G, B rows.
class RowSource {
 public:
  RowSource(HDC dc, HBITMAP bitmap, LONG width, LONG height)
      : dc_(dc), bitmap_(bitmap), width_(width), height_(height), stride_(std::int64_t{width} * 4) {
    band_rows_ = stride_ > 0 ? std::max<std::int64_t>(1, kBandBytes / stride_) : 1;
    band_rows_ = std::min<std::int64_t>(band_rows_, std::max<LONG>(height, 1));
    band_ = vx::ZeroedMemory(static_cast<std::size_t>(std::max<std::int64_t>(stride_, 1) * band_rows_));
    if (band_.data()) rows_.reset(new (std::nothrow) JSAMPROW[static_cast<std::size_t>(band_rows_)]);
  }

  bool Ready() const { return rows_ != nullptr; }

  // The rows from `first` (counted from the top) to the end of the band that holds it, top
  // row first; `count` says how many. Rows are asked for in order.
  JSAMPARRAY Band(LONG first, JDIMENSION* count) {
    ReadBand(first);
    *count = static_cast<JDIMENSION>(band_count_);
    return rows_.get();
  }

 private:
  static constexpr std::int64_t kBandBytes = 256 << 10;

  void ReadBand(LONG first) {
    band_count_ = static_cast<LONG>(std::min<std::int64_t>(band_rows_, height_ - first));
    BYTE* band = static_cast<BYTE*>(band_.data());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    // A bottom-up description: scan lines count from the bottom row, the one way of
    // reading part of a bitmap that every GDI agrees on. The band is stored bottom row
    // first.
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const UINT first_scan = static_cast<UINT>(height_ - (first + band_count_));
    const int read = GetDIBits(dc_, bitmap_, first_scan, static_cast<UINT>(band_count_), band, &info,
                               DIB_RGB_COLORS);
    // Rows that could not be read back (no bitmap, as before any load) are black.
    if (read < band_count_) std::fill(band, band + band_count_ * stride_, BYTE{0});
    for (LONG y = 0; y < band_count_; ++y) rows_[y] = band + (band_count_ - 1 - y) * stride_;
  }

  HDC dc_;
  HBITMAP bitmap_;
  LONG width_, height_;
  std::int64_t stride_;
  std::int64_t band_rows_ = 1;
  LONG band_count_ = 0;
  vx::ZeroedMemory band_;
  std::unique_ptr<JSAMPROW[]> rows_;
};

// Compresses the rows into the open file. Everything libjpeg needs lives in the caller's
// frame, so nothing here is lost when the library jumps back after a fatal error.
bool Compress(jpeg_compress_struct* cinfo, vx::JpegErrorJump* errors, FILE* file, RowSource* rows,
              LONG width, LONG height, const vx::JpegOutputSettings& settings) {
  cinfo->err = errors->Install();
  if (setjmp(errors->return_point)) {
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_CreateCompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  jpeg_stdio_dest(cinfo, file);
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = 4;
  cinfo->in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(cinfo);
  // No subsampling: luminance at 1 x 1 like the two colour components.
  cinfo->comp_info[0].h_samp_factor = 1;
  cinfo->comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(cinfo, settings.quality, TRUE);
  // The object only holds subsamplings that exist: the choices always apply.
  vx::ApplyOutputChoices(*cinfo, settings.choices);
  jpeg_start_compress(cinfo, TRUE);
  if (settings.segments) vx::WriteSegments(*cinfo, *settings.segments);
  while (cinfo->next_scanline < cinfo->image_height) {
    JDIMENSION count = 0;
    JSAMPARRAY band = rows->Band(static_cast<LONG>(cinfo->next_scanline), &count);
    // The library takes every row it is given: it stops short only for a suspending
    // destination, which the stdio one is not.
    jpeg_write_scanlines(cinfo, band, count);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

}  // namespace

namespace vx {

const OLECHAR* OutputSizeRefusal(LONG width, LONG height) {
  // Nothing here may overflow: the row buffer's size is judged by its sign alone, and the
  // pixel count of two 32-bit sides fits in 64 bits.
  const std::int64_t stride = StrideOf(width);
  const bool negative_buffer = (stride < 0 && height > 0) || (stride > 0 && height < 0);
  if (negative_buffer || std::int64_t{width} * height > kMaxPicturePixels) return error_text::kNoMemoryForOutput;
  if (width > kJpegMaxSide || height > kJpegMaxSide) return error_text::kTargetWriteFailed;
  return nullptr;
}

const OLECHAR* WriteJpegFile(const OLECHAR* path, HDC dc, HBITMAP bitmap, LONG width, LONG height,
                             const JpegOutputSettings& settings) {
  if (const OLECHAR* refusal = OutputSizeRefusal(width, height)) return refusal;
  AtomicFile target;
  if (!target.Open(path)) return error_text::kTargetOpenFailed;
  RowSource rows(dc, bitmap, width, height);
  if (!rows.Ready()) return error_text::kNoMemoryForOutput;
  jpeg_compress_struct cinfo{};
  vx::JpegErrorJump errors{};
  if (!Compress(&cinfo, &errors, target.stream(), &rows, width, height, settings) || !target.Commit())
    return error_text::kTargetWriteFailed;
  return nullptr;
}

}  // namespace vx

bool CResize::OutputSizeAcceptable(LONG width, LONG height) {
  if (const OLECHAR* refusal = vx::OutputSizeRefusal(width, height)) {
    ErrorText = refusal;
    return false;
  }
  return true;
}

bool CResize::SaveJpegImage(BSTR path, HDC dc, HBITMAP bitmap, LONG width, LONG height) {
  vx::JpegOutputSettings settings;
  settings.quality = Quality;
  settings.choices.progressive = Progressive;
  settings.choices.chroma_subsampling = static_cast<int>(ChromaSubsampling);
  settings.choices.optimize_coding = OptimizeCoding;
  if (!SourceSegments.segments.empty()) settings.segments = &SourceSegments;
  if (const OLECHAR* failure = vx::WriteJpegFile(path, dc, bitmap, width, height, settings)) {
    ErrorText = failure;
    return false;
  }
  return true;
}

HRESULT CResize::MakeMarkImage(BSTR strTargetImageFile) {
  if (!vx::ExtensionIsOneOf(strTargetImageFile, {OLESTR("jpg"), OLESTR("jpeg")})) return S_OK;
  return SaveJpegImage(strTargetImageFile, SourceDC, SourceBitmap, SourceWidth, SourceHeight) ? S_OK : S_FALSE;
}
