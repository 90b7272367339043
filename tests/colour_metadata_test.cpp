// Colour conversion to sRGB and the metadata outputs keep: ICC segments, Exif edited in
// both byte orders, IPTC, XMP, PNG chunks, hostile blocks, and the conversions against
// lcms2's own transform and its jpgicc tool.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hostile_files.h"
#include "object/colour_conversion.h"
#include "object/matrix_shaper_conversion.h"
#include "object/exif_block.h"
#include "object/generic_cmyk_profile.h"
#include "object/icc_chunks.h"
#include "object/jpeg_output_choices.h"
#include "object/photoshop_resources.h"
#include "object/picture_metadata.h"
#include "object/png_metadata.h"
#include "tests/resize_test_support.h"

namespace vx {
namespace {

using testing::Bytes;
using Segments = std::vector<Bytes>;

Bytes FileBytes(const std::string& path) {
  Bytes bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(std::uint8_t(c));
    std::fclose(file);
  }
  return bytes;
}

Bytes AdobeRgbProfile() { return FileBytes(VXIMAGE_SOURCE_DIR "/tests/data/compatibleWithAdobeRGB1998.icc"); }

// The generic press profile as bytes, as a file would embed it.
Bytes GenericCmykProfileBytes() {
  cmsContext context = cmsCreateContext(nullptr, nullptr);
  cmsHPROFILE profile = CreateGenericCmykProfile(context);
  cmsUInt32Number size = 0;
  Bytes bytes;
  if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
    bytes.resize(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
  }
  if (profile) cmsCloseProfile(profile);
  cmsDeleteContext(context);
  return bytes;
}

// ICC segments of `profile` with `share` bytes each, numbered as `numbers` says (1-based
// positions of the shares), every one claiming `count` segments.
Segments IccSegments(const Bytes& profile, std::size_t share, std::vector<int> numbers, int count) {
  Segments segments;
  for (int number : numbers) {
    Bytes data = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, std::uint8_t(number), std::uint8_t(count)};
    const std::size_t begin = std::min(profile.size(), (number - 1) * share);
    const std::size_t end = std::min(profile.size(), begin + share);
    data.insert(data.end(), profile.begin() + begin, profile.begin() + end);
    segments.push_back(data);
  }
  return segments;
}

Bytes Reassemble(const Segments& segments) {
  std::vector<std::span<const std::uint8_t>> views(segments.begin(), segments.end());
  return ReassembleIccProfile(views);
}

TEST(IccSegments, ReassembledOnlyWhenTheSetIsWhole) {
  const Bytes profile = SrgbProfileBytes();
  ASSERT_GT(profile.size(), 300u);
  const std::size_t share = (profile.size() + 2) / 3;
  Bytes not_a_profile = profile;
  not_a_profile[36] = 'x';  // "acsp" broken
  struct Case {
    const char* name;
    Segments segments;
    bool whole;
  } cases[] = {
      {"in order", IccSegments(profile, share, {1, 2, 3}, 3), true},
      {"out of order", IccSegments(profile, share, {3, 1, 2}, 3), true},
      {"one segment", IccSegments(profile, profile.size(), {1}, 1), true},
      {"missing", IccSegments(profile, share, {1, 3}, 3), false},
      {"duplicate", IccSegments(profile, share, {1, 2, 2, 3}, 3), false},
      {"count 0", IccSegments(profile, share, {1, 2, 3}, 0), false},
      {"number past count", IccSegments(profile, share, {1, 2, 4}, 3), false},
      {"number 0", IccSegments(profile, share, {0, 1, 2}, 3), false},
      {"too few for its size", IccSegments(profile, share, {1, 2}, 2), false},
      {"no profile header", IccSegments(not_a_profile, share, {1, 2, 3}, 3), false},
      {"none", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Reassemble(c.segments), c.whole ? profile : Bytes{});
  }
  // Counts that disagree.
  Segments mixed = IccSegments(profile, share, {1, 2}, 3);
  mixed.push_back(IccSegments(profile, share, {3}, 4)[0]);
  EXPECT_TRUE(Reassemble(mixed).empty());
}

TEST(IccSegments, LargeProfilesSplitAndComeBack) {
  Bytes profile(150000);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = std::uint8_t(i * 31);
  profile[0] = 0, profile[1] = 0x02, profile[2] = 0x49, profile[3] = 0xF0;  // 150000
  std::memcpy(profile.data() + 36, "acsp", 4);
  const std::vector<Bytes> segments = IccSegmentsOf(profile);
  ASSERT_EQ(segments.size(), 3u);
  for (const Bytes& data : segments) EXPECT_LE(data.size(), kMaxSegmentDataBytes);
  EXPECT_EQ(Reassemble(segments), profile);
  EXPECT_TRUE(IccSegmentsOf(Bytes(256 * kIccBytesPerSegment)).empty());
}

// A TIFF-structured Exif block laid out as cameras do (IFD0, its values, the Exif
// directory and its values, then the thumbnail's directory and picture) or with the
// thumbnail first.
struct CameraExif {
  Bytes bytes;
  std::size_t kept_end;   // where the kept directories and values end
  std::size_t thumbnail;  // the thumbnail's directory and picture: [thumbnail, thumbnail_end)
  std::size_t thumbnail_end;
  bool big_endian;

  std::uint32_t U16(std::size_t at) const {
    return big_endian ? bytes[at] << 8 | bytes[at + 1] : bytes[at + 1] << 8 | bytes[at];
  }
  std::uint32_t U32(std::size_t at) const {
    return big_endian ? U16(at) << 16 | U16(at + 2) : U16(at + 2) << 16 | U16(at);
  }
};

constexpr std::size_t kIfd0 = 8, kIfd0Bytes = 2 + 3 * 12 + 4, kMakeBytes = 12, kExifIfdBytes = 2 + 12 + 4;
constexpr std::size_t kDateBytes = 20, kIfd1Bytes = 2 + 2 * 12 + 4, kThumbnailBytes = 64;
constexpr char kMake[kMakeBytes] = "vxImage cam";
constexpr char kDate[kDateBytes] = "2024:05:06 07:08:09";

CameraExif MakeCameraExif(bool big_endian, bool thumbnail_first) {
  CameraExif exif{{}, 0, 0, 0, big_endian};
  const std::size_t kept_values = thumbnail_first ? kIfd0 + kIfd0Bytes + kIfd1Bytes + kThumbnailBytes : kIfd0 + kIfd0Bytes;
  const std::size_t make = kept_values, exif_ifd = make + kMakeBytes, date = exif_ifd + kExifIfdBytes;
  exif.kept_end = date + kDateBytes;
  exif.thumbnail = thumbnail_first ? kIfd0 + kIfd0Bytes : exif.kept_end;
  const std::size_t picture = exif.thumbnail + kIfd1Bytes;
  exif.thumbnail_end = picture + kThumbnailBytes;
  Bytes& b = exif.bytes;
  b.assign(std::max(exif.kept_end, exif.thumbnail_end), 0);
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    b[at + (big_endian ? 0 : 1)] = std::uint8_t(v >> 8);
    b[at + (big_endian ? 1 : 0)] = std::uint8_t(v);
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    put16(at + (big_endian ? 0 : 2), v >> 16);
    put16(at + (big_endian ? 2 : 0), v & 0xFFFF);
  };
  auto entry = [&](std::size_t at, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    put16(at, tag), put16(at + 2, type), put32(at + 4, count);
    if (type == 3 && count == 1) put16(at + 8, value);
    else put32(at + 8, value);
  };
  b[0] = b[1] = big_endian ? 'M' : 'I';
  put16(2, 42), put32(4, kIfd0);
  put16(kIfd0, 3);
  entry(kIfd0 + 2, 0x010F, 2, kMakeBytes, std::uint32_t(make));
  entry(kIfd0 + 14, 0x0112, 3, 1, 6);
  entry(kIfd0 + 26, 0x8769, 4, 1, std::uint32_t(exif_ifd));
  put32(kIfd0 + 38, std::uint32_t(exif.thumbnail));
  std::memcpy(&b[make], kMake, kMakeBytes);
  put16(exif_ifd, 1);
  entry(exif_ifd + 2, 0x9003, 2, kDateBytes, std::uint32_t(date));
  std::memcpy(&b[date], kDate, kDateBytes);
  put16(exif.thumbnail, 2);
  entry(exif.thumbnail + 2, 0x0201, 4, 1, std::uint32_t(picture));
  entry(exif.thumbnail + 14, 0x0202, 4, 1, kThumbnailBytes);
  std::fill(b.begin() + picture, b.begin() + picture + kThumbnailBytes, 0xAB);
  return exif;
}

