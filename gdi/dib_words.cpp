#include "gdi/dib_words.h"

namespace vx {

BITMAPINFO TopDownDibInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool ReadDibWords(HDC dc, HBITMAP bitmap, int width, int height, std::uint32_t* words) {
  BITMAPINFO info = TopDownDibInfo(width, height);
  return GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), words, &info, DIB_RGB_COLORS) ==
         height;
}

void WriteDibWords(HDC target, int x, int y, int width, int height, const std::uint32_t* words) {
  const BITMAPINFO info = TopDownDibInfo(width, height);
  SetDIBitsToDevice(target, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), words, &info, DIB_RGB_COLORS);
}

}  // namespace vx
