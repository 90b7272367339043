// BMP pictures: the Windows and OS/2 bitmap file formats, read without any library.
//
// Open reads the headers, applies the rules below and walks whatever has to be walked
// (RLE streams, palette indices) to know that every pixel can be drawn; Decode then draws
// straight from the file's bytes into the caller's rows and allocates nothing.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>

#include "platform/codecs/picture_decoder.h"

namespace vx {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;      // OS/2 1.x, 16-bit sizes, 3-byte palette
constexpr std::uint32_t kLargestHeaderSize = 124;  // BITMAPV5HEADER

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Read32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

// The header sizes that were ever written: OS/2 1.x (12), OS/2 2.x (16 to 64, of which
// 16 and 64 are used), Windows 3 (40), the undocumented V2 and V3 (52, 56), V4 and V5.
bool IsKnownHeaderSize(std::uint32_t size) {
  switch (size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
      return true;
    default:
      return false;
  }
}

// OS/2 2.x headers give compression 3 and 4 other meanings (Huffman 1D, RLE24); neither
// is supported, so for them only 0, 1 and 2 are read.
bool IsOs2Header(std::uint32_t size) { return size == 16 || size == 64; }

// The info header's fields, whatever its version; fields a short header leaves out are 0.
struct InfoHeader {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top-down
  std::uint16_t planes = 0;
  std::uint16_t bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t image_size = 0;
  std::int32_t x_density = 0;  // pixels per metre
  std::int32_t y_density = 0;
  std::uint32_t colors_used = 0;
  std::uint32_t masks[3] = {};  // red, green, blue; only from V2 headers on
};

bool ReadInfoHeader(const std::uint8_t* data, std::size_t size, InfoHeader& h) {
  h.size = Read32(data + kFileHeaderSize);
  if (!IsKnownHeaderSize(h.size) || size < kFileHeaderSize + h.size) return false;
  std::uint8_t field[kLargestHeaderSize] = {};
  std::memcpy(field, data + kFileHeaderSize, h.size);
  if (h.size == kCoreHeaderSize) {
    h.width = Read16(field + 4);
    h.height = Read16(field + 6);
    h.planes = Read16(field + 8);
    h.bits = Read16(field + 10);
    return true;
  }
  h.width = static_cast<std::int32_t>(Read32(field + 4));
  h.height = static_cast<std::int32_t>(Read32(field + 8));
  h.planes = Read16(field + 12);
  h.bits = Read16(field + 14);
  h.compression = Read32(field + 16);
  h.image_size = Read32(field + 20);
  h.x_density = static_cast<std::int32_t>(Read32(field + 24));
  h.y_density = static_cast<std::int32_t>(Read32(field + 28));
  h.colors_used = Read32(field + 32);
  for (int i = 0; i < 3; ++i) h.masks[i] = Read32(field + 40 + 4 * i);
  return true;
}

// Both densities known and one over a hundred times the other: no device has such
// pixels, so the header is garbage.
bool HasAbsurdDensities(const InfoHeader& h) {
  if (h.x_density <= 0 || h.y_density <= 0) return false;
  const std::int64_t x = h.x_density, y = h.y_density;
  return x > 100 * y || y > 100 * x;
}

bool IsSupportedEncoding(const InfoHeader& h) {
  switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  switch (h.compression) {
    case kRgb: return true;
    // RLE counts rows from the bottom; a top-down RLE bitmap is not defined.
    case kRle8: return h.bits == 8 && h.height > 0;
    case kRle4: return h.bits == 4 && h.height > 0;
    case kBitFields: return (h.bits == 16 || h.bits == 32) && !IsOs2Header(h.size);
    default: return false;
  }
}

// One colour channel of a bit-field pixel, brought to 8 bits with rounding: a 5-bit 31
// and a 10-bit 1023 both become 255.
class Channel {
 public:
  // False for an empty mask or one whose bits are not one contiguous run.
  bool Set(std::uint32_t mask) {
    if (mask == 0) return false;
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
    if ((max_ & (max_ + 1)) != 0) return false;
    mask_ = mask;
    return true;
  }
  std::uint32_t mask() const { return mask_; }
  std::uint32_t Of(std::uint32_t pixel) const {
    const std::uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<std::uint32_t>((value * 255 + max_ / 2) / max_);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  std::uint32_t max_ = 1;
};

// Palette index of pixel x in a row of 1, 4 or 8 bits per pixel; the leftmost pixel of a
// byte sits in its high bits.
unsigned PaletteIndex(const std::uint8_t* row, std::int64_t x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
    default: return row[x];
  }
}

class BmpDecoder : public PictureDecoder {
 public:
  // Reads and checks everything; false when the data is not a BMP that can be shown.
  bool Open(const std::uint8_t* data, std::size_t size);
  DecodeResult Decode(std::uint32_t* rows, std::ptrdiff_t stride) override;