TEST(ExifBlock, OrientationResetAndThumbnailDroppedInBothByteOrders) {
  for (bool big_endian : {false, true}) {
    for (bool thumbnail_first : {false, true}) {
      for (bool reset : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "big endian " << big_endian << ", thumbnail first " << thumbnail_first
                                        << ", reset " << reset);
        const CameraExif source = MakeCameraExif(big_endian, thumbnail_first);
        CameraExif out = source;
        out.bytes = ExifBlockForOutput(source.bytes, reset);
        // Cut after the kept values when the thumbnail lies past them; else the same size
        // with the thumbnail's bytes zeroed.
        ASSERT_EQ(out.bytes.size(), thumbnail_first ? source.bytes.size() : source.kept_end);
        EXPECT_EQ(out.U16(kIfd0 + 14 + 8), reset ? 1u : 6u);
        EXPECT_EQ(out.U32(kIfd0 + 38), 0u) << "IFD1 still linked";
        for (std::size_t i = source.thumbnail; i < std::min(out.bytes.size(), source.thumbnail_end); ++i) {
          ASSERT_EQ(out.bytes[i], 0) << "thumbnail byte " << i;
        }
        // Everything kept reads as before, at the same offsets.
        const std::size_t make = out.U32(kIfd0 + 2 + 8), exif_ifd = out.U32(kIfd0 + 26 + 8);
        EXPECT_EQ(std::memcmp(&out.bytes[make], kMake, kMakeBytes), 0);
        EXPECT_EQ(out.U16(exif_ifd + 2), 0x9003u);
        EXPECT_EQ(std::memcmp(&out.bytes[out.U32(exif_ifd + 2 + 8)], kDate, kDateBytes), 0);
        // Editing again changes nothing more.
        if (reset) {
          EXPECT_EQ(ExifBlockForOutput(out.bytes, true), out.bytes);
        }
      }
    }
  }
}

TEST(ExifBlock, HostileBlocksAreRefusedOrKeptSafe) {
  const CameraExif camera = MakeCameraExif(false, false);
  auto with = [&](std::function<void(CameraExif&)> change) {
    CameraExif exif = camera;
    change(exif);
    return exif.bytes;
  };
  auto set32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
  };
  struct Case {
    const char* name;
    Bytes block;
    bool kept;
  } cases[] = {
      {"empty", {}, false},
      {"header only", Bytes(camera.bytes.begin(), camera.bytes.begin() + 8), false},
      {"not TIFF", with([](CameraExif& e) { e.bytes[0] = 'X'; }), false},
      {"not 42", with([](CameraExif& e) { e.bytes[2] = 43; }), false},
      {"IFD0 past the end", with([&](CameraExif& e) { set32(e.bytes, 4, 0xFFFFFFF0); }), false},
      {"IFD0 count past the end", with([](CameraExif& e) { e.bytes[kIfd0] = 0xFF, e.bytes[kIfd0 + 1] = 0xFF; }),
       false},
      {"truncated in IFD0", Bytes(camera.bytes.begin(), camera.bytes.begin() + kIfd0 + 20), false},
      {"Exif directory loops to IFD0", with([&](CameraExif& e) { set32(e.bytes, kIfd0 + 26 + 8, kIfd0); }), true},
      {"Exif directory past the end", with([&](CameraExif& e) { set32(e.bytes, kIfd0 + 26 + 8, 0x7FFFFFFF); }),
       true},
      {"thumbnail directory is IFD0", with([&](CameraExif& e) { set32(e.bytes, kIfd0 + 38, kIfd0); }), true},
      {"thumbnail directory past the end", with([&](CameraExif& e) { set32(e.bytes, kIfd0 + 38, 0xFFFFFFFF); }),
       true},
      {"huge value count", with([&](CameraExif& e) { set32(e.bytes, kIfd0 + 2 + 4, 0xFFFFFFFF); }), true},
      {"thumbnail picture wraps",
       with([&](CameraExif& e) {
         set32(e.bytes, e.thumbnail + 2 + 8, 0xFFFFFFF0);
         set32(e.bytes, e.thumbnail + 14 + 8, 0x20);
       }),
       true},
      {"thumbnail value over the header",
       with([&](CameraExif& e) {
         e.bytes[e.thumbnail + 2 + 2] = 2;  // ASCII, 8 characters at offset 0
         set32(e.bytes, e.thumbnail + 2 + 4, 8);
         set32(e.bytes, e.thumbnail + 2 + 8, 0);
       }),
       true},
      {"thumbnail overlaps kept values",
       with([&](CameraExif& e) { set32(e.bytes, e.thumbnail + 2 + 8, std::uint32_t(kIfd0 + kIfd0Bytes)); }), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes out = ExifBlockForOutput(c.block, true);
    EXPECT_EQ(!out.empty(), c.kept);
    if (out.empty()) continue;
    EXPECT_LE(out.size(), c.block.size());
    EXPECT_EQ(ExifBlockForOutput(out, true), out) << "an edited block edits to itself";
    // The make never loses its bytes: only unreferenced ones are zeroed or cut.
    if (std::string(c.name) == "thumbnail overlaps kept values") {
      EXPECT_EQ(std::memcmp(&out[kIfd0 + kIfd0Bytes], kMake, kMakeBytes), 0);
    }
  }
}

