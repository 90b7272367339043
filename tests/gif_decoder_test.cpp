// The GIF decoder: the third-party corpus, exact pixels of files built byte by byte (frame
// placement, transparency, interlacing, colour tables, LZW of every code size), cut files
// and hostile sizes.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "tests/decoder_test_support.h"

namespace vx::testing {
namespace {

constexpr std::uint32_t kUnwritten = 0;
constexpr std::uint32_t kBlack = 0xFF000000;

// Codes of varying width, least significant bit first, cut into GIF sub-blocks.
class CodeWriter {
 public:
  void Put(int code, int width) {
    bits_ |= std::uint32_t(code) << count_;
    for (count_ += width; count_ >= 8; count_ -= 8, bits_ >>= 8) bytes_.push_back(bits_ & 0xFF);
  }
  Bytes SubBlocks() {
    if (count_ > 0) bytes_.push_back(bits_ & 0xFF);
    Bytes blocks;
    for (std::size_t at = 0; at < bytes_.size(); at += 255) {
      const std::size_t n = std::min<std::size_t>(255, bytes_.size() - at);
      blocks.push_back(std::uint8_t(n));
      blocks.insert(blocks.end(), bytes_.begin() + at, bytes_.begin() + at + n);
    }
    blocks.push_back(0);
    return blocks;
  }

 private:
  Bytes bytes_;
  std::uint32_t bits_ = 0;
  int count_ = 0;
};

// A plain LZW compressor as GIF writers use it. Codes widen with the table up to 12 bits;
// a full table is cleared, or with `defer_clear` kept as it is.
Bytes Compress(const Bytes& pixels, int min_code_size, bool defer_clear = false) {
  const int clear = 1 << min_code_size;
  CodeWriter out;
  std::map<std::pair<int, int>, int> table;
  int width = min_code_size + 1, next = clear + 2, prefix = -1;
  out.Put(clear, width);
  for (std::uint8_t pixel : pixels) {
    if (prefix < 0) {
      prefix = pixel;
      continue;
    }
    const auto known = table.find({prefix, pixel});
    if (known != table.end()) {
      prefix = known->second;
      continue;
    }
    out.Put(prefix, width);
    if (next < 4096) {
      table[{prefix, pixel}] = next++;
      if (next > (1 << width) && width < 12) ++width;
    } else if (!defer_clear) {
      out.Put(clear, width);
      table.clear();
      next = clear + 2;
      width = min_code_size + 1;
    }
    prefix = pixel;
  }
  if (prefix >= 0) out.Put(prefix, width);
  out.Put(clear + 1, width);
  return out.SubBlocks();
}

// Codes given one by one at a fixed width, for broken streams.
Bytes RawCodes(std::initializer_list<int> codes, int width) {
  CodeWriter out;
  for (int code : codes) out.Put(code, width);
  return out.SubBlocks();
}

int TableSizeField(std::size_t colors) {
  int field = 0;
  while ((2u << field) < colors) ++field;
  return field;
}

struct GifFrame {
  int left = 0, top = 0, width = 1, height = 1;
  bool interlaced = false;
  std::vector<std::uint32_t> local_colors{};  // 0xRRGGBB; a power of two from 2 to 256
  Bytes pixels{};                             // rows top first, whatever the storage order
  int min_code_size = 8;
  std::optional<Bytes> data{};  // instead of the compressed pixels
};

// A GIF built record by record.
class GifWriter {
 public:
  GifWriter(int width, int height, const std::vector<std::uint32_t>& global_colors) {
    out_.Raw({'G', 'I', 'F', '8', '9', 'a'}).U16(width).U16(height);
    out_.U8(global_colors.empty() ? 0 : 0x80 | TableSizeField(global_colors.size())).U8(0).U8(0);
    Colors(global_colors);
  }
  GifWriter& Control(int transparent, std::uint8_t length = 4) {
    out_.Raw({'!', 0xF9}).U8(length).U8(transparent >= 0 ? 1 : 0).U16(0).U8(transparent);
    for (int i = 4; i < length; ++i) out_.U8(0);
    out_.U8(0);
    return *this;
  }
  GifWriter& Comment() {
    out_.Raw({'!', 0xFE, 3, 'a', 'b', 'c', 0});
    return *this;
  }
  GifWriter& Frame(const GifFrame& frame) {
    std::uint8_t flags = frame.interlaced ? 0x40 : 0;
    if (!frame.local_colors.empty()) flags |= 0x80 | TableSizeField(frame.local_colors.size());
    out_.U8(',').U16(frame.left).U16(frame.top).U16(frame.width).U16(frame.height).U8(flags);
    Colors(frame.local_colors);
    out_.U8(frame.min_code_size);
    out_.Raw(frame.data ? *frame.data : Compress(StoredOrder(frame), frame.min_code_size));
    return *this;
  }
  Bytes Finish() {
    out_.U8(';');
    return out_.bytes();
  }

