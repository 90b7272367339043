// SaveJpegImage, the one routine that writes every output file, and MakeMarkImage.
//
// The picture is read back as 24-bit rows, each pixel turned from B, G, R into R, G, B,
// and compressed by libjpeg as a baseline JPEG without chroma subsampling.
#include <csetjmp>
#include <cstdio>
#include <utility>

#include <jpeglib.h>

#include "object/extension_rule.h"
#include "object/resize.h"
#include "object/target_file.h"
#include "platform/stringapiset.h"
#include "platform/zeroed_memory.h"

namespace {

// libjpeg cannot hold a side longer than this.
constexpr LONG kJpegMaxSide = JPEG_MAX_DIMENSION;
// As for source pictures: no output of more than 2^29 pixels.
constexpr std::int64_t kMaxOutputPixels = std::int64_t{1} << 29;

struct ErrorRecord {
  jpeg_error_mgr manager;
  std::jmp_buf return_point;
};

void ExitToReturnPoint(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorRecord*>(cinfo->err)->return_point, 1);
}

void Silent(j_common_ptr) {}

// Rows are 3 bytes a pixel, padded to a multiple of 4 bytes.
std::int64_t StrideOf(LONG width) { return ((std::int64_t{width} * 24 + 31) / 32) * 4; }

// B, G, R -> R, G, B in every row; the padding after the last pixel is left alone.
void SwapRedAndBlue(BYTE* rows, std::int64_t stride, LONG width, LONG height) {
  for (LONG y = 0; y < height; ++y) {
    BYTE* p = rows + y * stride;
    for (LONG k = 0; k < width; ++k, p += 3) std::swap(p[0], p[2]);
  }
}

// Compresses the rows into the open file. Everything libjpeg needs lives in the caller's
// frame, so nothing here is lost when the library jumps back after a fatal error.
bool Compress(jpeg_compress_struct* cinfo, ErrorRecord* errors, FILE* file, BYTE* rows,
              std::int64_t stride, LONG width, LONG height, LONG quality) {
  cinfo->err = jpeg_std_error(&errors->manager);
  errors->manager.error_exit = ExitToReturnPoint;
  errors->manager.output_message = Silent;
  if (setjmp(errors->return_point)) {
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_CreateCompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  jpeg_stdio_dest(cinfo, file);
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  // No subsampling: luminance at 1 x 1 like the two colour components.
  cinfo->comp_info[0].h_samp_factor = 1;
  cinfo->comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = rows + std::int64_t{cinfo->next_scanline} * stride;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

}  // namespace

bool CResize::OutputSizeAcceptable(LONG width, LONG height) {
  // A row buffer of negative size cannot be had. Sizes of 0, and negative ones whose rows
  // come to 0 bytes, go on to the library, which refuses them.
  const std::int64_t bytes = StrideOf(width) * height;
  if (bytes < 0 || std::int64_t{width} * height > kMaxOutputPixels) {
    ErrorText = kNoMemoryForOutput;
    return false;
  }
  if (width > kJpegMaxSide || height > kJpegMaxSide) {
    ErrorText = kTargetWriteFailed;
    return false;
  }
  return true;
}

bool CResize::SaveJpegImage(BSTR path, HDC dc, HBITMAP bitmap, LONG width, LONG height) {
  if (!OutputSizeAcceptable(width, height)) return false;
  const std::int64_t stride = StrideOf(width);
  const std::size_t bytes = static_cast<std::size_t>(stride * height);
  // Zero-filled: rows that cannot be read back (no bitmap) are black.
  vx::ZeroedMemory rows(bytes);
  if (bytes && !rows.data()) {
    ErrorText = kNoMemoryForOutput;
    return false;
  }
  BYTE* buffer = static_cast<BYTE*>(rows.data());

  if (buffer) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), buffer, &info, DIB_RGB_COLORS);
    SwapRedAndBlue(buffer, stride, width, height);
  }

  vx::TargetFile target;
  if (!target.Open(vx::Utf8FromWide(path))) {
    ErrorText = kTargetOpenFailed;
    return false;
  }
  jpeg_compress_struct cinfo{};
  ErrorRecord errors{};
  if (!Compress(&cinfo, &errors, target.stream(), buffer, stride, width, height, Quality) ||
      !target.Commit()) {
    ErrorText = kTargetWriteFailed;
    return false;
  }
  return true;
}

HRESULT CResize::MakeMarkImage(BSTR strTargetImageFile) {
  if (!vx::ExtensionIsOneOf(strTargetImageFile, {u"jpg", u"jpeg"})) return S_OK;
  return SaveJpegImage(strTargetImageFile, SourceDC, SourceBitmap, SourceWidth, SourceHeight) ? S_OK : S_FALSE;
}