// Photoshop resources: "8BIM", id, name, size, data (each padded to even).
Bytes Resource(std::uint16_t id, const Bytes& data) {
  Bytes r = {'8', 'B', 'I', 'M', std::uint8_t(id >> 8), std::uint8_t(id), 0, 0};
  const std::uint32_t size = std::uint32_t(data.size());
  for (int shift : {24, 16, 8, 0}) r.push_back(std::uint8_t(size >> shift));
  r.insert(r.end(), data.begin(), data.end());
  if (data.size() % 2) r.push_back(0);
  return r;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(PhotoshopResources, KeepsTheIptcRecordAndItsDigestAlone) {
  const Bytes iptc = Resource(0x0404, {0x1C, 0x02, 0x74, 0x00, 0x02, 'v', 'x'});  // copyright, odd size
  const Bytes digest = Resource(0x0425, Bytes(16, 0x5A));
  const Bytes thumbnail = Resource(0x040C, Bytes(40, 0xFF));
  const Bytes resolution = Resource(0x03ED, Bytes(16, 1));
  EXPECT_EQ(IptcResources(Join({resolution, iptc, thumbnail, digest})), Join({iptc, digest}));
  EXPECT_TRUE(IptcResources(Join({resolution, thumbnail, digest})).empty()) << "a digest without its record";
  // The last resource may leave out its padding; a size past the end stops the reading.
  Bytes unpadded = iptc;
  unpadded.pop_back();
  EXPECT_EQ(IptcResources(unpadded), iptc);
  Bytes lying = Resource(0x0404, Bytes(8, 1));
  lying[8] = 0x7F;
  EXPECT_TRUE(IptcResources(Join({lying, iptc})).empty());
  EXPECT_EQ(IptcResources(Join({iptc, Bytes{'8', 'B', 'I', 'M', 4}})), iptc) << "a truncated resource";
}

TEST(XmpPacket, OrientationSetBackToUpright) {
  struct Case {
    const char* packet;
    const char* expected;
  } cases[] = {
      {R"(<rdf:Description tiff:Orientation="6" tiff:Make="x"/>)", R"(<rdf:Description tiff:Orientation="1" tiff:Make="x"/>)"},
      {"<tiff:Orientation>8</tiff:Orientation>", "<tiff:Orientation>1</tiff:Orientation>"},
      {"tiff:Orientation = '3'", "tiff:Orientation = '1'"},
      {"<tiff:Orientation>12</tiff:Orientation>", "<tiff:Orientation>12</tiff:Orientation>"},
      {"tiff:Orientation=\"", "tiff:Orientation=\""},
      {"tiff:Orientation", "tiff:Orientation"},
  };
  for (const Case& c : cases) {
    Bytes packet(c.packet, c.packet + std::strlen(c.packet));
    ResetXmpOrientation(packet);
    EXPECT_EQ(std::string(packet.begin(), packet.end()), c.expected);
  }
}

Bytes WithHeader(const char* header, std::size_t header_bytes, const Bytes& block) {
  Bytes data(header, header + header_bytes);
  data.insert(data.end(), block.begin(), block.end());
  return data;
}

TEST(PictureMetadata, JpegSegmentsGatheredAndWrittenBack) {
  const CameraExif camera = MakeCameraExif(true, false);
  const std::string xmp = R"(<x:xmpmeta><rdf:Description tiff:Orientation="6"/></x:xmpmeta>)";
  const Bytes profile = SrgbProfileBytes();
  const Bytes iptc = Resource(0x0404, {0x1C, 0x02, 0x74, 0x00, 0x02, 'v', 'x'});
  const Segments icc = IccSegments(profile, (profile.size() + 3) / 4, {2, 1, 3, 4}, 4);
  std::vector<Bytes> data = {
      WithHeader("Exif\0", 6, camera.bytes),
      WithHeader("http://ns.adobe.com/xap/1.0/", 29, Bytes(xmp.begin(), xmp.end())),
      WithHeader("Photoshop 3.0", 14, Join({Resource(0x040C, Bytes(8, 1)), iptc})),
  };
  std::vector<JpegMarkerView> markers = {{kApp1, data[0]}, {kApp1, data[1]}, {kApp13, data[2]}};
  for (const Bytes& segment : icc) markers.push_back({kApp2, segment});
  markers.push_back({kApp1, data[0]});  // a second Exif segment does not count

  const PictureMetadata metadata = JpegSourceMetadata(markers, true);
  EXPECT_EQ(metadata.exif, ExifBlockForOutput(camera.bytes, true));
  EXPECT_NE(std::string(metadata.xmp.begin(), metadata.xmp.end()).find(R"(tiff:Orientation="1")"), std::string::npos);
  EXPECT_EQ(metadata.icc, profile);
  EXPECT_EQ(metadata.iptc, iptc);

  const OutputSegments out = SegmentsForOutput(metadata);
  EXPECT_FALSE(out.left_out);
  ASSERT_EQ(out.segments.size(), 4u);  // Exif, XMP, one ICC segment, IPTC
  EXPECT_EQ(out.segments[0].data, WithHeader("Exif\0", 6, metadata.exif));
  EXPECT_EQ(out.segments[2].code, kApp2);
  EXPECT_EQ(out.segments[3].data, WithHeader("Photoshop 3.0", 14, iptc));
  std::vector<JpegMarkerView> again;
  for (const JpegSegment& segment : out.segments) again.push_back({segment.code, segment.data});
  const PictureMetadata read_back = JpegSourceMetadata(again, false);
  EXPECT_EQ(read_back.exif, metadata.exif);
  EXPECT_EQ(read_back.xmp, metadata.xmp);
  EXPECT_EQ(read_back.icc, metadata.icc);
  EXPECT_EQ(read_back.iptc, metadata.iptc);

  // A block too large for one segment is left out, and said to be.
  PictureMetadata large;
  large.exif.assign(kMaxSegmentDataBytes - 5, 0);
  large.xmp = {'<', 'x', '/', '>'};
  const OutputSegments too_large = SegmentsForOutput(large);
  EXPECT_TRUE(too_large.left_out);
  ASSERT_EQ(too_large.segments.size(), 1u);
  EXPECT_EQ(too_large.segments[0].data, WithHeader("http://ns.adobe.com/xap/1.0/", 29, large.xmp));
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, raw.data(), uLong(raw.size())), Z_OK);
  out.resize(size);
  return out;
}

TEST(PngMetadata, ExifXmpAndProfileFromChunks) {
  const CameraExif camera = MakeCameraExif(false, false);
  const std::string xmp = "<x:xmpmeta><tiff:Orientation>6</tiff:Orientation></x:xmpmeta>";
  const Bytes profile = SrgbProfileBytes();
  auto text = [&](bool compressed) {
    Bytes data = Join({Bytes{'X', 'M', 'L', ':', 'c', 'o', 'm', '.', 'a', 'd', 'o', 'b', 'e', '.', 'x', 'm', 'p', 0},
                       Bytes{std::uint8_t(compressed), 0, 0, 0}});
    const Bytes packet(xmp.begin(), xmp.end());
    const Bytes body = compressed ? Deflate(packet) : packet;
    data.insert(data.end(), body.begin(), body.end());
    return data;
  };
  const Bytes iccp = Join({Bytes{'s', 'R', 'G', 'B', 0, 0}, Deflate(profile)});
  for (bool compressed : {false, true}) {
    const Bytes png = testing::JoinPngChunks({testing::PngHeader(1, 1),
                                              {"tEXt", {'a', 0, 'b'}},
                                              {"eXIf", camera.bytes},
                                              {"iTXt", text(compressed)},
                                              {"iCCP", iccp},
                                              {"IEND", {}}});
    const PictureMetadata metadata = PngSourceMetadata(png, true);
    EXPECT_EQ(metadata.exif, ExifBlockForOutput(camera.bytes, true));
    EXPECT_EQ(std::string(metadata.xmp.begin(), metadata.xmp.end()),
              "<x:xmpmeta><tiff:Orientation>1</tiff:Orientation></x:xmpmeta>");
    EXPECT_EQ(metadata.icc, profile);
  }
  // A profile that inflates past the limit, a chunk longer than the file, and chunks
  // after IEND are left alone.
  Bytes bomb_profile(kMaxInflatedBytes + 1, 0);
  std::memcpy(bomb_profile.data() + 36, "acsp", 4);
  const Bytes bomb = testing::JoinPngChunks(
      {testing::PngHeader(1, 1), {"iCCP", Join({Bytes{'x', 0, 0}, Deflate(bomb_profile)})}, {"IEND", {}}});
  EXPECT_TRUE(PngSourceMetadata(bomb, false).icc.empty());
  Bytes lying = testing::JoinPngChunks({testing::PngHeader(1, 1), {"eXIf", camera.bytes}});
  lying[8 + 25 + 3] = 0xFF;  // the eXIf chunk's length, after the signature and header chunk
  EXPECT_TRUE(PngSourceMetadata(lying, false).exif.empty());
  const Bytes late = testing::JoinPngChunks({testing::PngHeader(1, 1), {"IEND", {}}, {"eXIf", camera.bytes}});
  EXPECT_TRUE(PngSourceMetadata(late, false).empty());
  EXPECT_TRUE(InflateBounded(Bytes{0x78, 0x9C, 1, 2, 3}, 100).empty());
}

// A JPEG file of `components` bytes a pixel in `space`, 4:4:4 at `quality`, with the
// choices and the segments: the writer's setup.
Bytes Compress(int width, int height, J_COLOR_SPACE space, int components, const Bytes& pixels, int quality,
               const JpegOutputChoices& choices, const OutputSegments& segments) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(&cinfo, quality, TRUE);
  EXPECT_TRUE(ApplyOutputChoices(cinfo, choices));
  jpeg_start_compress(&cinfo, TRUE);
  WriteSegments(cinfo, segments);
  const std::size_t row_bytes = std::size_t(width) * components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(pixels.data() + cinfo.next_scanline * row_bytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// RGB or CMYK pixels (as Adobe's files hold them) at quality 100, with `profile` when given.
Bytes EncodeJpeg(int width, int height, bool cmyk, const Bytes& pixels, const Bytes& profile) {
  PictureMetadata metadata;
  metadata.icc = profile;
  return Compress(width, height, cmyk ? JCS_CMYK : JCS_RGB, cmyk ? 4 : 3, pixels, 100, {}, SegmentsForOutput(metadata));
}

struct DecodedJpeg {
  Bytes pixels;  // RGB or CMYK as libjpeg gives them
  bool adobe = false;
  std::vector<Bytes> app;
  std::vector<int> codes;
};

DecodedJpeg DecodeJpeg(const Bytes& file) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), (unsigned long)file.size());
  for (int code : {kApp1, kApp2, kApp13}) jpeg_save_markers(&cinfo, code, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  DecodedJpeg out;
  out.adobe = cinfo.saw_Adobe_marker;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    out.app.emplace_back(m->data, m->data + m->data_length);
    out.codes.push_back(m->marker);
  }
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const std::size_t row_bytes = std::size_t(cinfo.output_width) * cinfo.output_components;
  out.pixels.resize(row_bytes * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + cinfo.output_scanline * row_bytes;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Largest and mean difference of two RGB buffers.
std::pair<int, double> Difference(const Bytes& a, const Bytes& b) {
  int largest = 0;
  double sum = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const int d = std::abs(int(a[i]) - int(b[i]));
    largest = std::max(largest, d);
    sum += d;
  }
  return {largest, sum / double(std::max<std::size_t>(1, a.size()))};
}

