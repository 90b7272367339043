#include "object/png_metadata.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "object/exif_block.h"
#include "object/icc_chunks.h"
#include "object/png_chunks.h"

namespace vx {
namespace {

constexpr std::string_view kXmpKeyword = "XML:com.adobe.xmp";

// The text after the zero that ends a chunk's keyword; `keyword` is what came before it.
bool SplitKeyword(std::span<const std::uint8_t> data, std::string_view& keyword, std::span<const std::uint8_t>& rest) {
  const auto zero = std::find(data.begin(), data.end(), 0);
  if (zero == data.end()) return false;
  keyword = std::string_view(reinterpret_cast<const char*>(data.data()), std::size_t(zero - data.begin()));
  rest = data.subspan(keyword.size() + 1);
  return true;
}

// iTXt: keyword, compression flag, method, language tag, translated keyword, text.
std::vector<std::uint8_t> XmpOfText(std::span<const std::uint8_t> data) {
  std::string_view keyword, unused;
  std::span<const std::uint8_t> rest;
  if (!SplitKeyword(data, keyword, rest) || keyword != kXmpKeyword || rest.size() < 2) return {};
  const bool compressed = rest[0] != 0;
  if (compressed && rest[1] != 0) return {};
  rest = rest.subspan(2);
  if (!SplitKeyword(rest, unused, rest) || !SplitKeyword(rest, unused, rest)) return {};
  if (compressed) return InflateBounded(rest, kMaxInflatedBytes);
  return {rest.begin(), rest.end()};
}

// iCCP: profile name, compression method 0, zlib data.
std::vector<std::uint8_t> ProfileOfChunk(std::span<const std::uint8_t> data) {
  std::string_view name;
  std::span<const std::uint8_t> rest;
  if (!SplitKeyword(data, name, rest) || rest.empty() || rest[0] != 0) return {};
  std::vector<std::uint8_t> profile = InflateBounded(rest.subspan(1), kMaxInflatedBytes);
  std::size_t declared = 0;
  if (!PlausibleIccProfile(profile, declared)) return {};
  profile.resize(declared);
  return profile;
}

}  // namespace

std::vector<std::uint8_t> InflateBounded(std::span<const std::uint8_t> compressed, std::size_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return {};
  std::vector<std::uint8_t> out;
  std::uint8_t buffer[16384];
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), UINT32_MAX));
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = buffer;
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t produced = sizeof buffer - stream.avail_out;
    if (out.size() + produced > limit) status = Z_MEM_ERROR;
    else out.insert(out.end(), buffer, buffer + produced);
    // No input left and no output made: the data ended before its end mark.
    if (status == Z_OK && produced == 0 && stream.avail_in == 0) status = Z_DATA_ERROR;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) out.clear();
  return out;
}

PictureMetadata PngSourceMetadata(std::span<const std::uint8_t> png, bool turned_upright) {
  PictureMetadata metadata;
  bool has_exif = false, has_xmp = false, has_profile = false;
  WalkPngChunks(png, [&](std::string_view type, std::span<const std::uint8_t> data) {
    if (type == "eXIf" && !has_exif) {
      has_exif = true;
      metadata.exif = ExifBlockForOutput(data, turned_upright);
    } else if (type == "iTXt" && !has_xmp) {
      metadata.xmp = XmpOfText(data);
      has_xmp = !metadata.xmp.empty();
    } else if (type == "iCCP" && !has_profile) {
      has_profile = true;
      metadata.icc = ProfileOfChunk(data);
    }
    return true;
  });
  if (turned_upright) ResetXmpOrientation(metadata.xmp);
  return metadata;
}

}  // namespace vx