 private:
  void Colors(const std::vector<std::uint32_t>& colors) {
    for (std::uint32_t c : colors) out_.U8(c >> 16).U8(c >> 8).U8(c);
  }
  // Interlaced frames store rows 0, 8, 16... then 4, 12... then 2, 6... then 1, 3...
  static Bytes StoredOrder(const GifFrame& frame) {
    if (!frame.interlaced) return frame.pixels;
    Bytes stored;
    const int first[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = first[pass]; y < frame.height; y += step[pass]) {
        const auto row = frame.pixels.begin() + std::ptrdiff_t(y) * frame.width;
        stored.insert(stored.end(), row, row + frame.width);
      }
    }
    return stored;
  }

  ByteWriter out_;
};

const std::vector<std::uint32_t> kFourColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kWhite = 0xFFFFFFFF;

Picture Decoded(const Bytes& data) { return OpenAndDecode(OpenGif, data); }

using Pixels = std::vector<std::uint32_t>;

::testing::AssertionResult DecodesTo(const Bytes& data, const Pixels& pixels) {
  return vx::testing::DecodesTo(OpenGif, data, pixels);
}

bool Opens(const Bytes& data) { return OpenGif(data.data(), data.size()) != nullptr; }

// Pixels in a pseudo-random walk with runs, so that LZW finds repeats but never fills a
// frame with one string.
Bytes Scribble(std::size_t count, int values) {
  Bytes pixels(count);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1103515245 + 12345;
    pixels[i] = (state >> 16) % 4 == 0 || i == 0 ? (state >> 20) % values : pixels[i - 1];
  }
  return pixels;
}

TEST(GifCorpus, EveryFileGivesItsExpectedOutcome) { CheckCorpus("gif", OpenGif); }

// Reference pixels were read by hand with Python PIL (frame 0, convert("RGBA")).
TEST(GifCorpus, SamplePixelsMatchAnIndependentDecoder) {
  CheckSamples("gif", OpenGif,
               {{"go_video-001.interlaced.gif", 75, 50, 0xA24D00},
                {"imagegif_interlaced.gif", 300, 200, 0x6B0094},
                {"pil_chi.gif", 160, 120, 0xFEFFFC},
                {"gifsuite_max-codes.gif", 50, 50, 0x800000},
                {"gifsuite_max-codes.gif", 99, 0, 0x800080},
                {"pil_transparent.gif", 100, 75, 0x863C3C},
                {"pil_iss634.gif", 122, 122, 0x39646A},
                {"gifsuite_high-color.gif", 7, 3, 0x381800}});
}

TEST(GifCorpus, InterlacedCopiesDecodeLikeTheirOriginals) {
  for (const auto& [plain, interlaced] :
       {std::pair{"go_video-001.gif", "go_video-001.interlaced.gif"},
        std::pair{"peterdn_animated_loop.gif", "peterdn_animated_loop_interlaced.gif"}}) {
    SCOPED_TRACE(interlaced);
    const Picture expected = Decoded(ReadFile(CorpusFolder("gif") + "/" + plain));
    ASSERT_TRUE(expected.decoded);
    EXPECT_EQ(Decoded(ReadFile(CorpusFolder("gif") + "/" + interlaced)), expected);
  }
}

TEST(GifFrames, FrameSitsAtItsPlaceOnALargerScreen) {
  const Bytes data = GifWriter(5, 4, kFourColors)
                         .Frame({.left = 2, .top = 1, .width = 2, .height = 2, .pixels = {0, 1, 2, 3}})
                         .Finish();
  const std::uint32_t n = kUnwritten;
  EXPECT_TRUE(DecodesTo(data, Pixels{n, n, n,     n,      n,  //
                                     n, n, kRed,  kGreen, n,  //
                                     n, n, kBlue, kWhite, n,  //
                                     n, n, n,     n,      n}));
}

TEST(GifFrames, FrameLeavingTheScreenIsCut) {
  const Bytes data =
      GifWriter(2, 2, kFourColors)
          .Frame({.left = 1, .top = 1, .width = 3, .height = 3, .pixels = {0, 1, 1, 2, 1, 1, 1, 1, 1}})
          .Finish();
  EXPECT_TRUE(DecodesTo(data, Pixels{kUnwritten, kUnwritten, kUnwritten, kRed}));
  const Bytes outside =
      GifWriter(2, 2, kFourColors).Frame({.left = 9, .top = 0, .pixels = {0}}).Finish();
  EXPECT_TRUE(DecodesTo(outside, Pixels(4, kUnwritten)));
}