// Pixels through lcms2 directly, as 8-bit RGB, for what our conversion must match.
Bytes LcmsReference(const Bytes& profile, cmsUInt32Number format, const Bytes& in, std::size_t count) {
  cmsContext context = cmsCreateContext(nullptr, nullptr);
  cmsHPROFILE source = cmsOpenProfileFromMemTHR(context, profile.data(), cmsUInt32Number(profile.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(context);
  cmsHTRANSFORM transform = cmsCreateTransformTHR(context, source, format, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  Bytes out(count * 3);
  if (transform) cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(count));
  EXPECT_NE(transform, nullptr);
  if (transform) cmsDeleteTransform(transform);
  cmsCloseProfile(source);
  cmsCloseProfile(srgb);
  cmsDeleteContext(context);
  return out;
}

// The colour bytes of converted words, whose top byte must be `top`.
Bytes RgbOfWords(const std::vector<std::uint32_t>& words, std::uint32_t top = 0xFF) {
  Bytes rgb;
  for (std::uint32_t w : words) {
    EXPECT_EQ(w >> 24, top);
    rgb.insert(rgb.end(), {std::uint8_t(w >> 16), std::uint8_t(w >> 8), std::uint8_t(w)});
  }
  return rgb;
}

TEST(ColourConversion, MatchesLcms2ForEveryPixelLayout) {
  const Bytes adobe_rgb = AdobeRgbProfile();
  ASSERT_FALSE(adobe_rgb.empty());
  Bytes rgb, bgrx;
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        rgb.insert(rgb.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
        bgrx.insert(bgrx.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), 0x77});
      }
    }
  }
  const std::size_t count = rgb.size() / 3;
  const Bytes expected = LcmsReference(adobe_rgb, TYPE_RGB_8, rgb, count);
  // A matrix-shaper profile is converted by our own arithmetic: within one level of lcms2,
  // nearly always equal, and the same whatever the layout.
  const auto expect_near_lcms = [&](const Bytes& converted) {
    const auto [largest, mean] = Difference(converted, expected);
    EXPECT_LE(largest, 1);
    EXPECT_LT(mean, 0.02);
  };
  ColourConversion conversion;
  std::vector<std::uint32_t> words(count);
  ASSERT_TRUE(conversion.FromProfile(adobe_rgb, SourcePixels::kRgb));
  conversion.Convert(rgb.data(), words.data(), count);
  const Bytes from_rgb = RgbOfWords(words);
  expect_near_lcms(from_rgb);
  ASSERT_TRUE(conversion.FromProfile(adobe_rgb, SourcePixels::kBgrx));
  std::memcpy(words.data(), bgrx.data(), bgrx.size());
  conversion.Convert(words.data(), words.data(), count);  // in place, the unused byte kept
  EXPECT_EQ(RgbOfWords(words, 0x77), from_rgb);
  std::vector<std::uint32_t> apart(count, 0);
  conversion.Convert(bgrx.data(), apart.data(), count);  // into other words
  EXPECT_EQ(RgbOfWords(apart, 0x77), from_rgb);
  EXPECT_NE(expected, rgb) << "Adobe RGB must differ from sRGB";

  // The fast loop gives the plain loop's words to the bit, for every word of a sweep.
  MatrixShaperConversion matrix_shaper;
  {
    cmsHPROFILE source = cmsOpenProfileFromMem(adobe_rgb.data(), cmsUInt32Number(adobe_rgb.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_BGRA_8, srgb, TYPE_BGRA_8, INTENT_PERCEPTUAL, 0);
    EXPECT_TRUE(matrix_shaper.Make(source, srgb, transform, true));
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
  }
  std::vector<std::uint32_t> sweep(1 << 16), fast(sweep.size()), plain(sweep.size());
  for (std::size_t i = 0; i < sweep.size(); ++i) sweep[i] = std::uint32_t(i) * 2654435761u;
  matrix_shaper.ConvertWords(sweep.data(), fast.data(), sweep.size() - 3);  // the rest of eight too
  matrix_shaper.ConvertWordsPlain(sweep.data(), plain.data(), sweep.size() - 3);
  EXPECT_EQ(fast, plain);

  // CMYK, as Adobe's files hold it (inverted) and plainly.
  const Bytes press = GenericCmykProfileBytes();
  Bytes cmyk, inverted;
  for (int i = 0; i < 4000; ++i) {
    for (int c = 0; c < 4; ++c) {
      const std::uint8_t ink = std::uint8_t((i * (37 + c * 11) + c * 50) % 256);
      cmyk.push_back(ink);
      inverted.push_back(std::uint8_t(255 - ink));
    }
  }
  const Bytes expected_cmyk = LcmsReference(press, TYPE_CMYK_8, cmyk, 4000);
  words.assign(4000, 0);
  ASSERT_TRUE(conversion.FromProfile(press, SourcePixels::kAdobeCmyk));
  conversion.Convert(inverted.data(), words.data(), 4000);
  EXPECT_EQ(RgbOfWords(words), expected_cmyk);
  ASSERT_TRUE(conversion.FromGenericCmyk(SourcePixels::kCmyk));
  conversion.Convert(cmyk.data(), words.data(), 4000);
  EXPECT_EQ(RgbOfWords(words), expected_cmyk) << "the built profile and its bytes convert alike";
}

TEST(ColourConversion, GenericCmykLooksLikePrint) {
  ColourConversion conversion;
  ASSERT_TRUE(conversion.FromGenericCmyk(SourcePixels::kCmyk));
  const std::uint8_t inks[][4] = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 255}, {0, 0, 0, 128}};
  std::uint32_t words[6];
  conversion.Convert(inks, words, 6);
  auto channel = [&](int i, int shift) { return int(words[i] >> shift & 0xFF); };
  EXPECT_EQ(words[0], 0xFFFFFFFFu) << "paper is white, opaque";
  EXPECT_LT(channel(1, 16), 60);   // cyan: little red
  EXPECT_GT(channel(1, 0), 200);   // much blue
  EXPECT_LT(channel(2, 8), 60);    // magenta: little green
  EXPECT_LT(channel(3, 0), 60);    // yellow: little blue
  EXPECT_LT(channel(4, 8), 50);    // black ink
  EXPECT_GT(channel(4, 8), 10);    // is no perfect black
  EXPECT_GT(channel(5, 8), 100);   // half black: a mid grey
  EXPECT_LT(channel(5, 8), 160);
}

TEST(ColourConversion, BrokenOrUnfitProfilesConvertNothing) {
  const Bytes srgb = SrgbProfileBytes();
  Bytes truncated(srgb.begin(), srgb.begin() + 200);
  Bytes lying_tags = srgb;
  lying_tags[131] = 0xFF;  // the tag count
  const struct {
    const char* name;
    Bytes profile;
    SourcePixels pixels;
  } cases[] = {
      {"empty", {}, SourcePixels::kRgb},
      {"garbage", Bytes(600, 0x41), SourcePixels::kRgb},
      {"truncated", truncated, SourcePixels::kRgb},
      {"lying tag count", lying_tags, SourcePixels::kRgb},
      {"RGB profile for CMYK pixels", srgb, SourcePixels::kCmyk},
      {"CMYK profile for RGB pixels", GenericCmykProfileBytes(), SourcePixels::kBgrx},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ColourConversion conversion;
    EXPECT_FALSE(conversion.FromProfile(c.profile, c.pixels));
    std::uint32_t word = 0x123456;
    conversion.Convert(&word, &word, 1);
    EXPECT_EQ(word, 0x123456u);
  }
}

