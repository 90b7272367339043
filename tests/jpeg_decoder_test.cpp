// The JPEG decoder of the picture service, against libjpeg's own output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "base/jpeg_error_jump.h"
#include "platform/codecs/helper_thread_slots.h"
#include "platform/codecs/picture_decoder.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

const std::string kCorpus = VXIMAGE_SOURCE_DIR "/tests/corpus/jpeg/";

struct Decoded {
  int width = 0, height = 0;
  bool complete = false;
  std::vector<std::uint32_t> words;
};

Decoded Decode(const std::vector<std::uint8_t>& bytes, JpegThreads threads = JpegThreads::kBySize) {
  Decoded out;
  std::unique_ptr<PictureDecoder> decoder = OpenJpeg(bytes.data(), bytes.size(), threads);
  if (!decoder) return out;
  out.width = decoder->width();
  out.height = decoder->height();
  if (std::int64_t{out.width} * out.height > std::int64_t{1} << 26) return out;  // measured only
  out.words.assign(std::size_t(out.width) * out.height, 0);
  out.complete = decoder->Decode(out.words.data(), out.width) == DecodeResult::kWhole;
  EXPECT_EQ(decoder->Decode(out.words.data(), out.width), DecodeResult::kNothing);  // one decode per opening
  return out;
}

TEST(JpegDecoder, PixelsEqualTheLibrarysOwnRgbOutput) {
  for (const char* name : {"go_video-001.jpeg", "go_video-001.progressive.jpeg", "go_video-001.q50.420.jpeg",
                           "go_video-001.q50.411.jpeg", "go_video-001.q50.440.jpeg", "go_video-001.gray.jpeg"}) {
    SCOPED_TRACE(name);
    const std::string path = kCorpus + name;
    if (!FileExists(path)) continue;
    Decoded ours = Decode(ReadBytes(path));
    RgbImage reference = ReadJpegFile(path);
    ASSERT_EQ(ours.width, reference.width);
    ASSERT_EQ(ours.height, reference.height);
    EXPECT_TRUE(ours.complete);
    for (int y = 0; y < ours.height; ++y)
      for (int x = 0; x < ours.width; ++x) {
        const std::uint32_t w = ours.words[std::size_t(y) * ours.width + x];
        const std::uint8_t* p = reference.At(x, y);
        const std::uint32_t expected = 0xFF000000u | p[0] << 16 | p[1] << 8 | p[2];
        ASSERT_EQ(w, expected) << x << "," << y;
      }
  }
}

TEST(JpegDecoder, CmykLooksLikeTheSamePictureInYCbCr) {
  Decoded cmyk = Decode(ReadBytes(kCorpus + "go_video-001.cmyk.jpeg"));
  Decoded ycc = Decode(ReadBytes(kCorpus + "go_video-001.jpeg"));
  ASSERT_EQ(cmyk.width, ycc.width);
  ASSERT_EQ(cmyk.height, ycc.height);
  long difference = 0;
  for (std::size_t i = 0; i < cmyk.words.size(); ++i)
    for (int shift : {0, 8, 16})
      difference += std::abs(int((cmyk.words[i] >> shift) & 0xFF) - int((ycc.words[i] >> shift) & 0xFF));
  const double mean = double(difference) / (cmyk.words.size() * 3);
  // The two files were converted with a colour profile that a plain ink formula does not
  // follow, so they differ by about 35 on average; reading the ink the wrong way round
  // differs by about 145.
  EXPECT_LT(mean, 50.0);
}

