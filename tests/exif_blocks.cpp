#include "tests/exif_blocks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace vx::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBig32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

Bytes Chunk(const char* type, const Bytes& data) {
  Bytes chunk;
  PutBig32(chunk, std::uint32_t(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), data.data(), uInt(data.size()));
  PutBig32(chunk, std::uint32_t(crc));
  return chunk;
}

// A 1 x 1 grey PNG.
Bytes TinyPng() {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBig32(header, 1);
  PutBig32(header, 1);
  header.insert(header.end(), {8, 0, 0, 0, 0});
  const Bytes ihdr = Chunk("IHDR", header);
  png.insert(png.end(), ihdr.begin(), ihdr.end());
  const Bytes raw = {0, 0x80};
  Bytes packed(64);
  uLongf size = packed.size();
  compress(packed.data(), &size, raw.data(), raw.size());
  packed.resize(size);
  const Bytes idat = Chunk("IDAT", packed), iend = Chunk("IEND", {});
  png.insert(png.end(), idat.begin(), idat.end());
  png.insert(png.end(), iend.begin(), iend.end());
  return png;
}

// Where the chunk of this type starts.
std::size_t ChunkAt(const Bytes& png, const char* type) {
  std::size_t at = 8;
  while (at + 8 <= png.size() && std::memcmp(&png[at + 4], type, 4) != 0) {
    at += 12 + (std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 | std::size_t(png[at + 2]) << 8 | png[at + 3]);
  }
  return at;
}

}  // namespace

TiffBuilder& TiffBuilder::Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
  fields_.push_back({tag, type, count, value});
  return *this;
}

void TiffBuilder::Put16(Bytes& out, std::uint32_t value) const {
  if (big_endian_) {
    out.insert(out.end(), {std::uint8_t(value >> 8), std::uint8_t(value)});
  } else {
    out.insert(out.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
  }
}

void TiffBuilder::Put32(Bytes& out, std::uint32_t value) const {
  if (big_endian_) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
  } else {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
  }
}

Bytes TiffBuilder::bytes() const {
  Bytes out = big_endian_ ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
  Put16(out, 42);
  Put32(out, 8);
  Put16(out, std::uint32_t(fields_.size()));
  for (const Field& f : fields_) {
    Put16(out, f.tag);
    Put16(out, f.type);
    Put32(out, f.count);
    if (f.type == 3 && f.count == 1) {  // a SHORT sits in the field's first two bytes
      Put16(out, f.value);
      Put16(out, 0);
    } else {
      Put32(out, f.value);
    }
  }
  Put32(out, 0);  // no next directory
  return out;
}

Bytes TiffWithOrientation(int value, bool big_endian) {
  return TiffBuilder(big_endian).Entry(0x0112, 3, 1, std::uint32_t(value)).bytes();
}

Bytes JpegWithExif(const Bytes& jpeg, const Bytes& tiff) {
  Bytes segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  const std::size_t length = segment.size() - 2;
  segment[2] = std::uint8_t(length >> 8);
  segment[3] = std::uint8_t(length);
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

Bytes PngWithExif(const Bytes& tiff, bool after_pixels, Bytes png) {
  if (png.empty()) png = TinyPng();
  const Bytes chunk = Chunk("eXIf", tiff);
  const std::size_t at = after_pixels ? ChunkAt(png, "IEND") : ChunkAt(png, "IDAT");
  png.insert(png.begin() + std::ptrdiff_t(at), chunk.begin(), chunk.end());
  return png;
}

}  // namespace vx::testing
