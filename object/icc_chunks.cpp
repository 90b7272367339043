#include "object/icc_chunks.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vx {
namespace {

constexpr char kIccName[] = "ICC_PROFILE";  // with its zero byte: 12 bytes
constexpr std::size_t kMaxSegments = 255;
constexpr std::size_t kIccHeaderBytes = 128;

}  // namespace

bool IsIccSegment(std::span<const std::uint8_t> data) {
  return data.size() >= kIccSegmentHeaderBytes && std::memcmp(data.data(), kIccName, sizeof kIccName) == 0;
}

bool PlausibleIccProfile(std::span<const std::uint8_t> profile, std::size_t& declared_size) {
  if (profile.size() < kIccHeaderBytes) return false;
  declared_size = std::size_t{profile[0]} << 24 | std::size_t{profile[1]} << 16 | std::size_t{profile[2]} << 8 | profile[3];
  return declared_size >= kIccHeaderBytes && declared_size <= profile.size() &&
         std::memcmp(profile.data() + 36, "acsp", 4) == 0;
}

std::vector<std::uint8_t> ReassembleIccProfile(std::span<const std::span<const std::uint8_t>> segments) {
  // The share of each sequence number, and the count all segments must agree on.
  std::array<std::span<const std::uint8_t>, kMaxSegments + 1> shares{};
  std::array<bool, kMaxSegments + 1> seen{};
  std::size_t count = 0, found = 0, total = 0;
  for (std::span<const std::uint8_t> data : segments) {
    if (!IsIccSegment(data)) continue;
    const std::size_t number = data[12], segment_count = data[13];
    if (segment_count == 0 || number == 0 || number > segment_count) return {};
    if (count != 0 && segment_count != count) return {};
    if (seen[number]) return {};
    count = segment_count;
    seen[number] = true;
    shares[number] = data.subspan(kIccSegmentHeaderBytes);
    total += shares[number].size();
    ++found;
  }
  if (found == 0 || found != count) return {};
  std::vector<std::uint8_t> profile;
  profile.reserve(total);
  for (std::size_t number = 1; number <= count; ++number) {
    profile.insert(profile.end(), shares[number].begin(), shares[number].end());
  }
  std::size_t declared = 0;
  if (!PlausibleIccProfile(profile, declared)) return {};
  profile.resize(declared);
  return profile;
}

std::vector<std::vector<std::uint8_t>> IccSegmentsOf(std::span<const std::uint8_t> profile) {
  const std::size_t count = (profile.size() + kIccBytesPerSegment - 1) / kIccBytesPerSegment;
  if (count == 0 || count > kMaxSegments) return {};
  std::vector<std::vector<std::uint8_t>> segments(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::span<const std::uint8_t> share =
        profile.subspan(i * kIccBytesPerSegment, std::min(kIccBytesPerSegment, profile.size() - i * kIccBytesPerSegment));
    std::vector<std::uint8_t>& data = segments[i];
    data.assign(kIccName, kIccName + sizeof kIccName);
    data.push_back(std::uint8_t(i + 1));
    data.push_back(std::uint8_t(count));
    data.insert(data.end(), share.begin(), share.end());
  }
  return segments;
}

}  // namespace vx