TEST(JpegDecoder, TruncatedBaselineStopsAtTheMissingData) {
  TempDir dir;
  WriteJpegFile(dir.File("noise.jpg"), 48, 96, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 31 + y * 17);
    p[1] = std::uint8_t(x * y);
    p[2] = std::uint8_t(200 + (x ^ y) % 50);
  });
  std::vector<std::uint8_t> bytes = ReadBytes(dir.File("noise.jpg"));
  Decoded whole = Decode(bytes);
  ASSERT_TRUE(whole.complete);
  bytes.resize(bytes.size() / 2);
  Decoded half = Decode(bytes);
  ASSERT_EQ(half.height, 96);
  EXPECT_FALSE(half.complete);
  int first_black_row = -1;
  for (int y = 0; y < 96 && first_black_row < 0; ++y) {
    bool black = true;
    for (int x = 0; x < 48; ++x) black = black && half.words[std::size_t(y) * 48 + x] == 0;
    if (black) first_black_row = y;
  }
  ASSERT_GT(first_black_row, 8);
  ASSERT_LT(first_black_row, 90);
  for (int y = 0; y < first_black_row; ++y)
    for (int x = 0; x < 48; ++x)
      ASSERT_EQ(half.words[std::size_t(y) * 48 + x], whole.words[std::size_t(y) * 48 + x]) << x << "," << y;
  for (std::size_t i = std::size_t(first_black_row) * 48; i < half.words.size(); ++i) ASSERT_EQ(half.words[i], 0u);
}

TEST(JpegDecoder, EveryTruncationOfAFileIsHandled) {
  const std::vector<std::uint8_t> bytes = ReadBytes(kCorpus + "go_video-001.q50.420.jpeg");
  for (std::size_t length = 0; length < bytes.size(); length += 7) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
    Decoded d = Decode(cut);
    if (d.width) {
      EXPECT_EQ(d.width, 150);
      EXPECT_EQ(d.height, 103);
    }
  }
}

void ExpectTwoBandsGiveOneBand(const std::vector<std::uint8_t>& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  const Decoded one = Decode(bytes, JpegThreads::kOne);
  const Decoded two = Decode(bytes, JpegThreads::kTwo);
  EXPECT_EQ(one.width, two.width);
  EXPECT_EQ(one.height, two.height);
  EXPECT_EQ(one.complete, two.complete);
  EXPECT_TRUE(one.words == two.words);
}

// Two bands at once must give exactly what one band gives: every corpus file, and a large
// baseline photograph cut short, broken in its lower part, and followed by garbage.
TEST(JpegDecoder, TwoBandsGiveTheOneBandResult) {
  const auto expect_same = ExpectTwoBandsGiveOneBand;
  int files = 0;
  for (const char* folder : {"/tests/corpus/jpeg/", "/tests/corpus/photos/"}) {
    for (const auto& entry : std::filesystem::directory_iterator(VXIMAGE_SOURCE_DIR + std::string(folder))) {
      const std::string name = entry.path().filename().string();
      if (name.size() < 4 || (name.substr(name.size() - 4) != ".jpg" && name.substr(name.size() - 5) != ".jpeg"))
        continue;
      expect_same(ReadBytes(entry.path().string()), name);
      ++files;
    }
  }
  EXPECT_GT(files, 50);

  const std::vector<std::uint8_t> photo = ReadBytes(VXIMAGE_SOURCE_DIR "/tests/corpus/photos/mate_Dune.jpg");
  ASSERT_TRUE(Decode(photo, JpegThreads::kOne).complete);
  for (int percent : {20, 50, 67, 80, 99}) {
    const std::vector<std::uint8_t> cut(photo.begin(), photo.begin() + std::ptrdiff_t(photo.size() * percent / 100));
    expect_same(cut, "cut to " + std::to_string(percent) + " %");
  }
  for (int percent : {30, 70, 90}) {
    std::vector<std::uint8_t> broken = photo;
    for (std::size_t i = 0; i < 64; ++i) broken[broken.size() * percent / 100 + i] ^= 0x5A;
    expect_same(broken, "broken at " + std::to_string(percent) + " %");
  }
  std::vector<std::uint8_t> trailed = photo;
  trailed.insert(trailed.end() - 2, {0x12, 0x34, 0x56});  // before the end-of-image marker
  expect_same(trailed, "bytes before the end marker");
  std::vector<std::uint8_t> no_end(photo.begin(), photo.end() - 2);
  expect_same(no_end, "no end marker");
}

