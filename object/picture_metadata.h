// What outputs keep of a source picture's metadata: the Exif block, the XMP packet (and
// its extended parts), the IPTC record and the ICC profile. Gathered from the APP segments
// of a JPEG source as libjpeg saves them, or from the chunks of a PNG source
// (png_metadata.h), and written as APP segments into every JPEG output.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// JPEG marker codes of the segments concerned.
inline constexpr int kApp1 = 0xE1;   // Exif; XMP
inline constexpr int kApp2 = 0xE2;   // ICC profile
inline constexpr int kApp13 = 0xED;  // Photoshop resources: IPTC

// Most data bytes one segment holds (its 16-bit length counts itself).
inline constexpr std::size_t kMaxSegmentDataBytes = 65533;

// One APP segment: its marker code and its data (what follows the length field).
struct JpegMarkerView {
  int code;
  std::span<const std::uint8_t> data;
};

struct JpegSegment {
  int code;
  std::vector<std::uint8_t> data;
};

struct PictureMetadata {
  std::vector<std::uint8_t> exif;  // TIFF-structured, ready to be written (exif_block.h)
  std::vector<std::uint8_t> xmp;   // the packet
  std::vector<std::vector<std::uint8_t>> extended_xmp;  // whole segment data, kept as they came
  std::vector<std::uint8_t> iptc;  // Photoshop resources: the IPTC record and its digest
  std::vector<std::uint8_t> icc;   // the profile, whole

  bool empty() const { return exif.empty() && xmp.empty() && extended_xmp.empty() && iptc.empty() && icc.empty(); }
};

// The metadata of a JPEG source's APP segments, in file order. `turned_upright`: the
// picture was turned as its orientation said, which Exif and XMP then say no more.
PictureMetadata JpegSourceMetadata(std::span<const JpegMarkerView> markers, bool turned_upright);

// Sets every tiff:Orientation of an XMP packet (as an attribute or an element) to 1.
void ResetXmpOrientation(std::vector<std::uint8_t>& packet);

// The APP segments an output carries: Exif, XMP, extended XMP, ICC, IPTC. A block too
// large for its segment (Exif over 65527 bytes, XMP over 65504, IPTC over 65519, a profile
// over 255 segments) is left out, and `left_out` says so.
struct OutputSegments {
  std::vector<JpegSegment> segments;
  bool left_out = false;
};
OutputSegments SegmentsForOutput(const PictureMetadata& metadata);

}  // namespace vx
