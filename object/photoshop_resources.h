// The image resources of a JPEG APP13 "Photoshop 3.0" segment, of which outputs keep the
// IPTC record (resource 0x0404) and its digest (0x0425) alone: the others describe the
// source as it was (its thumbnail, paths, slices, print settings) and would be wrong for a
// resized, cropped or marked picture.
//
// Each resource is "8BIM", a 16-bit id, a name (a length byte and its characters, padded
// to an even size), a 32-bit size and that many bytes of data, padded to an even size.
// Reading stops at the first resource that does not fit; those before it count.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// The header that opens an APP13 segment of Photoshop resources: "Photoshop 3.0" and a
// zero byte.
inline constexpr std::size_t kPhotoshopHeaderBytes = 14;

bool IsPhotoshopSegment(std::span<const std::uint8_t> data);

// The IPTC record and digest resources among `resources` (the segments' data after their
// headers, joined in file order), as resources again; empty when there is no IPTC record.
std::vector<std::uint8_t> IptcResources(std::span<const std::uint8_t> resources);

// The data of the APP13 segment that carries `resources`, header first.
std::vector<std::uint8_t> PhotoshopSegmentOf(std::span<const std::uint8_t> resources);

}  // namespace vx