 private:
  bool ReadPalette(const InfoHeader& h, const std::uint8_t* data, std::size_t start,
                   std::size_t end);
  bool ReadMasks(const InfoHeader& h, const std::uint8_t* data, std::size_t size);
  bool HasPixelRows() const;
  bool IndicesInPalette() const;
  void DrawRows(std::uint32_t* rows, std::ptrdiff_t stride) const;
  bool WalkRle(std::uint32_t* rows, std::ptrdiff_t stride) const;

  int bits_ = 0;
  Compression compression_ = kRgb;
  bool top_down_ = false;
  std::array<std::uint32_t, 256> palette_{};
  unsigned palette_size_ = 0;
  Channel red_, green_, blue_;
  const std::uint8_t* pixels_ = nullptr;
  std::size_t pixel_bytes_ = 0;  // from the pixel offset to the end of the pixel data
  std::size_t stride_ = 0;       // bytes per stored row, uncompressed only
};

bool BmpDecoder::Open(const std::uint8_t* data, std::size_t size) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return false;
  // A file size field larger than the data means a cut file or a garbage field; smaller
  // values are common (0, or the size of the headers only) and harmless.
  if (Read32(data + 2) > size) return false;
  const std::uint32_t pixel_offset = Read32(data + 10);

  InfoHeader h;
  if (!ReadInfoHeader(data, size, h)) return false;
  if (h.planes != 1 || h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return false;
  if (HasAbsurdDensities(h) || !IsSupportedEncoding(h)) return false;
  width_ = static_cast<int>(h.width);
  height_ = static_cast<int>(h.height < 0 ? -h.height : h.height);
  top_down_ = h.height < 0;
  bits_ = h.bits;
  compression_ = static_cast<Compression>(h.compression);

  // The palette follows the headers (and the three masks that follow a 40-byte header of
  // a bit-field picture); the pixels cannot start before it.
  std::size_t palette_start = kFileHeaderSize + h.size;
  if (h.size == 40 && compression_ == kBitFields) palette_start += 12;
  if (pixel_offset < palette_start || pixel_offset > size) return false;
  if (!ReadMasks(h, data, size) || !ReadPalette(h, data, palette_start, pixel_offset)) {
    return false;
  }

  // The pixel data claimed by the header must be there.
  pixels_ = data + pixel_offset;
  pixel_bytes_ = size - pixel_offset;
  if (h.image_size > pixel_bytes_) return false;
  if (compression_ == kRle4 || compression_ == kRle8) {
    if (h.image_size != 0) pixel_bytes_ = h.image_size;
    return WalkRle(nullptr, 0);
  }
  stride_ = static_cast<std::size_t>((std::uint64_t(width_) * bits_ + 31) / 32 * 4);
  return HasPixelRows() && IndicesInPalette();
}

// Pictures of up to 8 bits take their colours from the palette: as many entries as the
// header says (all 2^bits when it says 0, and always all for OS/2 1.x), but never more
// than 2^bits, and only those that lie before the pixels (short OS/2 palettes).
bool BmpDecoder::ReadPalette(const InfoHeader& h, const std::uint8_t* data,
                             std::size_t start, std::size_t end) {
  if (bits_ > 8) return true;
  const std::uint32_t largest = 1u << bits_;
  const bool core = h.size == kCoreHeaderSize;
  const std::uint32_t declared = core || h.colors_used == 0 ? largest : h.colors_used;
  if (declared > largest) return false;
  const std::size_t entry_size = core ? 3 : 4;
  palette_size_ = static_cast<unsigned>(std::min<std::size_t>(declared, (end - start) / entry_size));
  for (unsigned i = 0; i < palette_size_; ++i) {
    const std::uint8_t* bgr = data + start + i * entry_size;
    palette_[i] = kOpaque | bgr[2] << 16 | bgr[1] << 8 | bgr[0];
  }
  return true;
}

// Channels of 16- and 32-bit pixels: the default layouts (5-5-5 and 8-8-8) or the masks
// of a bit-field picture, which must be non-empty runs of bits inside the pixel that do
// not overlap. Alpha is not read.
bool BmpDecoder::ReadMasks(const InfoHeader& h, const std::uint8_t* data, std::size_t size) {
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bits_ == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  if (compression_ == kBitFields) {
    if (h.size == 40) {
      const std::size_t at = kFileHeaderSize + h.size;
      if (size < at + 12) return false;
      for (int i = 0; i < 3; ++i) masks[i] = Read32(data + at + 4 * i);
    } else {
      std::copy(h.masks, h.masks + 3, masks);
    }
  }
  if (bits_ != 16 && bits_ != 32) return true;
  if (!red_.Set(masks[0]) || !green_.Set(masks[1]) || !blue_.Set(masks[2])) return false;
  const std::uint64_t pixel = bits_ == 16 ? 0xFFFF : 0xFFFFFFFF;
  const std::uint64_t all = std::uint64_t{red_.mask()} | green_.mask() | blue_.mask();
  const bool overlap = (red_.mask() & green_.mask()) || (red_.mask() & blue_.mask()) ||
                       (green_.mask() & blue_.mask());
  return !overlap && (all & ~pixel) == 0;
}

// Every row's pixels must be in the data; only the padding of the last row may be cut.
bool BmpDecoder::HasPixelRows() const {
  const std::uint64_t row_bytes = (std::uint64_t(width_) * bits_ + 7) / 8;
  return pixel_bytes_ >= row_bytes &&
         (pixel_bytes_ - row_bytes) / stride_ >= static_cast<std::uint64_t>(height_ - 1);
}

// A palette index beyond the palette has no colour: such a file is refused.
bool BmpDecoder::IndicesInPalette() const {
  if (bits_ > 8 || palette_size_ >= (1u << bits_)) return true;
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row = pixels_ + std::size_t(y) * stride_;
    for (int x = 0; x < width_; ++x) {
      if (PaletteIndex(row, x, bits_) >= palette_size_) return false;
    }
  }
  return true;
}

