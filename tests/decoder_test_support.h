// Helpers for tests of the picture decoders: files built byte by byte, the third-party
// corpus with its table of expected outcomes, and decoding into a zeroed picture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/codecs/picture_decoder.h"

namespace vx::testing {

using Bytes = std::vector<std::uint8_t>;
using OpenFunction = std::function<std::unique_ptr<PictureDecoder>(const std::uint8_t*, std::size_t)>;

// Appends little-endian fields.
class ByteWriter {
 public:
  ByteWriter& U8(unsigned value);
  ByteWriter& U16(unsigned value);
  ByteWriter& U32(std::uint32_t value);
  ByteWriter& Raw(const Bytes& bytes);
  ByteWriter& Raw(std::initializer_list<std::uint8_t> bytes);
  void Put32(std::size_t at, std::uint32_t value);  // overwrites
  std::size_t size() const { return bytes_.size(); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// One row of tests/corpus/<format>/EXPECTED.tsv.
struct CorpusRow {
  std::string file;
  std::string width, height;  // as written: a number or "-"
  bool decodes = false;
  bool disputed = false;
};

std::string CorpusFolder(const std::string& format);
std::vector<CorpusRow> ReadCorpusTable(const std::string& format);
Bytes ReadFile(const std::string& path);

// Sizes the caller refuses on its own (over 65 500 a side or 2^29 pixels), so a decoder
// may report them instead of refusing.
bool CallerRefusesSize(long long width, long long height);

// A decoded picture: width × height DIB words, 0 where nothing was written.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  bool decoded = false;  // what Decode returned

  std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  bool operator==(const Picture&) const = default;
};

Picture DecodeToPicture(PictureDecoder& decoder);
// Opens and decodes; `decoded` false and no pixels when opening failed.
Picture OpenAndDecode(const OpenFunction& open, const Bytes& data);
// Whether the data opens and decodes to exactly these pixels, top row first.
::testing::AssertionResult DecodesTo(const OpenFunction& open, const Bytes& data,
                                     const std::vector<std::uint32_t>& expected);

// A pixel of a corpus file as an independent decoder sees it.
struct PixelSample {
  const char* file;
  int x, y;
  std::uint32_t rgb;
};
void CheckSamples(const std::string& format, const OpenFunction& open,
                  std::initializer_list<PixelSample> samples);

// Checks every row of the corpus table against `open`: a `yes` row opens with the size
// of the table and decodes; a `no` row is refused unless the caller refuses its size
// anyway; a disputed row may go either way.
void CheckCorpus(const std::string& format, const OpenFunction& open);

}  // namespace vx::testing
