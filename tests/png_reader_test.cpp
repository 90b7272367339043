// CPngReader against libpng's simplified reading API: the same pixels for every PNG of
// the corpus, broken ones included, and the same words in a bitmap as DrawDCByData leaves.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gdi/vxgdi.h"
#include "object/png_reader.h"
#include "platform/gdi.h"
#include "tests/decoder_test_support.h"
#include "tests/hostile_files.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

// What libpng's simplified API makes of the data: RGBA rows over a zeroed buffer.
struct SimplifiedRead {
  bool header = false;
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
};

SimplifiedRead ReadSimplified(const Bytes& data) {
  SimplifiedRead out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return out;
  out.header = true;
  out.width = image.width;
  out.height = image.height;
  image.format = PNG_FORMAT_RGBA;
  out.rgba.assign(std::size_t(image.width) * image.height * 4, 0);
  png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr);
  return out;
}

// The RGBA pixels laid over a new black bitmap with DrawDCByData, read back as words.
std::vector<std::uint32_t> DrawnOverBlack(const SimplifiedRead& read) {
  const int width = int(read.width), height = int(read.height);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  CvxGDI::DrawDCByData(dc, 0, 0, width, height, const_cast<std::uint8_t*>(read.rgba.data()));
  std::vector<std::uint32_t> words(std::size_t(width) * height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, UINT(height), words.data(), &info, DIB_RGB_COLORS), height);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return words;
}

// This libpng's simplified API gets about half the channels of Adam7-interlaced 16-bit
// pictures wrong (libpng issue 853); their non-interlaced twins are compared instead.
bool SimplifiedApiMisreads(const Bytes& data) {
  return data.size() > 28 && data[24] == 16 && data[28] == 1;
}

void ExpectSameAsSimplifiedApi(const Bytes& data) {
  if (SimplifiedApiMisreads(data)) return;
  const SimplifiedRead expected = ReadSimplified(data);
  CPngReader reader;
  const bool header = reader.Begin(data.data(), data.size());
  if (!expected.header) {
    // Only pictures wider or taller than libpng's default limit read here and not there.
    if (header) {
      EXPECT_TRUE(reader.width() > 1000000 || reader.height() > 1000000);
    }
    return;
  }
  ASSERT_TRUE(header);
  ASSERT_EQ(std::uint32_t(reader.width()), expected.width);
  ASSERT_EQ(std::uint32_t(reader.height()), expected.height);
  if (std::uint64_t{expected.width} * expected.height > (1u << 22)) return;
  reader.Finish();
  ASSERT_NE(reader.pixels(), nullptr);
  EXPECT_TRUE(std::equal(expected.rgba.begin(), expected.rgba.end(), reader.pixels()));

  // Any part alone: the same pixels as that part of the whole, the rest never kept.
  const LONG w = LONG(expected.width), h = LONG(expected.height);
  for (const RECT& asked : {RECT{1, 1, w - 1, h - 1}, RECT{w / 2, h / 3, w, h}, RECT{0, h - 1, 1, h},
                            RECT{-5, -5, 3, 2}, RECT{w / 3, 0, w / 3 + 1, h + 9}, RECT{0, 0, w, 1}}) {
    const RECT cut{std::max<LONG>(asked.left, 0), std::max<LONG>(asked.top, 0), std::min(asked.right, w),
                   std::min(asked.bottom, h)};
    CPngReader part;
    ASSERT_TRUE(part.Begin(data.data(), data.size()));
    part.FinishPart(asked);
    if (cut.left >= cut.right || cut.top >= cut.bottom) {
      EXPECT_EQ(part.pixels(), nullptr);
      continue;
    }
    ASSERT_NE(part.pixels(), nullptr);
    ASSERT_EQ(part.part().left, cut.left);
    ASSERT_EQ(part.part().bottom, cut.bottom);
    const std::size_t part_row = std::size_t(cut.right - cut.left) * 4;
    for (LONG y = cut.top; y < cut.bottom; ++y) {
      const std::uint8_t* whole_row = expected.rgba.data() + (std::size_t(y) * w + std::size_t(cut.left)) * 4;
      ASSERT_TRUE(std::equal(whole_row, whole_row + part_row, part.pixels() + std::size_t(y - cut.top) * part_row))
          << "part " << asked.left << ", " << asked.top << ", " << asked.right << ", " << asked.bottom << " row " << y;
    }
  }

  CPngReader over_black;
  ASSERT_TRUE(over_black.Begin(data.data(), data.size()));
  std::vector<std::uint32_t> words(std::size_t(expected.width) * expected.height, 0);
  over_black.DecodeOverBlack(words.data());
  EXPECT_EQ(words, DrawnOverBlack(expected));
}

