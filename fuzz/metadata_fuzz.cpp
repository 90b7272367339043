// Fuzz target: the metadata and colour profiles of source pictures, as outputs keep them
// and the loader converts with them. What the input is decides the path:
//   JPEG data (SOI first)    its APP segments up to the first scan gathered, written back as
//                            output segments and read again; its ICC profile converting
//   PNG data (signature)     its eXIf, XMP and iCCP chunks, and the gAMA, cHRM and sRGB
//                            chunks converting as the PNG loader would have them
//   an ICC profile ("acsp")  opened by lcms2 for every kind of pixels, converting
//   a TIFF block (II or MM)  edited as an Exif block
//   anything else            read as Photoshop resources, an XMP packet and zlib data
// The last byte says whether the picture was turned upright.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "object/colour_conversion.h"
#include "object/exif_block.h"
#include "object/photoshop_resources.h"
#include "object/picture_metadata.h"
#include "object/png_metadata.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr vx::SourcePixels kAllPixels[] = {vx::SourcePixels::kBgrx, vx::SourcePixels::kRgb, vx::SourcePixels::kGrey,
                                           vx::SourcePixels::kCmyk, vx::SourcePixels::kAdobeCmyk};

// Converts a few pixels of every value pattern. The top byte of each word is kept from a
// BGRX word (a PNG's alpha) and 0xFF for the other layouts, which are opaque.
void ConvertSome(const vx::ColourConversion& conversion, vx::SourcePixels pixels) {
  if (!conversion.active()) return;
  alignas(std::uint32_t) std::uint8_t in[64 * 4];
  for (std::size_t i = 0; i < sizeof in; ++i) in[i] = std::uint8_t(i * 37);
  std::uint32_t out[64];
  conversion.Convert(in, out, 64);
  for (std::size_t i = 0; i < 64; ++i) {
    std::uint32_t word = 0xFF000000u;
    if (pixels == vx::SourcePixels::kBgrx) std::memcpy(&word, in + 4 * i, 4);
    if (out[i] >> 24 != word >> 24) std::abort();
  }
}

void ConvertWithProfile(Bytes profile) {
  for (vx::SourcePixels pixels : kAllPixels) {
    vx::ColourConversion conversion;
    if (conversion.FromProfile(profile, pixels)) ConvertSome(conversion, pixels);
  }
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Outputs must be readable as what they were made of.
void CheckOutputs(const vx::PictureMetadata& metadata) {
  const vx::OutputSegments out = vx::SegmentsForOutput(metadata);
  std::vector<vx::JpegMarkerView> markers;
  for (const vx::JpegSegment& segment : out.segments) {
    if (segment.data.size() > vx::kMaxSegmentDataBytes) std::abort();
    markers.push_back({segment.code, segment.data});
  }
  const vx::PictureMetadata again = vx::JpegSourceMetadata(markers, false);
  if (!out.left_out && (again.icc != metadata.icc || again.iptc != metadata.iptc || again.xmp != metadata.xmp)) {
    std::abort();
  }
}

void Jpeg(Bytes data, bool turned) {
  std::vector<vx::JpegMarkerView> markers;
  std::size_t at = 2;
  while (data.size() - at >= 4 && data[at] == 0xFF) {
    const int code = data[at + 1];
    if (code == 0xDA || code == 0xD9) break;  // the first scan, or the end
    const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
    if (length < 2 || length > data.size() - at - 2) break;
    if (code >= 0xE0 && code <= 0xEF) markers.push_back({code, data.subspan(at + 4, length - 2)});
    at += 2 + length;
  }
  const vx::PictureMetadata metadata = vx::JpegSourceMetadata(markers, turned);
  CheckOutputs(metadata);
  ConvertWithProfile(metadata.icc);
}

// gAMA, cHRM and sRGB as the PNG loader would report them.
vx::PngColourChunks PngColour(Bytes png, std::vector<std::uint8_t> profile) {
  vx::PngColourChunks chunks;
  chunks.icc_profile = std::move(profile);
  std::size_t at = 8;
  while (png.size() - at >= 12) {
    const std::size_t length = BigEndian32(png.data() + at);
    if (length > png.size() - at - 12) break;
    const std::uint8_t* type = png.data() + at + 4;
    const std::uint8_t* body = png.data() + at + 8;
    if (std::memcmp(type, "sRGB", 4) == 0) chunks.srgb = true;
    if (std::memcmp(type, "gAMA", 4) == 0 && length == 4) chunks.gamma = BigEndian32(body) / 100000.0;
    if (std::memcmp(type, "cHRM", 4) == 0 && length == 32) {
      chunks.has_chromaticities = true;
      double* values[] = {&chunks.white_x, &chunks.white_y, &chunks.red_x,  &chunks.red_y,
                          &chunks.green_x, &chunks.green_y, &chunks.blue_x, &chunks.blue_y};
      for (int i = 0; i < 8; ++i) *values[i] = BigEndian32(body + 4 * i) / 100000.0;
    }
    at += 12 + length;
  }
  return chunks;
}

void Png(Bytes data, bool turned) {
  const vx::PictureMetadata metadata = vx::PngSourceMetadata(data, turned);
  CheckOutputs(metadata);
  const vx::PngColourChunks chunks = PngColour(data, metadata.icc);
  for (bool gamma_applied : {false, true}) {
    vx::ColourConversion conversion;
    if (conversion.FromPngChunks(chunks, vx::SourcePixels::kBgrx, gamma_applied)) {
      ConvertSome(conversion, vx::SourcePixels::kBgrx);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, size);
  const bool turned = size > 0 && (data[size - 1] & 1);
  static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
    Jpeg(input, turned);
  } else if (size >= sizeof kPng && std::memcmp(data, kPng, sizeof kPng) == 0) {
    Png(input, turned);
  } else if (size >= 40 && std::memcmp(data + 36, "acsp", 4) == 0) {
    ConvertWithProfile(input);
  } else if (size >= 2 && (data[0] == 'I' || data[0] == 'M') && data[1] == data[0]) {
    const std::vector<std::uint8_t> out = vx::ExifBlockForOutput(input, turned);
    if (out.size() > size) std::abort();
    // An edited block edits to itself.
    if (!out.empty() && turned && vx::ExifBlockForOutput(out, true) != out) std::abort();
  } else {
    if (vx::IptcResources(input).size() > size + 1) std::abort();
    std::vector<std::uint8_t> packet(input.begin(), input.end());
    vx::ResetXmpOrientation(packet);
    if (packet.size() != size) std::abort();
    vx::InflateBounded(input, 1 << 20);
  }
  return 0;
}