TEST(GifFrames, TransparentIndexIsNotWritten) {
  const GifFrame frame = {.width = 4, .pixels = {0, 1, 2, 1}};
  const Bytes data = GifWriter(4, 1, kFourColors).Control(1).Frame(frame).Finish();
  EXPECT_TRUE(DecodesTo(data, Pixels{kRed, kUnwritten, kBlue, kUnwritten}));
  // The last control block before the frame counts; a malformed one counts as none.
  const Bytes later = GifWriter(4, 1, kFourColors).Control(1).Comment().Control(2).Frame(frame).Finish();
  EXPECT_TRUE(DecodesTo(later, Pixels{kRed, kGreen, kUnwritten, kGreen}));
  const Bytes malformed =
      GifWriter(4, 1, kFourColors).Control(1).Control(2, 5).Frame(frame).Finish();
  EXPECT_TRUE(DecodesTo(malformed, Pixels{kRed, kGreen, kBlue, kGreen}));
  const Bytes no_flag = GifWriter(4, 1, kFourColors).Control(-1).Frame(frame).Finish();
  EXPECT_TRUE(DecodesTo(no_flag, Pixels{kRed, kGreen, kBlue, kGreen}));
}

TEST(GifFrames, OnlyTheFirstFrameIsDrawn) {
  const Bytes data = GifWriter(2, 1, kFourColors)
                         .Frame({.width = 2, .pixels = {0, 1}})
                         .Control(0)
                         .Frame({.width = 2, .pixels = {3, 3}})
                         .Finish();
  EXPECT_TRUE(DecodesTo(data, Pixels{kRed, kGreen}));
}

TEST(GifFrames, InterlacedRowsLandInPlaceForEveryHeight) {
  std::vector<std::uint32_t> colors(16);
  for (int i = 0; i < 16; ++i) colors[i] = 0x010101 * (i * 16);
  for (int height = 1; height <= 20; ++height) {
    SCOPED_TRACE(height);
    GifFrame frame = {.width = 1, .height = height, .interlaced = true};
    for (int y = 0; y < height; ++y) frame.pixels.push_back(y % 16);
    const Picture picture = Decoded(GifWriter(1, height, colors).Frame(frame).Finish());
    ASSERT_TRUE(picture.decoded);
    for (int y = 0; y < height; ++y) EXPECT_EQ(picture.at(0, y), kBlack | colors[y % 16]) << y;
  }
}

TEST(GifFrames, LocalColorTableOverGlobal) {
  const Bytes data = GifWriter(2, 1, kFourColors)
                         .Frame({.width = 2, .local_colors = {0x123456, 0x654321}, .pixels = {1, 0}})
                         .Finish();
  EXPECT_TRUE(DecodesTo(data, Pixels{0xFF654321, 0xFF123456}));
}

TEST(GifFrames, IndexBeyondTheColorTableIsBlack) {
  const Bytes short_table =
      GifWriter(3, 1, {0xFF0000, 0x00FF00}).Frame({.width = 3, .pixels = {1, 2, 255}}).Finish();
  EXPECT_TRUE(DecodesTo(short_table, Pixels{kGreen, kBlack, kBlack}));
  const Bytes no_table = GifWriter(2, 1, {}).Frame({.width = 2, .pixels = {0, 7}}).Finish();
  EXPECT_TRUE(DecodesTo(no_table, Pixels{kBlack, kBlack}));
}

// A real compressor's output through giflib (code sizes 2 to 8) and through our own
// reader (9 to 11), with a table that is cleared when full or kept full.
TEST(GifLzw, CompressedFramesOfEveryCodeSize) {
  std::vector<std::uint32_t> colors(256);
  for (int i = 0; i < 256; ++i) colors[i] = 0x010203 * i;
  for (int code_size = 2; code_size <= 11; ++code_size) {
    for (bool defer_clear : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "code size " << code_size << " defer " << defer_clear);
      GifFrame frame = {.width = 300, .height = 200, .min_code_size = code_size};
      frame.pixels = Scribble(300 * 200, std::min(1 << code_size, 256));
      frame.data = Compress(frame.pixels, code_size, defer_clear);
      const Picture picture = Decoded(GifWriter(300, 200, colors).Frame(frame).Finish());
      ASSERT_TRUE(picture.decoded);
      for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        ASSERT_EQ(picture.pixels[i], kBlack | colors[frame.pixels[i]]) << i;
      }
    }
  }
}