class PngReaderTest : public LeakCheckedTest {};

TEST_F(PngReaderTest, EveryCorpusFileGivesTheSimplifiedApisPixels) {
  for (const CorpusRow& row : ReadCorpusTable("png")) {
    SCOPED_TRACE(row.file);
    ExpectSameAsSimplifiedApi(ReadFile(CorpusFolder("png") + "/" + row.file));
  }
}

TEST_F(PngReaderTest, InterlacedSixteenBitPicturesEqualTheirPlainTwins) {
  for (const char* name : {"0g16", "2c16", "4a16", "6a16"}) {
    SCOPED_TRACE(name);
    const Bytes plain = ReadFile(CorpusFolder("png") + "/basn" + name + ".png");
    const Bytes interlaced = ReadFile(CorpusFolder("png") + "/basi" + name + ".png");
    CPngReader a, b;
    ASSERT_TRUE(a.Begin(plain.data(), plain.size()));
    ASSERT_TRUE(b.Begin(interlaced.data(), interlaced.size()));
    a.Finish();
    b.Finish();
    ASSERT_TRUE(a.pixels() && b.pixels());
    EXPECT_TRUE(std::equal(a.pixels(), a.pixels() + std::size_t(a.width()) * a.height() * 4, b.pixels()));
  }
}

TEST_F(PngReaderTest, CutFilesGiveTheSimplifiedApisPixels) {
  // Every way of breaking off an interlaced and a plain file with transparency.
  for (const char* name : {"basi6a08.png", "basn3p08.png", "tbrn2c08.png"}) {
    const Bytes whole = ReadFile(CorpusFolder("png") + "/" + name);
    for (std::size_t length = 0; length < whole.size(); length += 37) {
      SCOPED_TRACE(::testing::Message() << name << " cut at " << length);
      ExpectSameAsSimplifiedApi(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
    }
  }
}

TEST_F(PngReaderTest, DecodingReportsHowManyRowsTheDataHeld) {
  TempDir dir;
  // Noise, so that the image data is several chunks and the first rows come early.
  WritePngFile(dir.File("p.png"), 256, 256, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t((x * 7919u + y * 104729u) * 2654435761u >> 24);
    p[1] = std::uint8_t(x * y);
    p[2] = std::uint8_t(y);
    p[3] = 255;
  });
  const Bytes whole = ReadBytes(dir.File("p.png"));
  std::vector<std::uint32_t> words(256 * 256);
  auto decode = [&](const Bytes& data) {
    std::fill(words.begin(), words.end(), 0u);
    CPngReader reader;
    EXPECT_TRUE(reader.Begin(data.data(), data.size()));
    return reader.DecodeOverBlack(words.data());
  };
  EXPECT_EQ(decode(whole), CPngReader::Rows::kAll);
  EXPECT_EQ(decode(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2))), CPngReader::Rows::kSome);
  EXPECT_NE(words.front(), 0u);
  EXPECT_EQ(words.back(), 0u);
  // The chunks before the image data and the first bytes of it.
  std::size_t data_start = 8;
  for (const PngChunk& chunk : SplitPngChunks(whole)) {
    if (chunk.type == "IDAT") break;
    data_start += 12 + chunk.data.size();
  }
  EXPECT_EQ(decode(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(data_start + 8 + 4))), CPngReader::Rows::kNone);
  EXPECT_EQ(words.front(), 0u);
}

TEST_F(PngReaderTest, ARowDeliveredBeforeTheLastCheckFailsCounts) {
  // One row, whose image data ends with a wrong checksum: libpng fails after the row is
  // in place, within the same call.
  TempDir dir;
  WritePngFile(dir.File("row.png"), 8, 1, Solid(200, 100, 50));
  Bytes bytes = ReadBytes(dir.File("row.png"));
  std::size_t at = 8;
  for (const PngChunk& chunk : SplitPngChunks(bytes)) {
    if (chunk.type == "IDAT") {
      bytes[at + 8 + chunk.data.size()] ^= 0xFF;  // the chunk's CRC
      break;
    }
    at += 12 + chunk.data.size();
  }
  std::vector<std::uint32_t> words(8, 0);
  CPngReader reader;
  ASSERT_TRUE(reader.Begin(bytes.data(), bytes.size()));
  EXPECT_EQ(reader.DecodeOverBlack(words.data()), CPngReader::Rows::kSome);
  EXPECT_EQ(words, std::vector<std::uint32_t>(8, 0xFFC86432u));
}

}  // namespace
}  // namespace vx::testing
