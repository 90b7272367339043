#include "object/picture_metadata.h"

#include <cstring>
#include <string_view>

#include "object/exif_block.h"
#include "object/icc_chunks.h"
#include "object/photoshop_resources.h"

namespace vx {
namespace {

constexpr char kExifName[] = "Exif\0";                              // 6 bytes with the zero
constexpr char kXmpName[] = "http://ns.adobe.com/xap/1.0/";         // 29 bytes with the zero
constexpr char kExtendedXmpName[] = "http://ns.adobe.com/xmp/extension/";  // 35 bytes

bool Opens(std::span<const std::uint8_t> data, const char* name, std::size_t bytes) {
  return data.size() >= bytes && std::memcmp(data.data(), name, bytes) == 0;
}

// A segment's data: the header, then the block.
JpegSegment Segment(int code, const char* name, std::size_t name_bytes, std::span<const std::uint8_t> block) {
  JpegSegment segment{code, std::vector<std::uint8_t>(name, name + name_bytes)};
  segment.data.insert(segment.data.end(), block.begin(), block.end());
  return segment;
}

}  // namespace

PictureMetadata JpegSourceMetadata(std::span<const JpegMarkerView> markers, bool turned_upright) {
  PictureMetadata metadata;
  std::vector<std::span<const std::uint8_t>> icc_segments;
  std::vector<std::uint8_t> photoshop;
  bool has_exif = false, has_xmp = false;
  for (const JpegMarkerView& marker : markers) {
    if (marker.code == kApp1 && !has_exif && Opens(marker.data, kExifName, sizeof kExifName)) {
      has_exif = true;
      metadata.exif = ExifBlockForOutput(marker.data.subspan(sizeof kExifName), turned_upright);
    } else if (marker.code == kApp1 && !has_xmp && Opens(marker.data, kXmpName, sizeof kXmpName)) {
      has_xmp = true;
      metadata.xmp.assign(marker.data.begin() + sizeof kXmpName, marker.data.end());
    } else if (marker.code == kApp1 && Opens(marker.data, kExtendedXmpName, sizeof kExtendedXmpName)) {
      metadata.extended_xmp.emplace_back(marker.data.begin(), marker.data.end());
    } else if (marker.code == kApp2 && IsIccSegment(marker.data)) {
      icc_segments.push_back(marker.data);
    } else if (marker.code == kApp13 && IsPhotoshopSegment(marker.data)) {
      photoshop.insert(photoshop.end(), marker.data.begin() + kPhotoshopHeaderBytes, marker.data.end());
    }
  }
  if (turned_upright) ResetXmpOrientation(metadata.xmp);
  metadata.icc = ReassembleIccProfile(icc_segments);
  metadata.iptc = IptcResources(photoshop);
  return metadata;
}

void ResetXmpOrientation(std::vector<std::uint8_t>& packet) {
  static constexpr std::string_view kName = "tiff:Orientation";
  const std::string_view text(reinterpret_cast<const char*>(packet.data()), packet.size());
  for (std::size_t at = text.find(kName); at != std::string_view::npos; at = text.find(kName, at + 1)) {
    std::size_t i = at + kName.size();
    auto skip_spaces = [&] {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    };
    skip_spaces();
    if (i < text.size() && text[i] == '=') {  // tiff:Orientation="6"
      ++i;
      skip_spaces();
      if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) continue;
      ++i;
    } else if (i < text.size() && text[i] == '>') {  // <tiff:Orientation>6</tiff:Orientation>
      ++i;
      skip_spaces();
    } else {
      continue;
    }
    const bool lone_digit = i + 1 < text.size() && text[i] >= '1' && text[i] <= '8' &&
                            (text[i + 1] == '"' || text[i + 1] == '\'' || text[i + 1] == '<');
    if (lone_digit) packet[i] = '1';
  }
}

OutputSegments SegmentsForOutput(const PictureMetadata& metadata) {
  OutputSegments out;
  auto add = [&out](int code, const char* name, std::size_t name_bytes, std::span<const std::uint8_t> block) {
    if (block.empty()) return;
    if (name_bytes + block.size() > kMaxSegmentDataBytes) {
      out.left_out = true;
      return;
    }
    out.segments.push_back(Segment(code, name, name_bytes, block));
  };
  add(kApp1, kExifName, sizeof kExifName, metadata.exif);
  add(kApp1, kXmpName, sizeof kXmpName, metadata.xmp);
  for (const std::vector<std::uint8_t>& part : metadata.extended_xmp) add(kApp1, "", 0, part);
  if (!metadata.icc.empty()) {
    std::vector<std::vector<std::uint8_t>> icc = IccSegmentsOf(metadata.icc);
    if (icc.empty()) out.left_out = true;
    for (std::vector<std::uint8_t>& data : icc) out.segments.push_back({kApp2, std::move(data)});
  }
  if (!metadata.iptc.empty()) {
    std::vector<std::uint8_t> data = PhotoshopSegmentOf(metadata.iptc);
    add(kApp13, "", 0, data);
  }
  return out;
}

}  // namespace vx
