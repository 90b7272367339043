#include "object/exif_block.h"

#include <algorithm>
#include <array>

#include "object/tiff_numbers.h"

namespace vx {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kExifDirectoryTag = 0x8769;
constexpr std::uint16_t kGpsDirectoryTag = 0x8825;
constexpr std::uint16_t kInteroperabilityDirectoryTag = 0xA005;
constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;
constexpr std::uint16_t kThumbnailLengthTag = 0x0202;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;
constexpr std::uint64_t kEntryBytes = 12;
// IFD0 and, reached from it, the Exif, GPS and interoperability directories.
constexpr std::size_t kMaxKeptDirectories = 4;

// Bytes [begin, end) of the block; 64-bit so that no sum of 32-bit fields wraps.
struct Range {
  std::uint64_t begin;
  std::uint64_t end;
};

// Bytes of one value of a TIFF field type; 0 for a type this reader does not know.
std::uint64_t TypeBytes(std::uint16_t type) {
  static constexpr std::array<std::uint8_t, 14> kBytes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < kBytes.size() ? kBytes[type] : 0;
}

// The block with its byte order; readers and writers take offsets already checked.
class Block {
 public:
  explicit Block(std::vector<std::uint8_t>& bytes) : bytes_(bytes), big_endian_(bytes[0] == 'M') {}

  std::uint64_t size() const { return bytes_.size(); }
  std::uint16_t U16(std::uint64_t at) const { return TiffU16(bytes_.data() + at, big_endian_); }
  std::uint32_t U32(std::uint64_t at) const { return TiffU32(bytes_.data() + at, big_endian_); }
  void PutU16(std::uint64_t at, std::uint16_t value) {
    bytes_[at + (big_endian_ ? 1 : 0)] = std::uint8_t(value);
    bytes_[at + (big_endian_ ? 0 : 1)] = std::uint8_t(value >> 8);
  }
  void PutU32(std::uint64_t at, std::uint32_t value) {
    PutU16(at + (big_endian_ ? 2 : 0), std::uint16_t(value));
    PutU16(at + (big_endian_ ? 0 : 2), std::uint16_t(value >> 16));
  }
  void Zero(Range range) { std::fill(bytes_.begin() + range.begin, bytes_.begin() + range.end, 0); }

  // Entries of the directory at `offset` when it lies whole inside the block, else 0 (and
  // `whole` false).
  std::uint64_t Entries(std::uint64_t offset, bool& whole) const {
    whole = offset >= 8 && offset + 2 <= size() && offset + 2 + U16(offset) * kEntryBytes + 4 <= size();
    return whole ? U16(offset) : 0;
  }
  Range DirectoryRange(std::uint64_t offset) const { return {offset, offset + 2 + U16(offset) * kEntryBytes + 4}; }
  std::uint64_t NextLink(std::uint64_t offset) const { return offset + 2 + U16(offset) * kEntryBytes; }

  // The bytes an entry's value takes outside the entry, when there are such bytes and
  // they lie inside the block.
  bool ValueRange(std::uint64_t entry, Range& range) const {
    const std::uint64_t bytes = TypeBytes(U16(entry + 2)) * U32(entry + 4);
    if (bytes <= 4) return false;
    range = {U32(entry + 8), U32(entry + 8) + bytes};
    return range.end <= size();
  }
  // The number a SHORT or LONG entry of count 1 holds.
  bool Number(std::uint64_t entry, std::uint32_t& value) const {
    if (U32(entry + 4) != 1) return false;
    if (U16(entry + 2) == kShortType) value = U16(entry + 8);
    else if (U16(entry + 2) == kLongType) value = U32(entry + 8);
    else return false;
    return true;
  }

