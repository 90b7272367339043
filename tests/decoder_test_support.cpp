#include "tests/decoder_test_support.h"

#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace vx::testing {

ByteWriter& ByteWriter::U8(unsigned value) {
  bytes_.push_back(static_cast<std::uint8_t>(value));
  return *this;
}

ByteWriter& ByteWriter::U16(unsigned value) { return U8(value).U8(value >> 8); }

ByteWriter& ByteWriter::U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }

ByteWriter& ByteWriter::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ByteWriter& ByteWriter::Raw(std::initializer_list<std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

void ByteWriter::Put32(std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes_.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string CorpusFolder(const std::string& format) {
  return std::string(VXIMAGE_SOURCE_DIR "/tests/corpus/") + format;
}

std::vector<CorpusRow> ReadCorpusTable(const std::string& format) {
  std::vector<CorpusRow> rows;
  std::ifstream in(CorpusFolder(format) + "/EXPECTED.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    CorpusRow row;
    std::string decodes, note;
    std::getline(fields, row.file, '\t');
    std::getline(fields, row.width, '\t');
    std::getline(fields, row.height, '\t');
    std::getline(fields, decodes, '\t');
    std::getline(fields, note);
    row.decodes = decodes == "yes";
    row.disputed = note.find("DISPUTED") != std::string::npos;
    if (!row.file.empty()) rows.push_back(row);
  }
  return rows;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool CallerRefusesSize(long long width, long long height) {
  return width > 65500 || height > 65500 || width * height > (1LL << 29);
}

Picture DecodeToPicture(PictureDecoder& decoder) {
  Picture picture;
  picture.width = decoder.width();
  picture.height = decoder.height();
  picture.pixels.assign(std::size_t(picture.width) * picture.height, 0);
  picture.decoded = decoder.Decode(picture.pixels.data(), picture.width) == DecodeResult::kWhole;
  return picture;
}

Picture OpenAndDecode(const OpenFunction& open, const Bytes& data) {
  const std::unique_ptr<PictureDecoder> decoder = open(data.data(), data.size());
  return decoder ? DecodeToPicture(*decoder) : Picture{};
}

namespace {

std::string Hex(const std::vector<std::uint32_t>& pixels) {
  std::ostringstream text;
  text << std::hex << std::setfill('0');
  for (std::uint32_t pixel : pixels) text << ' ' << std::setw(8) << pixel;
  return text.str();
}

}  // namespace

::testing::AssertionResult DecodesTo(const OpenFunction& open, const Bytes& data,
                                     const std::vector<std::uint32_t>& expected) {
  const Picture picture = OpenAndDecode(open, data);
  if (!picture.decoded) return ::testing::AssertionFailure() << "not decoded";
  if (picture.pixels != expected) {
    return ::testing::AssertionFailure() << "pixels" << Hex(picture.pixels) << "\nexpected"
                                         << Hex(expected);
  }
  return ::testing::AssertionSuccess();
}

void CheckSamples(const std::string& format, const OpenFunction& open,
                  std::initializer_list<PixelSample> samples) {
  for (const PixelSample& s : samples) {
    SCOPED_TRACE(::testing::Message() << s.file << " at " << s.x << "," << s.y);
    const Picture picture = OpenAndDecode(open, ReadFile(CorpusFolder(format) + "/" + s.file));
    ASSERT_TRUE(picture.decoded);
    EXPECT_EQ(picture.at(s.x, s.y), 0xFF000000 | s.rgb);
  }
}

void CheckCorpus(const std::string& format, const OpenFunction& open) {
  const std::vector<CorpusRow> rows = ReadCorpusTable(format);
  ASSERT_FALSE(rows.empty());
  for (const CorpusRow& row : rows) {
    SCOPED_TRACE(row.file);
    const Bytes data = ReadFile(CorpusFolder(format) + "/" + row.file);
    ASSERT_FALSE(data.empty());
    const std::unique_ptr<PictureDecoder> decoder = open(data.data(), data.size());
    if (decoder && CallerRefusesSize(decoder->width(), decoder->height())) {
      EXPECT_FALSE(row.decodes);
      EXPECT_EQ(std::to_string(decoder->width()), row.width);
      EXPECT_EQ(std::to_string(decoder->height()), row.height);
      continue;
    }
    if (!decoder) {
      EXPECT_TRUE(!row.decodes || row.disputed);
      continue;
    }
    EXPECT_TRUE(row.decodes || row.disputed);
    EXPECT_EQ(std::to_string(decoder->width()), row.width);
    EXPECT_EQ(std::to_string(decoder->height()), row.height);
    const Picture picture = DecodeToPicture(*decoder);
    EXPECT_TRUE(picture.decoded);
  }
}

}  // namespace vx::testing