TEST(GifLzw, BrokenStreamsAreRefusedWhoeverReadsThem) {
  for (int code_size : {8, 10}) {
    SCOPED_TRACE(code_size);
    const int clear = 1 << code_size, end = clear + 1, width = code_size + 1;
    const auto frame = [&](Bytes data) {
      return GifWriter(2, 2, kFourColors)
          .Frame({.width = 2, .height = 2, .min_code_size = code_size, .data = data})
          .Finish();
    };
    EXPECT_TRUE(Opens(frame(RawCodes({clear, 1, 2, 3, 0, end}, width))));
    EXPECT_TRUE(Opens(frame(RawCodes({clear, 1, clear + 2, 3, end}, width))));  // 1 1 1 3
    EXPECT_FALSE(Opens(frame(RawCodes({clear, 1, 2, 3, end}, width)))) << "end code early";
    EXPECT_FALSE(Opens(frame(RawCodes({clear, clear + 2, 1, 2, 3, end}, width))))
        << "table entry right after a clear";
    Bytes unterminated = RawCodes({clear, 1, 2, 3, 0, end}, width);
    unterminated.pop_back();
    EXPECT_FALSE(Opens(frame(unterminated))) << "no empty sub-block";
  }
  const auto wide = [](Bytes data) {
    return GifWriter(2, 1, kFourColors)
        .Frame({.width = 2, .min_code_size = 9, .data = data})
        .Finish();
  };
  EXPECT_TRUE(Opens(wide(RawCodes({512, 255, 255, 513}, 10))));
  // giflib makes something of a code that is not yet defined; our reader refuses it.
  EXPECT_FALSE(Opens(wide(RawCodes({512, 1, 515, 513}, 10)))) << "code not yet defined";
  EXPECT_FALSE(Opens(wide(RawCodes({512, 256, 1, 513}, 10)))) << "pixel value beyond a byte";
  EXPECT_FALSE(Opens(GifWriter(1, 1, kFourColors)
                         .Frame({.min_code_size = 12, .data = RawCodes({0, 0}, 12)})
                         .Finish()))
      << "code size 12 leaves no room for the clear code";
}

// A cut file opens only when the first frame is whole, and then shows exactly what the
// whole file shows: the openable prefixes are those from some length on.
TEST(GifTruncation, EveryPrefixOfAGoodFile) {
  for (const char* name : {"gifsuite_max-codes.gif", "go_video-001.interlaced.gif",
                           "peterdn_animated_loop_interlaced.gif", "gifsuite_dispose-keep.gif",
                           "peterdn_static_transparent.gif",
                           "gifsuite_image-outside-bg.gif", "pil_no_palette.gif"}) {
    SCOPED_TRACE(name);
    const Bytes data = ReadFile(CorpusFolder("gif") + "/" + name);
    const Picture whole = Decoded(data);
    ASSERT_TRUE(whole.decoded);
    bool opened_before = false;
    for (std::size_t length = 0; length < data.size(); ++length) {
      const Picture picture = Decoded(Bytes(data.begin(), data.begin() + length));
      ASSERT_TRUE(!opened_before || picture.decoded) << length;
      if (picture.decoded) {
        ASSERT_EQ(picture, whole) << length;
      }
      opened_before = picture.decoded;
    }
  }
}

// Opening reports a screen of any size without allocating for it (an allocation of that
// size would fail the test); a frame too large to be shown is refused before decoding.
TEST(GifHostile, HugeScreensAndFrames) {
  const Bytes huge_screen = GifWriter(65535, 65535, kFourColors).Frame({.pixels = {1}}).Finish();
  const auto decoder = OpenGif(huge_screen.data(), huge_screen.size());
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->width(), 65535);
  EXPECT_EQ(decoder->height(), 65535);

  // The LZW data of a few bytes could never fill these frames.
  for (int height : {65535, 8192}) {
    const Bytes huge_frame =
        GifWriter(1, 1, kFourColors)
            .Frame({.width = 65535, .height = height, .data = RawCodes({256, 1, 257}, 9)})
            .Finish();
    EXPECT_FALSE(Opens(huge_frame)) << height;
  }
}

TEST(GifHostile, NotAGif) {
  EXPECT_EQ(OpenGif(nullptr, 0), nullptr);
  const Bytes empty_screen = GifWriter(0, 5, kFourColors).Frame({.pixels = {1}}).Finish();
  EXPECT_FALSE(Opens(empty_screen));
  EXPECT_FALSE(Opens(GifWriter(3, 3, kFourColors).Finish())) << "no frame";
  Bytes bad_record = GifWriter(3, 3, kFourColors).Frame({.pixels = {1}}).Finish();
  bad_record[6 + 7 + 12] = 'x';  // where the frame's ',' was
  EXPECT_FALSE(Opens(bad_record));
}

}  // namespace
}  // namespace vx::testing