 private:
  std::vector<std::uint8_t>& bytes_;
  bool big_endian_;
};

bool Overlaps(Range a, Range b) { return a.begin < b.end && b.begin < a.end; }

// Every range the header, the kept directories (IFD0 and those it leads to) and their
// values take. A sub-directory that is not whole keeps everything from its offset on.
std::vector<Range> KeptRanges(const Block& block, std::uint64_t first) {
  std::vector<Range> kept = {{0, 8}};
  std::array<std::uint64_t, kMaxKeptDirectories> queue = {first};
  std::size_t queued = 1;
  for (std::size_t visit = 0; visit < queued; ++visit) {
    const std::uint64_t offset = queue[visit];
    bool whole = false;
    const std::uint64_t entries = block.Entries(offset, whole);
    if (!whole) {
      if (offset < block.size()) kept.push_back({offset, block.size()});
      continue;
    }
    kept.push_back(block.DirectoryRange(offset));
    for (std::uint64_t i = 0; i < entries; ++i) {
      const std::uint64_t entry = offset + 2 + i * kEntryBytes;
      Range value;
      if (block.ValueRange(entry, value)) kept.push_back(value);
      const std::uint16_t tag = block.U16(entry);
      std::uint32_t link = 0;
      const bool leads_on = tag == kExifDirectoryTag || tag == kGpsDirectoryTag || tag == kInteroperabilityDirectoryTag;
      if (!leads_on || !block.Number(entry, link) || queued == queue.size()) continue;
      if (std::find(queue.begin(), queue.begin() + queued, link) == queue.begin() + queued) queue[queued++] = link;
    }
  }
  return kept;
}

// The ranges of the thumbnail's directory, its values and its picture.
std::vector<Range> ThumbnailRanges(const Block& block, std::uint64_t offset) {
  std::vector<Range> ranges;
  bool whole = false;
  const std::uint64_t entries = block.Entries(offset, whole);
  if (!whole) return ranges;
  ranges.push_back(block.DirectoryRange(offset));
  std::uint32_t picture = 0, length = 0;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const std::uint64_t entry = offset + 2 + i * kEntryBytes;
    Range value;
    if (block.ValueRange(entry, value)) ranges.push_back(value);
    if (block.U16(entry) == kThumbnailOffsetTag) block.Number(entry, picture);
    if (block.U16(entry) == kThumbnailLengthTag) block.Number(entry, length);
  }
  if (picture > 0 && std::uint64_t{picture} + length <= block.size()) ranges.push_back({picture, std::uint64_t{picture} + length});
  return ranges;
}

void DropThumbnail(std::vector<std::uint8_t>& bytes, std::uint64_t first) {
  Block block(bytes);
  const std::uint64_t link_at = block.NextLink(first);
  const std::uint64_t thumbnail = block.U32(link_at);
  if (thumbnail == 0) return;
  block.PutU32(link_at, 0);
  const std::vector<Range> kept = KeptRanges(block, first);
  const std::vector<Range> dropped = ThumbnailRanges(block, thumbnail);
  std::uint64_t kept_end = 0;
  for (Range range : kept) kept_end = std::max(kept_end, range.end);
  bool all_past_kept = !dropped.empty();
  for (Range range : dropped) {
    const bool shared = std::any_of(kept.begin(), kept.end(), [range](Range k) { return Overlaps(k, range); });
    if (!shared) block.Zero(range);
    all_past_kept = all_past_kept && range.begin >= kept_end;
  }
  if (all_past_kept) bytes.resize(kept_end);
}

}  // namespace

std::vector<std::uint8_t> ExifBlockForOutput(std::span<const std::uint8_t> tiff, bool reset_orientation) {
  if (tiff.size() < 8) return {};
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  const bool big = tiff[0] == 'M' && tiff[1] == 'M';
  if (!little && !big) return {};
  std::vector<std::uint8_t> bytes(tiff.begin(), tiff.end());
  Block block(bytes);
  if (block.U16(2) != 42) return {};
  const std::uint64_t first = block.U32(4);
  bool whole = false;
  const std::uint64_t entries = block.Entries(first, whole);
  if (!whole) return {};
  if (reset_orientation) {
    for (std::uint64_t i = 0; i < entries; ++i) {
      const std::uint64_t entry = first + 2 + i * kEntryBytes;
      if (block.U16(entry) == kOrientationTag && block.U16(entry + 2) == kShortType && block.U32(entry + 4) == 1) {
        block.PutU16(entry + 8, 1);
      }
    }
  }
  DropThumbnail(bytes, first);
  return bytes;
}

}  // namespace vx
