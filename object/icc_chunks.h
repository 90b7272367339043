// An ICC profile as JPEG files carry it: in APP2 segments, each "ICC_PROFILE", a zero
// byte, its sequence number (from 1) and the count of segments, then its share of the
// profile. Segments may come in any order; a set with a missing, repeated or out-of-range
// number, or with counts that disagree, is broken and yields no profile.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// The header that opens an ICC segment's data, and the most profile bytes one segment
// holds (a segment's data is at most 65533 bytes).
inline constexpr std::size_t kIccSegmentHeaderBytes = 14;
inline constexpr std::size_t kIccBytesPerSegment = 65533 - kIccSegmentHeaderBytes;

// Whether an APP2 segment's data is a share of an ICC profile.
bool IsIccSegment(std::span<const std::uint8_t> data);

// The profile of the ICC segments among `segments` (the data of every APP2 segment, in
// file order), or empty when there is none or the set is broken. The profile must open
// with a plausible header (its declared size within what the segments hold, "acsp" at 36);
// bytes past the declared size are left out.
std::vector<std::uint8_t> ReassembleIccProfile(std::span<const std::span<const std::uint8_t>> segments);

// The data of the APP2 segments that carry `profile`; none when it needs more than 255.
std::vector<std::vector<std::uint8_t>> IccSegmentsOf(std::span<const std::uint8_t> profile);

// Whether bytes open like an ICC profile: at least a header, a declared size within them.
// Gives the declared size.
bool PlausibleIccProfile(std::span<const std::uint8_t> profile, std::size_t& declared_size);

}  // namespace vx
