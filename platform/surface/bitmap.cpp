// Bitmaps and the transfer of their pixels to and from device-independent buffers.
#include <algorithm>
#include <cstring>

#include <immintrin.h>

#include "platform/gdi.h"
#include "platform/surface/logical_font.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

namespace {

// What a BITMAPINFO describes: size, row order and row length in bytes.
struct DibLayout {
  int width = 0;
  int height = 0;  // always positive
  bool top_down = false;
  int bits = 0;  // 24 or 32
  std::size_t stride = 0;

  // Row of the DIB counted from the top of the picture -> offset of that row in the
  // buffer, when the buffer starts with scan line `first_scan`.
  // Scan lines count from the bottom in a bottom-up DIB and from the top otherwise.
  long BufferRow(int top_row, int first_scan) const {
    const int scan = top_down ? top_row : height - 1 - top_row;
    return scan - first_scan;
  }
};

bool ReadLayout(const BITMAPINFO* info, DibLayout& layout) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0) return false;
  if (h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (h.biBitCount != 24 && h.biBitCount != 32) return false;
  if (h.biHeight == INT32_MIN) return false;
  layout.width = h.biWidth;
  layout.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  layout.top_down = h.biHeight < 0;
  layout.bits = h.biBitCount;
  layout.stride = ((std::size_t(layout.width) * layout.bits + 31) / 32) * 4;
  return true;
}

void WordsToBgrPlain(const std::uint32_t* src, BYTE* dst, int count) {
  for (int i = 0; i < count; ++i, dst += 3) {
    const std::uint32_t w = src[i];
    dst[0] = static_cast<BYTE>(w);
    dst[1] = static_cast<BYTE>(w >> 8);
    dst[2] = static_cast<BYTE>(w >> 16);
  }
}

// Four pixels a step with one byte shuffle. Each step stores 16 bytes of which 12 are
// pixels; the loop stops while at least two pixels remain, so the 4 extra bytes always
// land on pixels still to be written and never past the row.
[[gnu::target("ssse3")]] void WordsToBgrShuffled(const std::uint32_t* src, BYTE* dst, int count) {
  const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int i = 0;
  for (; i + 6 <= count; i += 4, dst += 12) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(words, pick));
  }
  WordsToBgrPlain(src + i, dst, count - i);
}

// 24-bit reads of a bitmap (GetDIBits) go through here.
void WordsToBgr(const std::uint32_t* src, BYTE* dst, int count) {
  static const bool shuffles = __builtin_cpu_supports("ssse3");
  if (shuffles) {
    WordsToBgrShuffled(src, dst, count);
  } else {
    WordsToBgrPlain(src, dst, count);
  }
}

void BgrToWords(const BYTE* src, std::uint32_t* dst, int count) {
  for (int i = 0; i < count; ++i) {
    dst[i] = src[0] | (std::uint32_t{src[1]} << 8) | (std::uint32_t{src[2]} << 16);
    src += 3;
  }
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (!FindDc(hdc) || width < 0 || height < 0) return nullptr;
  // GDI answers a zero size with a one-pixel bitmap.
  if (width == 0 || height == 0) return NewBitmap(1, 1);
  return NewBitmap(width, height);
}

int GetObjectW(HANDLE handle, int size, LPVOID out) {
  if (int font = GetFontObjectW(handle, size, out); font >= 0) return font;
  Bitmap* bitmap = FindBitmap(handle);
  if (!bitmap) return 0;
  if (!out) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP info{};
  info.bmWidth = bitmap->width;
  info.bmHeight = bitmap->height;
  const int bytes = bitmap->dib.top_row ? bitmap->dib.bytes_per_pixel : 4;
  info.bmWidthBytes = ((bitmap->width * bytes + 3) / 4) * 4;
  info.bmPlanes = 1;
  info.bmBitsPixel = WORD(bytes * 8);
  info.bmBits = bitmap->section_bits;
  std::memcpy(out, &info, sizeof info);
  return sizeof(BITMAP);
}

int GetObjectA(HANDLE handle, int size, LPVOID out) {
  if (int font = GetFontObjectA(handle, size, out); font >= 0) return font;
  return GetObjectW(handle, size, out);
}

