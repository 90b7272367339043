// Files built to keep the loader busy or make it allocate without bound are refused at
// once and within bounds; a file too large to decode keeps the previous picture.
#include <gtest/gtest.h>

#include "tests/hostile_files.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class HostileInputTest : public LeakCheckedTest {
 protected:
  // Writes the bytes as `name` and loads them into r.
  HRESULT Load(ResizeObject& r, const std::string& name, const Bytes& bytes) {
    WriteBytes(dir_.File(name), bytes);
    return r->LoadSourceImage(Bstr(dir_.File(name)));
  }
  // An object holding a small green picture that refusals must leave in place.
  void LoadKeeper(ResizeObject& r) {
    WritePngFile(dir_.File("keep.png"), 10, 10, Solid(0, 255, 0));
    ASSERT_EQ(r->LoadSourceImage(Bstr(dir_.File("keep.png"))), S_OK);
  }
  void ExpectKeeperLoaded(ResizeObject& r) {
    EXPECT_EQ(r.Width(), 10);
    EXPECT_EQ(r.Height(), 10);
    ASSERT_EQ(r->MakeMarkImage(Bstr(dir_.File("kept.jpg"))), S_OK);
    const RgbImage kept = ReadJpegFile(dir_.File("kept.jpg"));
    ASSERT_EQ(kept.width, 10);
    EXPECT_GT(kept.At(5, 5)[1], 240);
  }
  TempDir dir_;
};

TEST_F(HostileInputTest, ProgressiveJpegWithTooManyScansIsRefused) {
  const Bytes jpeg = ProgressiveJpeg(64, 64, 1);
  {
    // Repeating a refinement scan changes nothing; a few dozen scans are still a picture.
    ResizeObject r;
    EXPECT_EQ(Load(r, "some-scans.jpg", WithLastScanRepeated(jpeg, 60)), S_OK);
    EXPECT_EQ(r.Width(), 64);
  }
  // Thousands of them could keep the decoder busy for minutes on a large picture.
  ResizeObject r;
  LoadKeeper(r);
  EXPECT_EQ(Load(r, "scans.jpg", WithLastScanRepeated(jpeg, 2000)), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
  EXPECT_EQ(r.Width(), -1);
}

// A hundred scans of a picture of the largest size would keep the decoder busy for most of
// a minute; the scans together may visit each block 32 times on average, or 2^22 block
// visits on a small picture. Grey pictures from the library's own progression, whose six
// scans each visit every block, and its last scan repeated.
TEST_F(HostileInputTest, ScansAreBoundedByTheBlocksTheyVisit) {
  struct Case {
    int side;
    int repeats;
    bool refused;
  };
  // 4096 x 4096: 262 144 blocks, 32 visits each. 2048 x 2048: 65 536 blocks, and the
  // floor of 2^22 visits allows 64 each.
  const Bytes large = ProgressiveJpeg(4096, 4096, 1), small = ProgressiveJpeg(2048, 2048, 1);
  for (const Case& c : {Case{4096, 26, false}, Case{4096, 27, true}, Case{2048, 58, false}, Case{2048, 59, true}}) {
    SCOPED_TRACE(std::to_string(c.side) + " with " + std::to_string(c.repeats) + " more scans");
    ResizeObject r;
    LoadKeeper(r);
    const HRESULT loaded = Load(r, "scans.jpg", WithLastScanRepeated(c.side == 4096 ? large : small, c.repeats));
    EXPECT_EQ(loaded, c.refused ? S_FALSE : S_OK);
    EXPECT_EQ(r.Width(), c.refused ? -1 : c.side);
    if (c.refused) {
      EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
    }
  }
}

TEST_F(HostileInputTest, PngChunksCannotClaimMoreThanTheFileHolds) {
  const std::size_t before = PeakResidentBytes();
  for (const char* type : {"tEXt", "iTXt", "zTXt", "sPLT", "iCCP", "eXIf", "juNK"}) {
    SCOPED_TRACE(type);
    ResizeObject r;
    EXPECT_EQ(Load(r, "lying.png", PngWithLyingChunkLength(type)), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
  }
  // Each of these once had libpng allocate and clear 2 GiB.
  EXPECT_LT(PeakResidentBytes() - before, std::size_t{64} << 20);
}

TEST_F(HostileInputTest, CompressedTextIsNeverInflated) {
  // Ten 8 KB chunks of text that inflate to 8 MB each, all of it kept until the
  // pixels were read, and slowly.
  const Bytes png = PngWithTextBombs(10);
  ASSERT_LT(png.size(), std::size_t{100} << 10);
  const std::size_t before = PeakResidentBytes();
  ResizeObject r;
  EXPECT_EQ(Load(r, "text.png", png), S_OK);
  EXPECT_EQ(r.Width(), 4);
  EXPECT_LT(PeakResidentBytes() - before, std::size_t{32} << 20);
}

TEST_F(HostileInputTest, JpegSidesPastTheLibraryLimitAreRefusedForMemory) {
  const Bytes jpeg = ProgressiveJpeg(16, 16, 3);
  for (const auto& [width, height] : {std::pair{65501, 16}, std::pair{16, 65535}, std::pair{65535, 65535}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    ResizeObject r;
    LoadKeeper(r);
    EXPECT_EQ(Load(r, "wide.jpg", WithFrameSize(jpeg, width, height)), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Memory is not enough!");
    ExpectKeeperLoaded(r);
  }
}

TEST_F(HostileInputTest, JpegFrameOfNoHeightIsNotALargePicture) {
  // A height of 0 leaves it to a marker after the scan, which libjpeg does not read.
  const Bytes jpeg = ProgressiveJpeg(16, 16, 3);
  for (const auto& [width, height] : {std::pair{65501, 0}, std::pair{0, 65501}, std::pair{16, 0}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    ResizeObject r;
    EXPECT_EQ(Load(r, "flat.jpg", WithFrameSize(jpeg, width, height)), S_FALSE);
    EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
  }
}

TEST_F(HostileInputTest, ProgressiveJpegPastTheDecodersMemoryIsRefusedForMemory) {
  // 20000 x 20000 is a size the object takes, but the coefficients of three full-size
  // components need 2.4 GB, more than the decoder may have.
  ResizeObject r;
  LoadKeeper(r);
  EXPECT_EQ(Load(r, "deep.jpg", WithFrameSize(ProgressiveJpeg(16, 16, 3), 20000, 20000)), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Memory is not enough!");
  ExpectKeeperLoaded(r);
}

TEST_F(HostileInputTest, PngTakesLittleMoreThanItsBitmap) {
  // 2000 x 2000 with alpha: 16 MB of bitmap. The PNG is decoded straight into it; it
  // used to take four times that (reader, bitmap, the blit's copy and its words).
  WritePngFile(dir_.File("big.png"), 2000, 2000, [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x);
    p[1] = std::uint8_t(y);
    p[2] = std::uint8_t(x ^ y);
    p[3] = std::uint8_t(x + y);
  });
  const std::size_t bitmap = std::size_t{2000} * 2000 * 4;
  const std::size_t before = PeakResidentBytes();
  ResizeObject r;
  ASSERT_EQ(r->LoadSourceImage(Bstr(dir_.File("big.png"))), S_OK);
  EXPECT_LT(PeakResidentBytes() - before, bitmap + (std::size_t{12} << 20));
}

}  // namespace
}  // namespace vx::testing
