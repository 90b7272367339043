#include "tests/hostile_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h expects the standard types to be declared already.
#include <jpeglib.h>

namespace vx::testing {

namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void Put32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void AppendChunk(Bytes& out, const PngChunk& chunk) {
  Put32(out, static_cast<std::uint32_t>(chunk.data.size()));
  const std::size_t type_at = out.size();
  out.insert(out.end(), chunk.type.begin(), chunk.type.end());
  out.insert(out.end(), chunk.data.begin(), chunk.data.end());
  Put32(out, static_cast<std::uint32_t>(crc32(0, out.data() + type_at, static_cast<uInt>(out.size() - type_at))));
}

// Start of each marker segment, up to and including the first scan's.
std::vector<std::size_t> JpegSegments(const Bytes& jpeg) {
  std::vector<std::size_t> segments;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    segments.push_back(at);
    if (jpeg[at + 1] == 0xDA) break;
    at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
  }
  return segments;
}

}  // namespace

std::vector<PngChunk> SplitPngChunks(const Bytes& png) {
  std::vector<PngChunk> chunks;
  std::size_t at = sizeof kPngSignature;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = Get32(&png[at]);
    if (length > png.size() - at - 12) break;
    chunks.push_back({std::string(png.begin() + std::ptrdiff_t(at + 4), png.begin() + std::ptrdiff_t(at + 8)),
                      Bytes(png.begin() + std::ptrdiff_t(at + 8), png.begin() + std::ptrdiff_t(at + 8 + length))});
    at += 12 + length;
  }
  return chunks;
}

Bytes JoinPngChunks(const std::vector<PngChunk>& chunks) {
  Bytes out(std::begin(kPngSignature), std::end(kPngSignature));
  for (const PngChunk& chunk : chunks) AppendChunk(out, chunk);
  return out;
}

PngChunk PngHeader(std::uint32_t width, std::uint32_t height) {
  PngChunk header{"IHDR", {}};
  Put32(header.data, width);
  Put32(header.data, height);
  header.data.insert(header.data.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, not interlaced
  return header;
}

Bytes PngWithLyingChunkLength(const std::string& type) {
  Bytes out = JoinPngChunks({PngHeader(16, 16)});
  Put32(out, 0x7FFFFFFF);
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), {'a', 'b', 'c', 'd'});
  return out;
}

Bytes PngWithTextBombs(int count) {
  const std::string text(7'900'000, 'A');
  uLongf packed_size = compressBound(static_cast<uLong>(text.size()));
  Bytes packed(packed_size);
  EXPECT_EQ(compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(text.data()),
                      static_cast<uLong>(text.size()), 9),
            Z_OK);
  packed.resize(packed_size);
  std::vector<PngChunk> chunks = {PngHeader(4, 4)};
  for (int i = 0; i < count; ++i) {
    PngChunk bomb{"zTXt", {'k', std::uint8_t('a' + i % 26), 0, 0}};  // keyword, compression 0
    bomb.data.insert(bomb.data.end(), packed.begin(), packed.end());
    chunks.push_back(bomb);
  }
  Bytes rows;
  for (int y = 0; y < 4; ++y) {
    rows.push_back(0);                 // no filter
    rows.insert(rows.end(), 12, 0x80);  // four grey pixels
  }
  uLongf data_size = compressBound(static_cast<uLong>(rows.size()));
  Bytes data(data_size);
  EXPECT_EQ(compress(data.data(), &data_size, rows.data(), static_cast<uLong>(rows.size())), Z_OK);
  data.resize(data_size);
  chunks.push_back({"IDAT", data});
  chunks.push_back({"IEND", {}});
  return JoinPngChunks(chunks);
}

Bytes ProgressiveJpeg(int width, int height, int components) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 75, TRUE);
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(std::size_t(width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE((i * 7 + cinfo.next_scanline * 13) % 256);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes WithLastScanRepeated(const Bytes& jpeg, int copies) {
  // The last scan runs from the last SOS marker to the end-of-image marker.
  std::size_t last_scan = 0;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) last_scan = i;
  }
  const std::size_t end = jpeg.size() - 2;
  EXPECT_TRUE(last_scan > 0 && jpeg[end] == 0xFF && jpeg[end + 1] == 0xD9);
  Bytes out(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(end));
  for (int i = 0; i < copies; ++i) {
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(last_scan), jpeg.begin() + std::ptrdiff_t(end));
  }
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

Bytes WithFrameSize(Bytes jpeg, int width, int height) {
  for (std::size_t at : JpegSegments(jpeg)) {
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      jpeg[at + 5] = std::uint8_t(height >> 8);
      jpeg[at + 6] = std::uint8_t(height);
      jpeg[at + 7] = std::uint8_t(width >> 8);
      jpeg[at + 8] = std::uint8_t(width);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

std::size_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::size_t(usage.ru_maxrss) * 1024;
}

}  // namespace vx::testing