// A picture of fine detail in every channel, whose colour changes from row to row so that
// smooth upsampling has context to take, written with restart markers: every
// `restart_rows` rows of MCUs, or every `restart_mcus` MCUs.
std::vector<std::uint8_t> RestartJpeg(int width, int height, int components, int h_samp, int v_samp,
                                      int restart_rows, int restart_mcus) {
  std::vector<std::uint8_t> pixels(std::size_t(width) * height * components);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        pixels[(std::size_t(y) * width + x) * components + c] = std::uint8_t((x * (3 + c) + y * (5 + 2 * c)) ^ (x * y >> 4));
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.comp_info[0].h_samp_factor = h_samp;
  cinfo.comp_info[0].v_samp_factor = v_samp;
  cinfo.restart_in_rows = restart_rows;
  cinfo.restart_interval = JDIMENSION(restart_mcus);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = pixels.data() + std::size_t(cinfo.next_scanline) * width * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}


// Where the restart markers of the (one) scan lie: the offset of each one's 0xFF.
std::vector<std::size_t> RestartMarkers(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::size_t> markers;
  std::size_t at = 2;
  while (at + 4 <= bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == 0xDA))
    at += 2 + (std::size_t(bytes[at + 2]) << 8 | bytes[at + 3]);
  at += 2 + (std::size_t(bytes[at + 2]) << 8 | bytes[at + 3]);
  for (; at + 1 < bytes.size(); ++at) {
    if (bytes[at] != 0xFF || bytes[at + 1] == 0x00) continue;
    if (bytes[at + 1] < 0xD0 || bytes[at + 1] > 0xD7) break;
    markers.push_back(at);
  }
  return markers;
}