int GetDIBits(HDC hdc, HBITMAP hbitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  Bitmap* bitmap = FindBitmap(hbitmap);
  if (!FindDc(hdc) || !bitmap || !bitmap->pixels || !info || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits) {
    // Describe the bitmap instead of copying it.
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    if (h.biBitCount == 0) {
      h.biWidth = bitmap->width;
      h.biHeight = bitmap->height;
      h.biPlanes = 1;
      h.biBitCount = 32;
      h.biCompression = BI_RGB;
    }
    DibLayout layout;
    if (!ReadLayout(info, layout)) return 0;
    h.biSizeImage = static_cast<DWORD>(layout.stride * layout.height);
    return bitmap->height;
  }
  DibLayout layout;
  if (!ReadLayout(info, layout)) return 0;
  const int columns = std::min(layout.width, bitmap->width);
  const std::int64_t first = start;
  const std::int64_t end = std::min<std::int64_t>(first + lines, layout.height);
  int copied = 0;
  for (std::int64_t scan = first; scan < end; ++scan) {
    const int top_row = layout.top_down ? int(scan) : layout.height - 1 - int(scan);
    if (top_row >= bitmap->height) continue;
    const std::uint32_t* src = bitmap->pixels + std::ptrdiff_t(top_row) * bitmap->row_step;
    BYTE* dst = static_cast<BYTE*>(bits) + std::size_t(scan - first) * layout.stride;
    if (layout.bits == 32) {
      std::memcpy(dst, src, std::size_t(columns) * 4);
    } else {
      WordsToBgr(src, dst, columns);
    }
    ++copied;
  }
  return copied;
}

int SetDIBitsToDevice(HDC hdc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src,
                      int y_src, UINT start_scan, UINT lines, const void* bits,
                      const BITMAPINFO* info, UINT usage) {
  Dc* dc = FindDc(hdc);
  DibLayout layout;
  if (!dc || !bits || usage != DIB_RGB_COLORS || !ReadLayout(info, layout)) return 0;
  const std::int64_t band_end = std::min<std::int64_t>(std::int64_t{start_scan} + lines, layout.height);
  const int band_lines = band_end > start_scan ? int(band_end - start_scan) : 0;
  const Surface surface = SurfaceOf(*dc);
  if (!surface.writable || width == 0 || height == 0) return band_lines;

  const std::int64_t w = std::min<std::int64_t>(width, INT32_MAX);
  const std::int64_t h = std::min<std::int64_t>(height, INT32_MAX);
  // Source rectangle in top-down DIB rows; in a bottom-up DIB y_src is its lower edge.
  const std::int64_t src_top = layout.top_down ? std::int64_t{y_src} : layout.height - (std::int64_t{y_src} + h);
  for (std::int64_t j = 0; j < h; ++j) {
    const std::int64_t dest_y = std::int64_t{y_dest} + j;
    const std::int64_t dib_row = src_top + j;
    if (dest_y < 0 || dest_y >= surface.height || dib_row < 0 || dib_row >= layout.height) continue;
    const long buffer_row = layout.BufferRow(int(dib_row), int(start_scan));
    if (buffer_row < 0 || buffer_row >= band_lines) continue;
    // Columns that lie both on the DIB and on the surface.
    std::int64_t i0 = std::max<std::int64_t>({0, -std::int64_t{x_src}, -std::int64_t{x_dest}});
    std::int64_t i1 = std::min<std::int64_t>({w, layout.width - std::int64_t{x_src}, surface.width - std::int64_t{x_dest}});
    if (i1 <= i0) continue;
    const BYTE* src_row = static_cast<const BYTE*>(bits) + std::size_t(buffer_row) * layout.stride;
    std::uint32_t* dst = surface.Row(int(dest_y)) + (x_dest + i0);
    const std::int64_t src_x = x_src + i0;
    if (layout.bits == 32) {
      std::memcpy(dst, src_row + src_x * 4, std::size_t(i1 - i0) * 4);
    } else {
      BgrToWords(src_row + src_x * 3, dst, int(i1 - i0));
    }
  }
  return band_lines;
}
