// DIB sections: bitmaps whose pixel memory their creator addresses directly.
#include <cstdint>
#include <memory>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  if (bits) *bits = nullptr;
  if ((hdc && !FindDc(hdc)) || !info || usage != DIB_RGB_COLORS || section || offset) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) return nullptr;
  if ((h.biBitCount != 24 && h.biBitCount != 32) || h.biWidth <= 0 || h.biHeight == 0 ||
      h.biHeight == INT32_MIN) {
    return nullptr;
  }
  const int width = h.biWidth;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (std::int64_t{width} * height > vx::kMaxPicturePixels) return nullptr;
  const int bytes = h.biBitCount / 8;
  const std::ptrdiff_t stride = ((std::ptrdiff_t(width) * bytes + 3) / 4) * 4;
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->memory = vx::ZeroedMemory(std::size_t(stride) * std::size_t(height));
  if (!bitmap->memory.data()) return nullptr;
  bitmap->width = width;
  bitmap->height = height;
  bitmap->section_bits = bitmap->memory.data();
  auto* memory = static_cast<std::uint8_t*>(bitmap->memory.data());
  if (bytes == 4) {
    // 32-bit rows are the layer's own words: every call draws on them, top-down or
    // bottom-up.
    const bool top_down = h.biHeight < 0;
    bitmap->row_step = top_down ? width : -std::ptrdiff_t(width);
    bitmap->pixels = reinterpret_cast<std::uint32_t*>(memory) + (top_down ? 0 : std::ptrdiff_t(width) * (height - 1));
  } else {
    bitmap->dib.bytes_per_pixel = bytes;
    bitmap->dib.stride = h.biHeight < 0 ? stride : -stride;
    bitmap->dib.top_row = h.biHeight < 0 ? memory : memory + stride * (height - 1);
  }
  if (bits) *bits = bitmap->section_bits;
  return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}