TEST(ColourConversion, SrgbUnderAnotherNameConvertsNothing) {
  // The sRGB profile a camera photo embeds (IEC 61966-2.1, a table of 1024 values a curve),
  // and lcms2's own: both need no conversion; Adobe RGB does.
  const DecodedJpeg photo = DecodeJpeg(FileBytes(VXIMAGE_SOURCE_DIR "/tests/corpus/photos/plasma_Kite_2560x1600.jpg"));
  std::vector<JpegMarkerView> markers;
  for (std::size_t i = 0; i < photo.app.size(); ++i) markers.push_back({photo.codes[i], photo.app[i]});
  const Bytes camera_srgb = JpegSourceMetadata(markers, false).icc;
  ASSERT_EQ(camera_srgb.size(), 3144u);
  ColourConversion conversion;
  EXPECT_FALSE(conversion.FromProfile(camera_srgb, SourcePixels::kBgrx));
  EXPECT_FALSE(conversion.FromProfile(SrgbProfileBytes(), SourcePixels::kRgb));
  EXPECT_TRUE(conversion.FromProfile(AdobeRgbProfile(), SourcePixels::kRgb));
  // A curve of gamma 2.2 with sRGB's colorants is not sRGB: darks differ by more than a step.
  cmsContext context = cmsCreateContext(nullptr, nullptr);
  cmsCIExyY white = {0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(context, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfileTHR(context, &white, &primaries, curves);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes gamma22(size);
  cmsSaveProfileToMem(profile, gamma22.data(), &size);
  cmsCloseProfile(profile);
  cmsFreeToneCurve(gamma);
  cmsDeleteContext(context);
  EXPECT_TRUE(conversion.FromProfile(gamma22, SourcePixels::kRgb));
}

// A CMYK profile of a few hundred bytes whose A-to-B table claims 84 points a side: 299 MB
// of table that the profile does not hold.
Bytes ProfileClaimingAHugeTable() {
  Bytes p(128, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = std::uint8_t(v >> (24 - 8 * i));
  };
  auto text = [&](std::size_t at, const char* four) { std::memcpy(&p[at], four, 4); };
  put32(8, 0x02100000);
  text(12, "prtr"), text(16, "CMYK"), text(20, "Lab "), text(36, "acsp");
  put32(68, 0x0000F6D6), put32(72, 0x00010000), put32(76, 0x0000D32D);  // D50
  p.resize(144 + 48 + 4 + 4 * 2 * 2);
  put32(128, 1);
  text(132, "A2B0"), put32(136, 144), put32(140, std::uint32_t(p.size() - 144));
  text(144, "mft2");
  p[152] = 4, p[153] = 3, p[154] = 84;  // inputs, outputs, grid points
  for (int i = 0; i < 3; ++i) put32(156 + 16 * i, 0x00010000);  // identity matrix
  p[193] = 2, p[195] = 2;  // two entries an input and an output table
  put32(0, std::uint32_t(p.size()));
  return p;
}

TEST(ColourConversion, ProfilesAskingForHugeTablesAreRefused) {
  const std::size_t before = testing::PeakResidentBytes();
  ColourConversion conversion;
  EXPECT_FALSE(conversion.FromProfile(ProfileClaimingAHugeTable(), SourcePixels::kCmyk));
  EXPECT_LT(testing::PeakResidentBytes() - before, std::size_t{80} << 20);
}

TEST(ColourConversion, PngChunks) {
  PngColourChunks srgb_chunk;
  srgb_chunk.srgb = true;
  srgb_chunk.gamma = 1.0;
  PngColourChunks gamma22;
  gamma22.gamma = 0.45455;
  PngColourChunks linear;
  linear.gamma = 1.0;
  PngColourChunks wide;  // Adobe RGB's primaries
  wide.has_chromaticities = true;
  wide.white_x = 0.3127, wide.white_y = 0.3290, wide.red_x = 0.64, wide.red_y = 0.33;
  wide.green_x = 0.21, wide.green_y = 0.71, wide.blue_x = 0.15, wide.blue_y = 0.06;
  PngColourChunks broken = wide;
  broken.green_y = 0;
  PngColourChunks with_profile = linear;
  with_profile.icc_profile = AdobeRgbProfile();
  const struct {
    const char* name;
    const PngColourChunks& chunks;
    bool gamma_applied;
    bool converts;
    std::uint32_t grey128;  // what mid grey becomes
  } cases[] = {
      {"sRGB chunk", srgb_chunk, false, false, 0x808080},
      {"gamma 2.2", gamma22, false, false, 0x808080},
      {"linear", linear, false, true, 0xBCBCBC},
      {"linear, applied by the decoder", linear, true, false, 0x808080},
      {"wide primaries", wide, true, true, 0},
      {"impossible primaries", broken, true, false, 0x808080},
      {"profile first", with_profile, false, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ColourConversion conversion;
    EXPECT_EQ(conversion.FromPngChunks(c.chunks, SourcePixels::kBgrx, c.gamma_applied), c.converts);
    std::uint32_t grey = 0x808080;
    conversion.Convert(&grey, &grey, 1);
    if (c.grey128) {
      EXPECT_NEAR(int(grey & 0xFF), int(c.grey128 & 0xFF), 1);
    }
  }
}

TEST(ColourConversion, OneConversionPerThread) {
  const Bytes adobe_rgb = AdobeRgbProfile();
  std::vector<std::uint32_t> expected(4096);
  {
    ColourConversion conversion;
    ASSERT_TRUE(conversion.FromProfile(adobe_rgb, SourcePixels::kBgrx));
    for (std::uint32_t i = 0; i < 4096; ++i) expected[i] = i * 4099;
    conversion.Convert(expected.data(), expected.data(), expected.size());
  }
  std::vector<std::thread> threads;
  std::vector<int> matches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 2; ++round) {
        ColourConversion conversion;
        conversion.FromProfile(t % 2 ? adobe_rgb : GenericCmykProfileBytes(), t % 2 ? SourcePixels::kBgrx : SourcePixels::kCmyk);
        std::vector<std::uint32_t> words(4096);
        for (std::uint32_t i = 0; i < 4096; ++i) words[i] = i * 4099;
        conversion.Convert(words.data(), words.data(), words.size());
        matches[t] += t % 2 ? words == expected : words != expected;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(matches, std::vector<int>(4, 2));
}


// Photos the test makes, converted by us and by lcms2's jpgicc (which writes JPEG at
// quality 100: the differences allowed are its encoder's; measured: at most 1, mean 0.08).
TEST(ColourConversion, MatchesJpgiccOnAdobeRgbAndCmykPhotos) {
  ASSERT_EQ(std::system("jpgicc -h 0 >/dev/null 2>&1 || command -v jpgicc >/dev/null"), 0)
      << "jpgicc (liblcms2-utils, installed by scripts/setup.sh) is missing";
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vximage_colour_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  constexpr int kWidth = 96, kHeight = 64;
  Bytes rgb, cmyk;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      rgb.insert(rgb.end(), {std::uint8_t(x * 255 / (kWidth - 1)), std::uint8_t(y * 255 / (kHeight - 1)),
                             std::uint8_t(200 - x - y)});
      // Inks as Adobe's files hold them: 255 - ink.
      cmyk.insert(cmyk.end(), {std::uint8_t(255 - x * 255 / (kWidth - 1)), std::uint8_t(255 - y * 4),
                               std::uint8_t(55 + x + y), std::uint8_t(255 - (x + y) / 2)});
    }
  }
  const Bytes press = GenericCmykProfileBytes();
  WriteFile(folder / "press.icc", press);
  const struct {
    const char* name;
    Bytes file;
    std::string jpgicc_options;
  } cases[] = {
      {"adobe_rgb", EncodeJpeg(kWidth, kHeight, false, rgb, AdobeRgbProfile()), ""},
      {"cmyk_with_profile", EncodeJpeg(kWidth, kHeight, true, cmyk, press), ""},
      {"cmyk_without_profile", EncodeJpeg(kWidth, kHeight, true, cmyk, {}), "-i " + (folder / "press.icc").string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path in = folder / (std::string(c.name) + ".jpg");
    const std::filesystem::path out = folder / (std::string(c.name) + "_jpgicc.jpg");
    WriteFile(in, c.file);
    const std::string command =
        "jpgicc -q 100 " + c.jpgicc_options + " " + in.string() + " " + out.string() + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const Bytes reference = DecodeJpeg(FileBytes(out.string())).pixels;

    // Ours: the profile from the file's own segments, or the press profile.
    const DecodedJpeg source = DecodeJpeg(c.file);
    std::vector<JpegMarkerView> markers;
    for (std::size_t i = 0; i < source.app.size(); ++i) markers.push_back({source.codes[i], source.app[i]});
    const PictureMetadata metadata = JpegSourceMetadata(markers, false);
    const bool is_cmyk = source.pixels.size() == std::size_t(kWidth) * kHeight * 4;
    ASSERT_TRUE(!is_cmyk || source.adobe);
    const SourcePixels pixels = is_cmyk ? SourcePixels::kAdobeCmyk : SourcePixels::kRgb;
    ColourConversion conversion;
    ASSERT_TRUE(metadata.icc.empty() ? conversion.FromGenericCmyk(pixels) : conversion.FromProfile(metadata.icc, pixels));
    std::vector<std::uint32_t> words(std::size_t(kWidth) * kHeight);
    conversion.Convert(source.pixels.data(), words.data(), words.size());
    const auto [largest, mean] = Difference(RgbOfWords(words), reference);
    EXPECT_LE(largest, 2);
    EXPECT_LE(mean, 0.3);
    std::printf("%s: against jpgicc, largest difference %d, mean %.3f\n", c.name, largest, mean);
    // Without the conversion the pictures would differ well beyond that.
    Bytes unconverted;
    for (std::size_t i = 0; i < words.size(); ++i) {
      const std::uint8_t* p = source.pixels.data() + i * (is_cmyk ? 4 : 3);
      if (is_cmyk) {
        for (int k = 0; k < 3; ++k) unconverted.push_back(std::uint8_t(p[k] * p[3] / 255));
      } else {
        unconverted.insert(unconverted.end(), p, p + 3);
      }
    }
    const double unconverted_mean = Difference(unconverted, reference).second;
    EXPECT_GT(unconverted_mean, 3 * mean + 2);
    std::printf("%s: unconverted, mean difference %.3f\n", c.name, unconverted_mean);

    // The same through the Resize object, whose output adds its own encoder's error.
    testing::ResizeObject r;
    r->put_ColorManage(1);
    r->put_Quality(100);
    ASSERT_EQ(r->LoadSourceImage(testing::Bstr(in.string())), S_OK);
    const std::string written = (folder / (std::string(c.name) + "_object.jpg")).string();
    ASSERT_EQ(r->MakeMarkImage(testing::Bstr(written)), S_OK);
    const auto [object_largest, object_mean] = Difference(testing::ReadJpegFile(written).rgb, reference);
    EXPECT_LE(object_largest, 4);
    EXPECT_LE(object_mean, 0.6);
    std::printf("%s: the object against jpgicc, largest difference %d, mean %.3f\n", c.name, object_largest,
                object_mean);
  }
  std::filesystem::remove_all(folder);
}

// A picture compressed as the writer compresses bitmaps: BGRX rows, quality 90.
Bytes CompressWithChoices(int width, int height, const Bytes& bgrx, const JpegOutputChoices& choices,
                          const OutputSegments& segments = {}) {
  return Compress(width, height, JCS_EXT_BGRX, 4, bgrx, 90, choices, segments);
}

// Each choice decodes to the pixels of libjpeg-turbo's own cjpeg at the same settings;
// the defaults give the bytes of no choice at all.
TEST(JpegOutputChoices, DecodeAsCjpegAtTheSameSettings) {
  ASSERT_EQ(std::system("command -v cjpeg >/dev/null"), 0) << "cjpeg (libjpeg-turbo-progs) is missing";
  constexpr int kWidth = 75, kHeight = 41;  // odd sides: partial blocks and chroma pairs
  Bytes bgrx, ppm;
  const std::string header = "P6\n75 41\n255\n";
  ppm.assign(header.begin(), header.end());
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t r = std::uint8_t(x * 3 + y), g = std::uint8_t((x * y) % 256), b = std::uint8_t(255 - y * 5);
      bgrx.insert(bgrx.end(), {b, g, r, 0});
      ppm.insert(ppm.end(), {r, g, b});
    }
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vximage_choices_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  WriteFile(folder / "in.ppm", ppm);
  const struct {
    JpegOutputChoices choices;
    const char* cjpeg;
  } cases[] = {
      {{}, "-sample 1x1"},
      {{false, JpegOutputChoices::kChroma422, false}, "-sample 2x1"},
      {{false, JpegOutputChoices::kChroma420, false}, "-sample 2x2"},
      {{true, JpegOutputChoices::kChroma444, false}, "-sample 1x1 -progressive"},
      {{false, JpegOutputChoices::kChroma444, true}, "-sample 1x1 -optimize"},
      {{true, JpegOutputChoices::kChroma420, true}, "-sample 2x2 -progressive -optimize"},
  };
  const Bytes plain = CompressWithChoices(kWidth, kHeight, bgrx, {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cjpeg);
    const Bytes ours = CompressWithChoices(kWidth, kHeight, bgrx, c.choices);
    const std::filesystem::path out = folder / "cjpeg.jpg";
    const std::string command = std::string("cjpeg -quality 90 ") + c.cjpeg + " -outfile " + out.string() + " " +
                                (folder / "in.ppm").string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(DecodeJpeg(ours).pixels, DecodeJpeg(FileBytes(out.string())).pixels);
    // Subsampled chroma shows in the pixels, so the comparison above tells the settings apart.
    if (c.choices.chroma_subsampling != JpegOutputChoices::kChroma444) {
      EXPECT_NE(DecodeJpeg(ours).pixels, DecodeJpeg(plain).pixels);
    }
    const bool is_default = !c.choices.progressive && !c.choices.optimize_coding && c.choices.chroma_subsampling == 0;
    EXPECT_EQ(ours == plain, is_default);
    // Progressive files say so in their frame marker (SOF2); optimised tables make files smaller.
    static constexpr std::uint8_t kProgressiveFrame[] = {0xFF, 0xC2};
    const bool progressive =
        std::search(ours.begin(), ours.end(), std::begin(kProgressiveFrame), std::end(kProgressiveFrame)) != ours.end();
    EXPECT_EQ(progressive, c.choices.progressive);
    if (c.choices.optimize_coding) {
      EXPECT_LT(ours.size(), plain.size());
    }
  }
  std::filesystem::remove_all(folder);
  jpeg_compress_struct unused{};
  EXPECT_FALSE(ApplyOutputChoices(unused, {false, 3, false}));
}

TEST(JpegOutputChoices, SegmentsTravelInTheFile) {
  PictureMetadata metadata;
  metadata.exif = MakeCameraExif(false, false).bytes;
  metadata.icc = SrgbProfileBytes();
  metadata.iptc = Resource(0x0404, {0x1C, 0x02, 0x74, 0x00, 0x02, 'v', 'x'});
  const Bytes bgrx(16 * 8 * 4, 0x80);
  const Bytes file = CompressWithChoices(16, 8, bgrx, {}, SegmentsForOutput(metadata));
  const DecodedJpeg decoded = DecodeJpeg(file);
  std::vector<JpegMarkerView> markers;
  for (std::size_t i = 0; i < decoded.app.size(); ++i) markers.push_back({decoded.codes[i], decoded.app[i]});
  const PictureMetadata read = JpegSourceMetadata(markers, false);
  EXPECT_EQ(read.exif, ExifBlockForOutput(metadata.exif, false));
  EXPECT_EQ(read.icc, metadata.icc);
  EXPECT_EQ(read.iptc, metadata.iptc);
}


// --- Through the Resize object ------------------------------------------------------------

using testing::Bstr;
using testing::ResizeObject;
using testing::TempDir;

// A 48 x 32 photo as a camera writes it: Exif (orientation 6: turn right; a thumbnail),
// XMP saying the same, IPTC (a copyright) and an Adobe RGB profile.
struct CameraPhoto {
  PictureMetadata metadata;
  Bytes rgb;
  Bytes file;
};

constexpr int kPhotoWidth = 48, kPhotoHeight = 32;

CameraPhoto MakeCameraPhoto(const Bytes& profile, bool cmyk = false) {
  CameraPhoto photo;
  photo.metadata.exif = MakeCameraExif(false, false).bytes;
  const std::string xmp = R"(<x:xmpmeta><rdf:Description tiff:Orientation="6" dc:rights="vx"/></x:xmpmeta>)";
  photo.metadata.xmp.assign(xmp.begin(), xmp.end());
  photo.metadata.iptc = Resource(0x0404, {0x1C, 0x02, 0x74, 0x00, 0x02, 'v', 'x'});
  photo.metadata.icc = profile;
  for (int y = 0; y < kPhotoHeight; ++y) {
    for (int x = 0; x < kPhotoWidth; ++x) {
      const Bytes pixel = cmyk ? Bytes{std::uint8_t(255 - x * 5), std::uint8_t(255 - y * 7), std::uint8_t(90 + x),
                                       std::uint8_t(240 - y)}
                               : Bytes{std::uint8_t(x * 5), std::uint8_t(y * 7), std::uint8_t(200 - x - y)};
      photo.rgb.insert(photo.rgb.end(), pixel.begin(), pixel.end());
    }
  }
  photo.file = Compress(kPhotoWidth, kPhotoHeight, cmyk ? JCS_CMYK : JCS_RGB, cmyk ? 4 : 3, photo.rgb, 100, {},
                        SegmentsForOutput(photo.metadata));
  return photo;
}

// What a written file carries, read back from its markers.
PictureMetadata OutputMetadata(const std::string& path) {
  const DecodedJpeg decoded = DecodeJpeg(FileBytes(path));
  std::vector<JpegMarkerView> markers;
  for (std::size_t i = 0; i < decoded.app.size(); ++i) markers.push_back({decoded.codes[i], decoded.app[i]});
  return JpegSourceMetadata(markers, false);
}

// Writes every kind of output: the marked picture, a thumbnail, a crop, fit and fill.
std::vector<std::string> WriteEveryOutput(IResize2* r, const TempDir& dir) {
  std::vector<std::string> paths;
  for (const char* name : {"mark.jpg", "thumb.jpg", "crop.jpg", "fit.jpg", "fill.jpg"}) paths.push_back(dir.File(name));
  EXPECT_EQ(r->MakeMarkImage(Bstr(paths[0])), S_OK);
  EXPECT_EQ(r->MakeThumbImage(Bstr(paths[1]), 20, 0, 1), S_OK);
  EXPECT_EQ(r->MakeCropImage(Bstr(paths[2]), 3, 4, 10, 12), S_OK);
  EXPECT_EQ(r->MakeFitImage(Bstr(paths[3]), 16, 16), S_OK);
  EXPECT_EQ(r->MakeFillImage(Bstr(paths[4]), 16, 16), S_OK);
  return paths;
}

TEST(ResizeObjectMetadata, KeptInEveryOutputWithTheOrientationResetWhenTurned) {
  TempDir dir;
  const CameraPhoto photo = MakeCameraPhoto(AdobeRgbProfile());
  WriteFile(dir.File("photo.jpg"), photo.file);
  const struct {
    bool auto_orient, colour;
  } cases[] = {{false, false}, {true, false}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("AutoOrient ") + (c.auto_orient ? "1" : "0") + ", ColorManage " + (c.colour ? "1" : "0"));
    ResizeObject r;
    r->put_KeepMetadata(1);
    r->put_AutoOrient(c.auto_orient);
    r->put_ColorManage(c.colour);
    ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File("photo.jpg"))), S_OK);
    EXPECT_EQ(r.Width(), c.auto_orient ? kPhotoHeight : kPhotoWidth);
    for (const std::string& path : WriteEveryOutput(r.get(), dir)) {
      SCOPED_TRACE(path);
      const PictureMetadata kept = OutputMetadata(path);
      // The thumbnail is gone either way; the orientation says 1 once the picture was turned.
      const Bytes exif = ExifBlockForOutput(photo.metadata.exif, c.auto_orient);
      EXPECT_EQ(kept.exif, exif);
      EXPECT_LT(kept.exif.size(), photo.metadata.exif.size());
      const std::string xmp(kept.xmp.begin(), kept.xmp.end());
      EXPECT_NE(xmp.find(c.auto_orient ? R"(tiff:Orientation="1")" : R"(tiff:Orientation="6")"), std::string::npos);
      EXPECT_NE(xmp.find(R"(dc:rights="vx")"), std::string::npos);
      EXPECT_EQ(kept.iptc, photo.metadata.iptc);
      // Converted pixels are sRGB's, and say so; the others keep their profile.
      EXPECT_EQ(kept.icc, c.colour ? SrgbProfileBytes() : photo.metadata.icc);
    }
  }
  // By default nothing is copied.
  ResizeObject plain;
  ASSERT_EQ(plain->LoadSourceImage(Bstr(dir.File("photo.jpg"))), S_OK);
  for (const std::string& path : WriteEveryOutput(plain.get(), dir)) EXPECT_TRUE(OutputMetadata(path).empty()) << path;
  // What was kept goes with the picture it came from: a later load without it keeps nothing.
  ResizeObject once;
  once->put_KeepMetadata(1);
  ASSERT_EQ(once->LoadSourceImage(Bstr(dir.File("photo.jpg"))), S_OK);
  once->put_KeepMetadata(0);
  ASSERT_EQ(once->MakeMarkImage(Bstr(dir.File("a.jpg"))), S_OK);
  EXPECT_FALSE(OutputMetadata(dir.File("a.jpg")).empty());
  ASSERT_EQ(once->LoadSourceImage(Bstr(dir.File("photo.jpg"))), S_OK);
  ASSERT_EQ(once->MakeMarkImage(Bstr(dir.File("b.jpg"))), S_OK);
  EXPECT_TRUE(OutputMetadata(dir.File("b.jpg")).empty());
}

