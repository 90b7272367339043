// Converting a picture's pixels to sRGB with lcms2, as its source describes their colours:
// an embedded ICC profile (RGB, grey or CMYK), a generic press profile for CMYK pixels
// without one (generic_cmyk_profile.h), or a PNG file's gAMA and cHRM chunks. A profile
// lcms2 cannot open, or one for other pixels than those given, converts nothing; nor does
// one that is sRGB's under another name.
//
// Each conversion has an lcms2 context of its own, so that pictures loaded on different
// threads share no lcms2 state; one conversion may convert rows on several threads at once
// (it keeps no cache between pixels). The press profile's two transforms alone are made
// once and shared.
#pragma once

#include <lcms2.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vx {

class MatrixShaperConversion;

// Pixels as a decoder delivers them, 8 bits a channel.
enum class SourcePixels {
  kBgrx,       // B, G, R and an unused byte: DIB words (a grey profile reads B)
  kRgb,        // R, G, B (a grey profile reads R)
  kGrey,       // one byte
  kCmyk,       // C, M, Y, K: 255 is full ink
  kAdobeCmyk,  // C, M, Y, K as Adobe's JPEG files hold them: 0 is full ink
};

// What a PNG file says of its colours, as libpng reports it.
struct PngColourChunks {
  std::vector<std::uint8_t> icc_profile;  // iCCP, inflated
  bool srgb = false;                      // an sRGB chunk
  double gamma = 0;                       // gAMA: the file gamma (0.45455 for 2.2); 0 without
  bool has_chromaticities = false;        // cHRM: white point and primaries, x and y
  double white_x = 0, white_y = 0, red_x = 0, red_y = 0, green_x = 0, green_y = 0, blue_x = 0, blue_y = 0;
};

class ColourConversion {
 public:
  ColourConversion();
  ~ColourConversion();
  ColourConversion(const ColourConversion&) = delete;
  ColourConversion& operator=(const ColourConversion&) = delete;

  // Each prepares the conversion and says whether there is one (any earlier one is let go).
  bool FromProfile(std::span<const std::uint8_t> icc_profile, SourcePixels pixels);
  bool FromGenericCmyk(SourcePixels pixels);
  // The iCCP profile when it converts, else gAMA and cHRM; an sRGB chunk, or values that
  // are sRGB's, need no conversion. `gamma_applied`: the decoder already turned the file
  // gamma into the 2.2 of its output, so that only the chromaticities are left to do.
  bool FromPngChunks(const PngColourChunks& chunks, SourcePixels pixels, bool gamma_applied);

  bool active() const { return transform_ != nullptr; }
  // Converts `count` pixels at `in` into DIB words 0xAARRGGBB at `out`: AA is the unused
  // byte of kBgrx pixels as it was (a decoder's alpha or its 0xFF), 0xFF for the others,
  // which are opaque. With kBgrx, `in` may be `out`.
  void Convert(const void* in, std::uint32_t* out, std::size_t count) const;

  // The bytes lcms2 holds for this conversion, which may not pass 64 MB.
  struct MemoryBudget {
    std::atomic<std::size_t> used{0};
  };

 private:
  // Takes the source profile (and closes it) to make the transform.
  bool Prepare(cmsHPROFILE source, SourcePixels pixels);
  void Release();
  static cmsHTRANSFORM SharedGenericCmyk(SourcePixels pixels);
  static cmsHTRANSFORM MakeShared(SourcePixels pixels);

  std::unique_ptr<MemoryBudget> budget_;
  cmsContext context_ = nullptr;
  cmsHTRANSFORM transform_ = nullptr;
  // RGB profiles of three curves and a matrix: the same conversion by our own arithmetic,
  // several times faster than the transform's (matrix_shaper_conversion.h).
  std::unique_ptr<MatrixShaperConversion> matrix_shaper_;
  bool shared_ = false;  // the press profile's, made once for every conversion
  SourcePixels pixels_ = SourcePixels::kBgrx;
};

// lcms2's sRGB profile, for outputs whose pixels were converted.
std::vector<std::uint8_t> SrgbProfileBytes();

// The profile a JPEG output carries: sRGB's when the pixels were converted; else the
// source's own when it describes RGB pixels, and none when it describes others (a CMYK
// or grey profile does not fit the colour files the writer makes).
std::vector<std::uint8_t> OutputProfile(std::vector<std::uint8_t> source_profile, bool converted);

}  // namespace vx