// A file with restart markers is split at the marker nearest its middle that opens a row
// of MCUs; its lower band starts there without reading the data above. The pixels are the
// one-band ones for every sampling, with markers every row, every few rows or every few
// MCUs, and also when the file is cut or broken in either band, or when a marker near the
// middle (the lower band's among them) is numbered out of turn, missing, preceded by stray
// bytes or replaced by the end marker.
TEST(JpegDecoder, TwoBandsFromARestartMarkerGiveTheOneBandResult) {
  struct Layout {
    int components, h_samp, v_samp;
  };
  for (const Layout layout : {Layout{3, 2, 2}, Layout{3, 2, 1}, Layout{3, 1, 1}, Layout{3, 1, 2}, Layout{1, 1, 1}}) {
    for (const auto& [restart_rows, restart_mcus] : {std::pair{1, 0}, std::pair{3, 0}, std::pair{0, 7}}) {
      const std::string what = std::to_string(layout.components) + " components " + std::to_string(layout.h_samp) +
                               "x" + std::to_string(layout.v_samp) + ", a marker every " +
                               (restart_rows ? std::to_string(restart_rows) + " rows" : std::to_string(restart_mcus) + " MCUs");
      const std::vector<std::uint8_t> bytes =
          RestartJpeg(203, 333, layout.components, layout.h_samp, layout.v_samp, restart_rows, restart_mcus);
      // The lower band starts at the iMCU row nearest the middle that a marker opens.
      const int imcu_rows = (333 + 8 * layout.v_samp - 1) / (8 * layout.v_samp);
      const int entry = JpegRestartEntryRow(bytes.data(), bytes.size());
      EXPECT_GT(entry, 0) << what;
      EXPECT_LE(std::abs(2 * entry + 1 - imcu_rows), 2 * std::max(restart_rows, 7)) << what;
      const JpegBandCounts before = JpegBandsSoFar();
      ExpectTwoBandsGiveOneBand(bytes, what);
      EXPECT_EQ(JpegBandsSoFar().from_restart, before.from_restart + 1) << what;  // cleanly, not redone
      EXPECT_EQ(JpegBandsSoFar().redone, before.redone) << what;
      for (const double place : {0.3, 0.8}) {
        std::vector<std::uint8_t> broken = bytes;
        for (std::size_t i = 0; i < 24; ++i) broken[std::size_t(double(broken.size()) * place) + i] ^= 0x5A;
        ExpectTwoBandsGiveOneBand(broken, what + ", broken at " + std::to_string(place));
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(double(bytes.size()) * place));
        ExpectTwoBandsGiveOneBand(cut, what + ", cut at " + std::to_string(place));
      }
      if (layout.components == 1) continue;
      const std::vector<std::size_t> markers = RestartMarkers(bytes);
      ASSERT_GE(markers.size(), 4u) << what;
      for (const std::size_t n : {markers.size() / 2 - 1, markers.size() / 2, markers.size() / 2 + 1}) {
        const std::size_t at = markers[n];
        std::vector<std::uint8_t> renumbered = bytes;
        renumbered[at + 1] = std::uint8_t(0xD0 + (renumbered[at + 1] - 0xD0 + 3) % 8);
        ExpectTwoBandsGiveOneBand(renumbered, what + ", marker " + std::to_string(n) + " renumbered");
        std::vector<std::uint8_t> missing = bytes;
        missing.erase(missing.begin() + std::ptrdiff_t(at), missing.begin() + std::ptrdiff_t(at + 2));
        ExpectTwoBandsGiveOneBand(missing, what + ", marker " + std::to_string(n) + " missing");
        std::vector<std::uint8_t> stray = bytes;
        stray.insert(stray.begin() + std::ptrdiff_t(at), {0x12, 0x34, 0x56});
        ExpectTwoBandsGiveOneBand(stray, what + ", stray bytes before marker " + std::to_string(n));
        std::vector<std::uint8_t> ended = bytes;
        ended[at + 1] = JPEG_EOI;
        ExpectTwoBandsGiveOneBand(ended, what + ", the end marker for marker " + std::to_string(n));
      }
    }
  }
  // A file without restart markers has no such place: its lower band skips.
  const std::vector<std::uint8_t> plain = RestartJpeg(203, 333, 3, 2, 2, 0, 0);
  EXPECT_EQ(JpegRestartEntryRow(plain.data(), plain.size()), -1);
  const JpegBandCounts before = JpegBandsSoFar();
  ExpectTwoBandsGiveOneBand(plain, "no restart markers");
  EXPECT_EQ(JpegBandsSoFar().skipping, before.skipping + 1);
}

// With every helper thread's slot taken (other loads busy on all cores), a large picture
// is decoded in one band by size, and still whole.
TEST(JpegDecoder, ALoadFindingNoFreeCoreDecodesAlone) {
  const std::vector<std::uint8_t> photo = ReadBytes(VXIMAGE_SOURCE_DIR "/tests/corpus/photos/mate_Dune.jpg");
  std::vector<std::unique_ptr<HelperThreadSlot>> busy;
  do {
    busy.push_back(std::make_unique<HelperThreadSlot>());
  } while (busy.back()->taken());
  const Decoded alone = Decode(photo, JpegThreads::kBySize);
  busy.clear();
  const Decoded one = Decode(photo, JpegThreads::kOne);
  EXPECT_TRUE(alone.complete);
  EXPECT_EQ(alone.width, 1680);
  EXPECT_TRUE(alone.words == one.words);
}

TEST(JpegDecoder, NonJpegDataIsRefused) {
  EXPECT_EQ(OpenJpeg(nullptr, 0), nullptr);
  const std::uint8_t soi_only[] = {0xFF, 0xD8};
  EXPECT_EQ(OpenJpeg(soi_only, sizeof soi_only), nullptr);
  const std::uint8_t text[] = "\xFF\xD8 this is not a JPEG";
  EXPECT_EQ(OpenJpeg(text, sizeof text), nullptr);
  EXPECT_EQ(OpenPicture(text + 2, sizeof text - 2), nullptr);
}

}  // namespace
}  // namespace vx::testing