DecodeResult BmpDecoder::Decode(std::uint32_t* rows, std::ptrdiff_t stride) {
  if (!rows) return DecodeResult::kNothing;
  // Open walked the same stream: it does not break here.
  if (compression_ == kRle4 || compression_ == kRle8) {
    return WalkRle(rows, stride) ? DecodeResult::kWhole : DecodeResult::kPart;
  }
  DrawRows(rows, stride);
  return DecodeResult::kWhole;
}

void BmpDecoder::DrawRows(std::uint32_t* rows, std::ptrdiff_t stride) const {
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* in = pixels_ + std::size_t(y) * stride_;
    std::uint32_t* out = rows + (top_down_ ? y : height_ - 1 - y) * stride;
    for (int x = 0; x < width_; ++x) {
      switch (bits_) {
        case 24:
          out[x] = kOpaque | in[3 * x + 2] << 16 | in[3 * x + 1] << 8 | in[3 * x];
          break;
        case 16:
        case 32: {
          const std::uint32_t pixel = bits_ == 16 ? Read16(in + 2 * x) : Read32(in + 4 * x);
          out[x] = kOpaque | red_.Of(pixel) << 16 | green_.Of(pixel) << 8 | blue_.Of(pixel);
          break;
        }
        default:
          out[x] = palette_[PaletteIndex(in, x, bits_)];
      }
    }
  }
}

// Walks an RLE8 or RLE4 stream from the bottom row up; with `rows` null it only checks.
// Pixels that the stream skips (delta, early end of line or of bitmap) are not written.
// Refused: a pixel, delta or end of line that leaves the picture, an index beyond the
// palette, and a stream that stops mid-code or before the last row without an
// end-of-bitmap code. A run that crosses the end of its row is cut there (some writers
// do that), but nothing may follow it on that row.
bool BmpDecoder::WalkRle(std::uint32_t* rows, std::ptrdiff_t stride) const {
  const bool rle4 = compression_ == kRle4;
  const std::int64_t width = width_, height = height_;
  std::int64_t x = 0, y = 0;  // y counts rows from the bottom
  std::size_t at = 0;
  const auto draw = [&](unsigned index) {
    if (index >= palette_size_) return false;
    if (rows) rows[(height - 1 - y) * stride + x] = palette_[index];
    ++x;
    return true;
  };
  for (;;) {
    if (pixel_bytes_ - at < 2) return y == height || (y == height - 1 && x == width);
    const unsigned count = pixels_[at], code = pixels_[at + 1];
    at += 2;
    if (count > 0) {  // run: RLE8 repeats one index, RLE4 alternates two
      if (y >= height || x >= width) return false;
      const std::int64_t end = std::min(x + count, width);
      for (unsigned i = 0; x < end; ++i) {
        if (!draw(rle4 ? (i & 1 ? code & 15 : code >> 4) : code)) return false;
      }
    } else if (code == 0) {  // end of line
      if (y >= height) return false;
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      return true;
    } else if (code == 2) {  // delta: right and up
      if (pixel_bytes_ - at < 2) return false;
      x += pixels_[at];
      y += pixels_[at + 1];
      at += 2;
      if (x > width || y >= height) return false;
    } else {  // absolute: `code` indices, padded to 16 bits
      const std::size_t bytes = rle4 ? (code + 1) / 2 : code;
      const std::size_t padded = bytes + (bytes & 1);
      if (pixel_bytes_ - at < padded || y >= height || x >= width) return false;
      const std::uint8_t* in = pixels_ + at;
      const std::int64_t end = std::min<std::int64_t>(x + code, width);
      for (unsigned i = 0; x < end; ++i) {
        if (!draw(rle4 ? PaletteIndex(in, i, 4) : in[i])) return false;
      }
      at += padded;
    }
  }
}

}  // namespace

std::unique_ptr<PictureDecoder> OpenBmp(const std::uint8_t* data, std::size_t size) {
  auto decoder = std::make_unique<BmpDecoder>();
  if (!data || !decoder->Open(data, size)) return nullptr;
  return decoder;
}

}  // namespace vx
