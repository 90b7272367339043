// The BMP decoder: the third-party corpus, exact pixels of files built byte by byte in
// every layout, each refusal rule, cut files and headers that claim absurd sizes.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "tests/decoder_test_support.h"

namespace vx::testing {
namespace {

constexpr std::uint32_t kUnwritten = 0;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// A BMP built field by field; tests change a field to break one thing at a time.
struct BmpFile {
  std::uint32_t header_size = 40;
  std::int32_t width = 2;
  std::int32_t height = 2;
  std::uint16_t planes = 1;
  std::uint16_t bits = 8;
  std::uint32_t compression = kRgb;
  std::uint32_t image_size = 0;
  std::int32_t x_density = 2835;
  std::int32_t y_density = 2835;
  std::uint32_t colors_used = 0;
  std::vector<std::uint32_t> masks;    // after a 40-byte header, inside larger ones
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  Bytes pixels;
  std::optional<std::uint32_t> file_size;     // default: the real size
  std::optional<std::uint32_t> pixel_offset;  // default: right after the palette

  Bytes Build() const {
    const bool core = header_size == 12;
    ByteWriter info;
    if (core) {
      info.U32(12).U16(width).U16(height).U16(planes).U16(bits);
    } else {
      info.U32(header_size).U32(width).U32(height).U16(planes).U16(bits).U32(compression);
      info.U32(image_size).U32(x_density).U32(y_density).U32(colors_used).U32(0);
      if (header_size > 40) {
        for (std::uint32_t mask : masks) info.U32(mask);
      }
    }
    Bytes header = info.bytes();
    header.resize(header_size);  // a 16-byte OS/2 header keeps only the first fields
    ByteWriter after_header;
    if (header_size == 40) {
      for (std::uint32_t mask : masks) after_header.U32(mask);
    }
    for (std::uint32_t color : palette) {
      after_header.U8(color).U8(color >> 8).U8(color >> 16);
      if (!core) after_header.U8(0);
    }
    const std::uint32_t offset = 14 + header_size + std::uint32_t(after_header.size());
    ByteWriter file;
    file.Raw({'B', 'M'}).U32(0).U32(0).U32(pixel_offset.value_or(offset));
    file.Raw(header).Raw(after_header.bytes()).Raw(pixels);
    file.Put32(2, file_size.value_or(std::uint32_t(file.size())));
    return file.bytes();
  }
};

Picture Decoded(const BmpFile& file) { return OpenAndDecode(OpenBmp, file.Build()); }

bool Opens(const BmpFile& file) {
  const Bytes data = file.Build();
  return OpenBmp(data.data(), data.size()) != nullptr;
}

::testing::AssertionResult DecodesTo(const BmpFile& file, const std::vector<std::uint32_t>& pixels) {
  return vx::testing::DecodesTo(OpenBmp, file.Build(), pixels);
}

// Pixels of the picture, top row first.
std::vector<std::uint32_t> Rows(std::initializer_list<std::initializer_list<std::uint32_t>> rows) {
  std::vector<std::uint32_t> all;
  for (const auto& row : rows) all.insert(all.end(), row.begin(), row.end());
  return all;
}

// A 2×2 8-bit picture with a four-colour palette, bottom row stored first.
BmpFile PaletteFile() {
  BmpFile file;
  file.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  file.pixels = {1, 2, 0, 0, 3, 0, 0, 0};
  return file;
}
const std::vector<std::uint32_t> kPaletteFilePixels = Rows({{kBlue, kBlack}, {kRed, kGreen}});

// One row of 16, 24 or 32 bits; bit fields when masks are given.
BmpFile OneRow(int width, std::uint16_t bits, Bytes pixels, std::vector<std::uint32_t> masks = {}) {
  BmpFile file;
  file.width = width;
  file.height = 1;
  file.bits = bits;
  file.compression = masks.empty() ? kRgb : kBitFields;
  file.masks = std::move(masks);
  file.pixels = std::move(pixels);
  return file;
}

// One row of up to 8 bits whose palette is as long as the header says.
BmpFile PaletteRow(int width, std::uint16_t bits, std::vector<std::uint32_t> palette, Bytes pixels) {
  BmpFile file;
  file.width = width;
  file.height = 1;
  file.bits = bits;
  file.colors_used = std::uint32_t(palette.size());
  file.palette = std::move(palette);
  file.pixels = std::move(pixels);
  return file;
}

TEST(BmpCorpus, EveryFileGivesItsExpectedOutcome) { CheckCorpus("bmp", OpenBmp); }

// Reference pixels were read by hand with Python PIL (Image.open(f).convert("RGB")), and
// with ImageMagick's convert where PIL refuses the file (rgb32bf) or misreads it (RLE4).
TEST(BmpCorpus, SamplePixelsMatchAnIndependentDecoder) {
  CheckSamples("bmp", OpenBmp,
               {{"g/pal1bg.bmp", 5, 5, 0x4040FF},     {"g/pal8.bmp", 0, 0, 0xFF0000},
                {"g/pal8.bmp", 126, 63, 0x665566},    {"g/pal8.bmp", 30, 40, 0x000000},
                {"g/pal4rle.bmp", 20, 20, 0xFFFFFF},  {"g/pal4rle.bmp", 100, 50, 0x008000},
                {"g/pal8os2.bmp", 100, 10, 0x99AA99}, {"g/rgb24.bmp", 77, 20, 0x6B6BAE},
                {"g/rgb32bf.bmp", 10, 5, 0xEB5252},   {"pil_hopper_rle8.bmp", 64, 64, 0xA84E30},
                {"pil_hopper_rle8.bmp", 3, 120, 0x342215}});
}

TEST(BmpPixels, OneBitRowsAreBottomUpAndPadded) {
  BmpFile file;
  file.width = 10;
  file.bits = 1;
  file.palette = {0xFF0000, 0x0000FF};
  // Bottom row 1000000001, top row 0101010101; each row padded to 4 bytes.
  file.pixels = {0x80, 0x40, 0xFF, 0xFF, 0x55, 0x40, 0xFF, 0xFF};
  const std::uint32_t r = kRed, b = kBlue;
  EXPECT_TRUE(DecodesTo(file, Rows({{r, b, r, b, r, b, r, b, r, b}, {b, r, r, r, r, r, r, r, r, b}})));
}

TEST(BmpPixels, FourBitPaletteAsShortAsColorsUsed) {
  const BmpFile file = PaletteRow(3, 4, {0x102030, 0x405060, 0x708090}, {0x12, 0x00, 0, 0});
  EXPECT_TRUE(DecodesTo(file, Rows({{0xFF405060, 0xFF708090, 0xFF102030}})));
}

TEST(BmpPixels, NegativeHeightStoresTheTopRowFirst) {
  BmpFile file = PaletteFile();
  EXPECT_TRUE(DecodesTo(file, kPaletteFilePixels));
  file.height = -2;
  EXPECT_EQ(Decoded(file).height, 2);
  EXPECT_TRUE(DecodesTo(file, Rows({{kRed, kGreen}, {kBlue, kBlack}})));
}

TEST(BmpPixels, SixteenBitsDefaultTo555ScaledToFullRange) {
  // White, pure red, blue 1 of 31 and blue 16 of 31: round(255 * v / 31) gives 8 and 132.
  EXPECT_TRUE(DecodesTo(OneRow(4, 16, {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x00, 0x10, 0x00}),
                        Rows({{kWhite, kRed, 0xFF000008, 0xFF000084}})));
}

TEST(BmpPixels, SixteenBit565FromBitFields) {
  // Green 63, green 1 and 32 of 63 (4 and 130), red 1 of 31 (8).
  EXPECT_TRUE(DecodesTo(OneRow(4, 16, {0xE0, 0x07, 0x20, 0x00, 0x00, 0x04, 0x00, 0x08},
                               {0xF800, 0x07E0, 0x001F}),
                        Rows({{kGreen, 0xFF000400, 0xFF008200, 0xFF080000}})));
}

TEST(BmpPixels, BitFieldChannelsOfOneAndTenBits) {
  // Red 1 bit, green 10 bits, blue 10 bits; the top bits are not a channel. Red on, green
  // 512 of 1023 (128), blue 1 of 1023 (0); then red off, blue 1023.
  EXPECT_TRUE(DecodesTo(OneRow(2, 32, {0x01, 0x00, 0x18, 0xF0, 0xFF, 0x03, 0x00, 0xE0},
                               {0x00100000, 0x000FFC00, 0x000003FF}),
                        Rows({{0xFFFF8000, kBlue}})));
}

TEST(BmpPixels, TwentyFourBitRowsArePaddedToFourBytes) {
  BmpFile file = OneRow(1, 24, {0x01, 0x02, 0x03, 0xEE, 0x0A, 0x0B, 0x0C, 0xEE});
  file.height = 2;
  EXPECT_TRUE(DecodesTo(file, Rows({{0xFF0C0B0A}, {0xFF030201}})));
}

TEST(BmpPixels, ThirtyTwoBitsIgnoreTheFourthByte) {
  EXPECT_TRUE(DecodesTo(OneRow(1, 32, {0x78, 0x56, 0x34, 0x12}), Rows({{0xFF345678}})));
}

TEST(BmpPixels, MasksInLaterHeadersAndAlphaIgnored) {
  for (std::uint32_t header_size : {52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(header_size);
    // Bytes R, G, B, A.
    BmpFile file = OneRow(1, 32, {0x11, 0x22, 0x33, 0x00}, {0xFF, 0xFF00, 0xFF0000, 0xFF000000});
    file.header_size = header_size;
    EXPECT_TRUE(DecodesTo(file, Rows({{0xFF112233}})));
    // Masks count only for bit fields.
    file.compression = kRgb;
    EXPECT_TRUE(DecodesTo(file, Rows({{0xFF332211}})));
  }
}

TEST(BmpPixels, Os2CoreHeaderWithThreeBytePaletteCutShortByThePixels) {
  BmpFile file = PaletteFile();
  file.header_size = 12;
  // Four 3-byte entries lie before the pixels, not the 256 an 8-bit core header implies.
  EXPECT_TRUE(DecodesTo(file, kPaletteFilePixels));
  file.pixels[0] = 4;  // beyond those four
  EXPECT_FALSE(Opens(file));
}

TEST(BmpPixels, Os2ShortVersion2Header) {
  BmpFile file = PaletteFile();
  file.header_size = 16;
  EXPECT_TRUE(DecodesTo(file, kPaletteFilePixels));
}

BmpFile RleFile(std::uint32_t compression, int width, int height, Bytes stream) {
  BmpFile file;
  file.compression = compression;
  file.bits = compression == kRle8 ? 8 : 4;
  file.width = width;
  file.height = height;
  file.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080};
  file.pixels = std::move(stream);
  return file;
}

TEST(BmpRle, Rle8RunsDeltaAbsoluteAndSkippedPixels) {
  const BmpFile file = RleFile(kRle8, 4, 3,
                               {0x02, 0x01,              // bottom row: two of index 1
                                0x00, 0x02, 0x01, 0x01,  // delta: right 1, up 1
                                0x01, 0x02,              // one of index 2 at x 3
                                0x00, 0x00,              // end of line
                                0x00, 0x03, 0x03, 0x04, 0x05, 0x00,  // absolute, padded
                                0x00, 0x01});                        // end of bitmap
  const std::uint32_t n = kUnwritten;
  EXPECT_TRUE(DecodesTo(file, Rows({{kBlue, kWhite, 0xFF808080, n},
                                    {n, n, n, kGreen},
                                    {kRed, kRed, n, n}})));
}

TEST(BmpRle, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
  const BmpFile file = RleFile(kRle4, 8, 1,
                               {0x03, 0x12,                    // 1 2 1
                                0x00, 0x05, 0x34, 0x50, 0x10,  // absolute 3 4 5 0 1
                                0x00,                          // pad to 16 bits
                                0x00, 0x01});
  EXPECT_TRUE(DecodesTo(file, Rows({{kRed, kGreen, kRed, kBlue, kWhite, 0xFF808080, kBlack, kRed}})));
}

TEST(BmpRle, RunCrossingTheRowEndIsCutThere) {
  const BmpFile file = RleFile(kRle8, 3, 2, {0x05, 0x01, 0x00, 0x00, 0x07, 0x02, 0x00, 0x01});
  EXPECT_TRUE(DecodesTo(file, Rows({{kGreen, kGreen, kGreen}, {kRed, kRed, kRed}})));
}

TEST(BmpRle, EndOfBitmapMayBeMissingOnceEveryRowIsDone) {
  EXPECT_TRUE(Opens(RleFile(kRle8, 2, 1, {0x02, 0x01})));
  EXPECT_TRUE(Opens(RleFile(kRle8, 2, 1, {0x02, 0x01, 0x00, 0x00})));
  EXPECT_FALSE(Opens(RleFile(kRle8, 2, 2, {0x02, 0x01, 0x00, 0x00})));
  EXPECT_FALSE(Opens(RleFile(kRle8, 2, 1, {0x01, 0x01})));
}

BmpFile BitFieldFile(std::vector<std::uint32_t> masks) {
  return OneRow(1, 16, {0, 0, 0, 0}, std::move(masks));
}

BmpFile SmallRleFile(Bytes stream) { return RleFile(kRle8, 3, 2, std::move(stream)); }

// The files that the broken ones below start from.
TEST(BmpRules, UnbrokenFilesOpen) {
  EXPECT_TRUE(Opens(PaletteFile()));
  BmpFile fields = BitFieldFile({0xF800, 0x07E0, 0x001F});
  EXPECT_TRUE(Opens(fields));
  fields.header_size = 52;
  EXPECT_TRUE(Opens(fields));
  EXPECT_TRUE(Opens(SmallRleFile({0x00, 0x01})));
}

// Each case breaks one thing in an otherwise good file.
struct BrokenFile {
  const char* what;
  BmpFile file;
};

std::vector<BrokenFile> BrokenFiles() {
  std::vector<BrokenFile> cases;
  const auto add = [&](const char* what, BmpFile file) { cases.push_back({what, file}); };
  const auto broken = [](auto change) {
    BmpFile file = PaletteFile();
    change(file);
    return file;
  };
  add("file size field beyond the data", broken([](BmpFile& f) { f.file_size = 1000; }));
  add("header size of no version", broken([](BmpFile& f) { f.header_size = 66; }));
  add("two planes", broken([](BmpFile& f) { f.planes = 2; }));
  add("zero width", broken([](BmpFile& f) { f.width = 0; }));
  add("negative width", broken([](BmpFile& f) { f.width = -2; }));
  add("zero height", broken([](BmpFile& f) { f.height = 0; }));
  add("height that has no positive", broken([](BmpFile& f) { f.height = INT32_MIN; }));
  add("2 bits", broken([](BmpFile& f) { f.bits = 2; }));
  add("64 bits", broken([](BmpFile& f) { f.bits = 64; }));
  add("30000 bits", broken([](BmpFile& f) { f.bits = 30000; }));
  add("JPEG inside", broken([](BmpFile& f) { f.compression = 4; }));
  add("PNG inside", broken([](BmpFile& f) { f.compression = 5; }));
  add("alpha bit fields", broken([](BmpFile& f) { f.compression = 6; }));
  add("unknown compression", broken([](BmpFile& f) { f.compression = 0x99000000; }));
  add("bit fields of 8 bits", broken([](BmpFile& f) { f.compression = kBitFields, f.masks = {0xE0, 0x1C, 0x03}; }));
  add("RLE8 of 4 bits", broken([](BmpFile& f) { f.compression = kRle8, f.bits = 4; }));
  add("more colours than 8 bits hold", broken([](BmpFile& f) { f.colors_used = 257; }));
  add("pixels inside the headers", broken([](BmpFile& f) { f.pixel_offset = 40; }));
  add("pixels beyond the file", broken([](BmpFile& f) { f.pixel_offset = 0x7FFFFFFF; }));
  add("image size beyond the data", broken([](BmpFile& f) { f.image_size = 9; }));
  add("last row cut", broken([](BmpFile& f) { f.pixels.resize(5); }));
  add("densities 1 to 101", broken([](BmpFile& f) { f.x_density = 1, f.y_density = 101; }));
  add("index beyond the palette", broken([](BmpFile& f) { f.colors_used = 3, f.palette.pop_back(); }));

  const auto fields = BitFieldFile;
  add("empty blue mask", fields({0xFF00, 0x00FF, 0}));
  add("overlapping masks", fields({0xF800, 0x0FE0, 0x001F}));
  add("mask with a gap", fields({0xF800, 0x07E0, 0x0015}));
  add("mask beyond 16 bits", fields({0x1F0000, 0x07E0, 0x001F}));
  add("masks cut off", fields({0xF800}));
  BmpFile inside_masks = fields({0xF800, 0x07E0, 0x001F});
  inside_masks.pixel_offset = 14 + 40 + 8;
  add("pixels inside the masks", inside_masks);
  BmpFile huffman = fields({0xF800, 0x07E0, 0x001F});
  huffman.header_size = 64;  // OS/2: compression 3 is Huffman 1D
  add("Huffman of an OS/2 header", huffman);

  const auto rle = SmallRleFile;
  add("pixels after a run filled the row", rle({0x03, 0x01, 0x01, 0x01, 0x00, 0x01}));
  add("absolute run after the row end", rle({0x03, 0x01, 0x00, 0x03, 1, 1, 1, 0, 0x00, 0x01}));
  add("delta beyond the row", rle({0x00, 0x02, 0x04, 0x00, 0x00, 0x01}));
  add("delta above the top row", rle({0x00, 0x02, 0x00, 0x02, 0x00, 0x01}));
  add("delta cut", rle({0x00, 0x02, 0x01}));
  add("end of line above the top", rle({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}));
  add("absolute run cut", rle({0x00, 0x03, 0x01, 0x01}));
  add("stream ends midway", rle({0x03, 0x01, 0x00, 0x00}));
  add("run index beyond the palette", rle({0x01, 0x06, 0x00, 0x01}));
  add("absolute index beyond the palette", rle({0x00, 0x03, 0x01, 0x09, 0x01, 0x00, 0x00, 0x01}));
  BmpFile top_down = rle({0x00, 0x01});
  top_down.height = -2;
  add("RLE stored top-down", top_down);
  return cases;
}

TEST(BmpRules, EachBrokenFileIsRefused) {
  for (const BrokenFile& c : BrokenFiles()) {
    EXPECT_FALSE(Opens(c.file)) << c.what;
  }
}

TEST(BmpRules, HarmlessOddities) {
  BmpFile file = PaletteFile();
  EXPECT_TRUE(Opens(file));
  file.file_size = 0;  // written by some tools
  EXPECT_TRUE(Opens(file));
  file.file_size = 54;  // only the headers
  EXPECT_TRUE(Opens(file));
  file.pixels.resize(6);  // the last row's padding
  EXPECT_TRUE(Opens(file));
  file.x_density = 0;  // unknown
  EXPECT_TRUE(Opens(file));
  file.x_density = 5670;  // twice as wide as high
  EXPECT_TRUE(Opens(file));
  file.pixel_offset = 14 + 40 + 4 * 4 + 2;  // a gap before the pixels
  file.pixels.insert(file.pixels.begin(), {0xAA, 0xBB});
  EXPECT_TRUE(DecodesTo(file, kPaletteFilePixels));
}

TEST(BmpRules, PaletteIndicesAreCheckedOnlyInsideTheWidth) {
  // The eighth bit is padding.
  const BmpFile file = PaletteRow(7, 1, {0x123456}, {0x01, 0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(DecodesTo(file, std::vector<std::uint32_t>(7, 0xFF123456)));
}

// A cut file is refused at every length, while its file size field tells the truth.
// Without that field, a prefix opens only when it holds the whole picture, and then
// gives the same pixels as the whole file.
TEST(BmpTruncation, EveryPrefixOfAGoodFile) {
  for (const char* name : {"g/pal1.bmp", "g/pal4rle.bmp", "g/pal8rle.bmp", "g/rgb16-565.bmp",
                           "q/pal8os2sp.bmp", "goximage_yellow_rose-small-v5.bmp",
                           "pil_hopper_rle8.bmp"}) {
    SCOPED_TRACE(name);
    Bytes data = ReadFile(CorpusFolder("bmp") + "/" + name);
    const Picture whole = OpenAndDecode(OpenBmp, data);
    ASSERT_TRUE(whole.decoded);
    for (std::size_t length = 0; length < data.size(); ++length) {
      ASSERT_EQ(OpenBmp(data.data(), length), nullptr) << length;
    }
    data[2] = data[3] = data[4] = data[5] = 0;
    for (std::size_t length = 0; length < data.size(); ++length) {
      const Bytes prefix(data.begin(), data.begin() + length);
      const Picture picture = OpenAndDecode(OpenBmp, prefix);
      if (picture.decoded) {
        ASSERT_EQ(picture, whole) << length;
      }
    }
  }
}

TEST(BmpTruncation, UncompressedOpensFromTheLastRowsPixels) {
  BmpFile file = PaletteFile();
  file.file_size = 0;
  const Bytes data = file.Build();
  const std::size_t pixels_end = data.size() - 2;  // without the last row's padding
  for (std::size_t length = 0; length <= data.size(); ++length) {
    EXPECT_EQ(OpenBmp(data.data(), length) != nullptr, length >= pixels_end) << length;
  }
}

// A header may claim any size while the data is tiny: opening reports it without
// allocating anything for it (an allocation of that size would fail the test).
TEST(BmpHostile, AbsurdSizesAreReportedWithoutAllocating) {
  BmpFile file = RleFile(kRle8, INT32_MAX, INT32_MAX, {0x00, 0x01});
  const Bytes data = file.Build();
  const auto decoder = OpenBmp(data.data(), data.size());
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->width(), INT32_MAX);
  EXPECT_EQ(decoder->height(), INT32_MAX);

  BmpFile huge;
  huge.width = INT32_MAX;
  huge.height = -INT32_MAX;
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    huge.bits = bits;
    huge.palette.assign(bits <= 8 ? 1u << bits : 0, 0);
    huge.pixels.assign(64, 0);
    EXPECT_FALSE(Opens(huge)) << bits;
  }
}

TEST(BmpHostile, WideRleRowDecodesIntoOneRow) {
  Bytes stream;
  for (int i = 0; i < 400; ++i) stream.insert(stream.end(), {0xFF, 0x01});
  stream.insert(stream.end(), {0x00, 0x02, 0xFF, 0x00, 0x01, 0x03, 0x00, 0x01});
  const Picture picture = Decoded(RleFile(kRle8, 110000, 1, stream));
  ASSERT_TRUE(picture.decoded);
  EXPECT_EQ(picture.at(0, 0), kRed);
  EXPECT_EQ(picture.at(101999, 0), kRed);
  EXPECT_EQ(picture.at(102000, 0), kUnwritten);
  EXPECT_EQ(picture.at(102255, 0), kBlue);
  EXPECT_EQ(picture.at(102256, 0), kUnwritten);
}

TEST(BmpHostile, NotABmp) {
  EXPECT_EQ(OpenBmp(nullptr, 0), nullptr);
  const Bytes ba = ReadFile(CorpusFolder("bmp") + "/x/ba-bm.bmp");
  EXPECT_EQ(OpenBmp(ba.data(), ba.size()), nullptr);
  Bytes bm = PaletteFile().Build();
  bm[1] = 'A';
  EXPECT_EQ(OpenBmp(bm.data(), bm.size()), nullptr);
}

}  // namespace
}  // namespace vx::testing
