// Exif blocks and files that carry them, built byte by byte for the tests of orientation.
#pragma once

#include <cstdint>
#include <vector>

namespace vx::testing {

// A TIFF-structured block with one image directory of the entries added (each value held
// in the entry's value field).
class TiffBuilder {
 public:
  explicit TiffBuilder(bool big_endian) : big_endian_(big_endian) {}
  TiffBuilder& Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value);
  std::vector<std::uint8_t> bytes() const;

 private:
  void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) const;
  void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) const;
  struct Field {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  bool big_endian_;
  std::vector<Field> fields_;
};

// A block whose only entry is the orientation (a SHORT of count 1).
std::vector<std::uint8_t> TiffWithOrientation(int value, bool big_endian);
// A JPEG file with an Exif APP1 segment holding `tiff` right after its start marker.
std::vector<std::uint8_t> JpegWithExif(const std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& tiff);
// A PNG file with an eXIf chunk holding `tiff`, before or after its pixel data. Without
// `png`, a 1 x 1 grey picture.
std::vector<std::uint8_t> PngWithExif(const std::vector<std::uint8_t>& tiff, bool after_pixels,
                                      std::vector<std::uint8_t> png = {});

}  // namespace vx::testing