TEST(ResizeObjectMetadata, PngChunksKeptAndProfilesThatDoNotFitDropped) {
  TempDir dir;
  const CameraExif camera = MakeCameraExif(true, false);
  const std::string xmp = "<x:xmpmeta><tiff:Orientation>6</tiff:Orientation></x:xmpmeta>";
  const Bytes adobe = AdobeRgbProfile();
  const Bytes png = testing::JoinPngChunks(
      {testing::PngHeader(6, 4), {"iCCP", Join({Bytes{'x', 0, 0}, Deflate(adobe)})}, {"eXIf", camera.bytes},
       {"iTXt", Join({Bytes{'X', 'M', 'L', ':', 'c', 'o', 'm', '.', 'a', 'd', 'o', 'b', 'e', '.', 'x', 'm', 'p', 0, 0, 0, 0, 0},
                      Bytes(xmp.begin(), xmp.end())})},
       {"IDAT", Deflate(Join({Bytes{0}, Bytes(18, 0x40), Bytes{0}, Bytes(18, 0x40), Bytes{0}, Bytes(18, 0x40),
                              Bytes{0}, Bytes(18, 0x40)}))},
       {"IEND", {}}});
  WriteFile(dir.File("photo.png"), png);
  ResizeObject r;
  r->put_KeepMetadata(1);
  r->put_AutoOrient(1);
  ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File("photo.png"))), S_OK);
  EXPECT_EQ(r.Width(), 4);  // turned
  for (const std::string& path : WriteEveryOutput(r.get(), dir)) {
    const PictureMetadata kept = OutputMetadata(path);
    EXPECT_EQ(kept.exif, ExifBlockForOutput(camera.bytes, true)) << path;
    EXPECT_EQ(std::string(kept.xmp.begin(), kept.xmp.end()), "<x:xmpmeta><tiff:Orientation>1</tiff:Orientation></x:xmpmeta>");
    EXPECT_EQ(kept.icc, adobe);
  }
  // A CMYK photo's profile does not describe the colour files written from it unconverted.
  WriteFile(dir.File("cmyk.jpg"), MakeCameraPhoto(GenericCmykProfileBytes(), true).file);
  ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File("cmyk.jpg"))), S_OK);
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir.File("cmyk_out.jpg"))), S_OK);
  const PictureMetadata from_cmyk = OutputMetadata(dir.File("cmyk_out.jpg"));
  EXPECT_TRUE(from_cmyk.icc.empty());
  EXPECT_FALSE(from_cmyk.exif.empty());
  // GIF and BMP files have nothing to keep.
  ASSERT_EQ(r->LoadSourceImage(Bstr(VXIMAGE_SOURCE_DIR "/tests/corpus/gif/pil_transparent.gif")), S_OK);
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir.File("gif.jpg"))), S_OK);
  EXPECT_TRUE(OutputMetadata(dir.File("gif.jpg")).empty());
}

