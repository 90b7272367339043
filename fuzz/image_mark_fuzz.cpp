// Fuzz target: PNG data stamped as an image watermark onto a small loaded picture, at a
// placement and opacity that the input's length chooses, so that marks land inside, over
// every edge and off the picture. Marks of any declared size are taken: only their part on
// the 48 x 32 picture is decoded, so a header claiming millions of pixels must cost no
// more than the data it holds.
#include <cstdint>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "fuzz/png_input.h"
#include "module/iresize.h"

namespace {

constexpr int kPictureWidth = 48;
constexpr int kPictureHeight = 32;

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
}

// A 24-bit BMP with a gradient, written once: the picture every mark is stamped on.
const std::string& PicturePath() {
  static const std::string path = [] {
    const std::string p = vx::ShmPath("-mark-picture.bmp");
    const std::uint32_t row_bytes = kPictureWidth * 3;  // a multiple of 4 already
    const std::uint32_t pixel_bytes = row_bytes * kPictureHeight;
    std::vector<std::uint8_t> bmp{'B', 'M'};
    PutLittleEndian(bmp, 54 + pixel_bytes, 4);
    PutLittleEndian(bmp, 0, 4);
    PutLittleEndian(bmp, 54, 4);
    PutLittleEndian(bmp, 40, 4);
    PutLittleEndian(bmp, kPictureWidth, 4);
    PutLittleEndian(bmp, kPictureHeight, 4);
    PutLittleEndian(bmp, 1, 2);
    PutLittleEndian(bmp, 24, 2);
    for (int i = 0; i < 6; ++i) PutLittleEndian(bmp, 0, 4);
    for (int y = 0; y < kPictureHeight; ++y)
      for (int x = 0; x < kPictureWidth; ++x) bmp.insert(bmp.end(), {std::uint8_t(x * 5), std::uint8_t(y * 7), 128});
    vx::WriteInputFile(p, bmp.data(), bmp.size());
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string mark_path = vx::ShmPath("-mark.png");
  if (!vx::WriteInputFile(mark_path, data, size)) return 0;

  IResize* resize = nullptr;
  if (CreateResize(IID_IResize, reinterpret_cast<void**>(&resize)) != S_OK) return 0;
  BSTR picture = SysAllocString(vx::WideFromUtf8(PicturePath()).c_str());
  BSTR mark = SysAllocString(vx::WideFromUtf8(mark_path).c_str());
  resize->LoadSourceImage(picture);
  // Rules -1 to 5, offsets -20 to 19, positions -40 to 39, opacities -10 to 119.
  const LONG n = LONG(size);
  resize->put_MarkPos(n % 7 - 1);
  resize->put_MarkPosOffsetX(n % 40 - 20);
  resize->put_MarkPosOffsetY(n / 3 % 40 - 20);
  resize->put_MarkTransparent(n % 130 - 10);
  resize->AddImageMark(mark, n % 80 - 40, n / 7 % 80 - 40);
  resize->AddImageMark(mark, n / 11 % 80 - 40, n % 80 - 40);
  SysFreeString(picture);
  SysFreeString(mark);
  resize->Release();
  return 0;
}