// Each output choice through the object decodes to cjpeg's pixels at the same settings.
TEST(ResizeObjectOutputChoices, DecodeAsCjpegAtTheSameSettings) {
  ASSERT_EQ(std::system("command -v cjpeg >/dev/null"), 0) << "cjpeg (libjpeg-turbo-progs) is missing";
  TempDir dir;
  constexpr int kWidth = 61, kHeight = 37;
  const auto pixel = [](int x, int y, std::uint8_t* p) {
    p[0] = std::uint8_t(x * 4 + y), p[1] = std::uint8_t((x * y) % 256), p[2] = std::uint8_t(255 - y * 6), p[3] = 255;
  };
  testing::WritePngFile(dir.File("in.png"), kWidth, kHeight, pixel);
  Bytes ppm;
  const std::string header = "P6\n61 37\n255\n";
  ppm.assign(header.begin(), header.end());
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t p[4];
      pixel(x, y, p);
      ppm.insert(ppm.end(), p, p + 3);
    }
  }
  WriteFile(dir.File("in.ppm"), ppm);
  const struct {
    LONG progressive, subsampling, optimize;
    const char* cjpeg;
  } cases[] = {
      {0, 0, 0, "-sample 1x1"},
      {0, 1, 0, "-sample 2x1"},
      {0, 2, 0, "-sample 2x2"},
      {1, 0, 0, "-sample 1x1 -progressive"},
      {0, 0, 1, "-sample 1x1 -optimize"},
      {1, 2, 1, "-sample 2x2 -progressive -optimize"},
  };
  ResizeObject r;
  r->put_Quality(90);
  ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File("in.png"))), S_OK);
  ASSERT_EQ(r->MakeMarkImage(Bstr(dir.File("plain.jpg"))), S_OK);
  const Bytes plain = FileBytes(dir.File("plain.jpg"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cjpeg);
    r->put_Progressive(c.progressive);
    r->put_ChromaSubsampling(c.subsampling);
    r->put_OptimizeCoding(c.optimize);
    // Every kind of output takes the choices.
    for (const std::string& path : WriteEveryOutput(r.get(), dir)) {
      const Bytes written = FileBytes(path);
      const bool default_choices = !c.progressive && !c.subsampling && !c.optimize;
      static constexpr std::uint8_t kProgressiveFrame[] = {0xFF, 0xC2};
      EXPECT_EQ(std::search(written.begin(), written.end(), std::begin(kProgressiveFrame), std::end(kProgressiveFrame)) !=
                    written.end(),
                c.progressive != 0)
          << path;
      if (path == dir.File("mark.jpg")) {
        EXPECT_EQ(written == plain, default_choices);
      }
    }
    const std::string command = std::string("cjpeg -quality 90 ") + c.cjpeg + " -outfile " + dir.File("cjpeg.jpg") +
                                " " + dir.File("in.ppm");
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(DecodeJpeg(FileBytes(dir.File("mark.jpg"))).pixels, DecodeJpeg(FileBytes(dir.File("cjpeg.jpg"))).pixels);
    if (c.optimize) {
      EXPECT_LT(FileBytes(dir.File("mark.jpg")).size(), plain.size());
    }
  }
}

// ColorManage on pictures with nothing to convert (sRGB profiles, none, GIF, BMP, a broken
// profile) changes no output byte; nor does KeepMetadata on files with nothing to keep.
TEST(ResizeObjectColour, NothingToConvertLeavesEveryByte) {
  TempDir dir;
  const Bytes srgb_photo = EncodeJpeg(kPhotoWidth, kPhotoHeight, false, MakeCameraPhoto({}).rgb, SrgbProfileBytes());
  Bytes broken_profile = AdobeRgbProfile();
  std::fill(broken_profile.begin() + 128, broken_profile.end(), 0xEE);  // the tag table
  WriteFile(dir.File("srgb.jpg"), srgb_photo);
  WriteFile(dir.File("broken.jpg"), EncodeJpeg(kPhotoWidth, kPhotoHeight, false, MakeCameraPhoto({}).rgb, broken_profile));
  const std::string corpus = VXIMAGE_SOURCE_DIR "/tests/corpus/";
  const struct {
    std::string file;
    bool keep_metadata_too;
  } cases[] = {
      {dir.File("srgb.jpg"), false},
      {dir.File("broken.jpg"), false},
      {corpus + "photos/plasma_Kite_2560x1600.jpg", false},  // a camera's sRGB profile
      {corpus + "photos/mate_Dune.jpg", false},
      {corpus + "png/basn6a08.png", true},
      {corpus + "gif/pil_transparent.gif", true},
      {corpus + "bmp/pil_hopper.bmp", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ResizeObject plain, managed;
    managed->put_ColorManage(1);
    managed->put_KeepMetadata(c.keep_metadata_too);
    ASSERT_EQ(plain->LoadSourceImage(Bstr(c.file)), S_OK);
    ASSERT_EQ(managed->LoadSourceImage(Bstr(c.file)), S_OK);
    ASSERT_EQ(plain->MakeThumbImage(Bstr(dir.File("plain.jpg")), 40, 0, 1), S_OK);
    ASSERT_EQ(managed->MakeThumbImage(Bstr(dir.File("managed.jpg")), 40, 0, 1), S_OK);
    EXPECT_EQ(FileBytes(dir.File("plain.jpg")), FileBytes(dir.File("managed.jpg")));
  }
}

// A PNG's iCCP profile describes its stored values: the file gamma beside it is not applied
// as well. Without a profile, gAMA and cHRM convert.
TEST(ResizeObjectColour, PngProfileWinsOverTheFileGamma) {
  TempDir dir;
  constexpr int kWidth = 16, kHeight = 4;
  Bytes rgb, rows;
  for (int y = 0; y < kHeight; ++y) {
    rows.push_back(0);  // no filter
    for (int x = 0; x < kWidth; ++x) {
      const Bytes pixel = {std::uint8_t(x * 16), std::uint8_t(200 - y * 40), std::uint8_t(x * 8 + y * 20)};
      rgb.insert(rgb.end(), pixel.begin(), pixel.end());
      rows.insert(rows.end(), pixel.begin(), pixel.end());
    }
  }
  const Bytes linear_gamma = {0, 1, 0x86, 0xA0};  // gAMA 1.0: values proportional to light
  const Bytes adobe = AdobeRgbProfile();
  const Bytes iccp = Join({Bytes{'a', 0, 0}, Deflate(adobe)});
  const auto png = [&](std::vector<testing::PngChunk> extra) {
    std::vector<testing::PngChunk> chunks = {testing::PngHeader(kWidth, kHeight)};
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    chunks.push_back({"IDAT", Deflate(rows)});
    chunks.push_back({"IEND", {}});
    return testing::JoinPngChunks(chunks);
  };
  const Bytes by_profile = LcmsReference(adobe, TYPE_RGB_8, rgb, rgb.size() / 3);
  const struct {
    const char* name;
    Bytes file;
    bool converts;
  } cases[] = {
      {"profile and gamma", png({{"gAMA", linear_gamma}, {"iCCP", iccp}}), true},
      {"profile alone", png({{"iCCP", iccp}}), true},
      {"gamma alone", png({{"gAMA", linear_gamma}}), false},
  };
  Bytes with_gamma;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir.File("in.png"), c.file);
    ResizeObject r;
    r->put_ColorManage(1);
    r->put_Quality(100);
    ASSERT_EQ(r->LoadSourceImage(Bstr(dir.File("in.png"))), S_OK);
    ASSERT_EQ(r->MakeMarkImage(Bstr(dir.File("out.jpg"))), S_OK);
    const Bytes written = testing::ReadJpegFile(dir.File("out.jpg")).rgb;
    if (c.converts) {
      // Within the JPEG encoder's error of lcms2's own conversion; the gamma changes nothing.
      EXPECT_LE(Difference(written, by_profile).first, 4);
      EXPECT_LE(Difference(written, by_profile).second, 1.0);
      const Bytes file = FileBytes(dir.File("out.jpg"));
      if (std::string(c.name) == "profile and gamma") {
        with_gamma = file;
      } else {
        EXPECT_EQ(file, with_gamma);
      }
    } else {
      // libpng brings the linear values to the output's gamma: every one but 0 grows.
      EXPECT_GT(Difference(written, rgb).second, 20);
      EXPECT_GT(Difference(written, by_profile).second, 20);
    }
  }
}

}  // namespace
}  // namespace vx
