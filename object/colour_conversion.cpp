#include "object/colour_conversion.h"

#include <lcms2_plugin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "object/generic_cmyk_profile.h"
#include "object/matrix_shaper_conversion.h"

namespace vx {
namespace {

// The words 0x00RRGGBB as bytes in memory.
constexpr cmsUInt32Number kDibWords = std::endian::native == std::endian::little ? TYPE_BGRA_8 : TYPE_ARGB_8;
// A grey channel followed by `extra` bytes the transform passes over.
constexpr cmsUInt32Number GreyWithExtra(int extra) {
  return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(extra);
}
constexpr double kGamma22 = 2.2;

// The lcms2 format of the source pixels for a profile of `space`; 0 when they do not fit.
cmsUInt32Number InputFormat(cmsColorSpaceSignature space, SourcePixels pixels) {
  switch (space) {
    case cmsSigRgbData:
      if (pixels == SourcePixels::kBgrx) return TYPE_BGRA_8;
      if (pixels == SourcePixels::kRgb) return TYPE_RGB_8;
      return 0;
    case cmsSigGrayData:
      if (pixels == SourcePixels::kBgrx) return GreyWithExtra(3);
      if (pixels == SourcePixels::kRgb) return GreyWithExtra(2);
      if (pixels == SourcePixels::kGrey) return TYPE_GRAY_8;
      return 0;
    case cmsSigCmykData:
      if (pixels == SourcePixels::kCmyk) return TYPE_CMYK_8;
      if (pixels == SourcePixels::kAdobeCmyk) return TYPE_CMYK_8_REV;
      return 0;
    default:
      return 0;
  }
}

// Profiles that describe a device's colours: not links, abstract or named-colour ones.
bool DescribesDevice(cmsHPROFILE profile) {
  switch (cmsGetDeviceClass(profile)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
      return cmsGetPCS(profile) == cmsSigXYZData || cmsGetPCS(profile) == cmsSigLabData;
    default:
      return false;
  }
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// Chromaticities lcms2 can make a profile of: inside the unit triangle, y above 0.
bool Plausible(const cmsCIExyY& c) { return c.x > 0 && c.y > 0.01 && c.x + c.y <= 1; }

// Whether a profile is sRGB under another name, as most cameras and editors embed it: an
// RGB matrix-shaper profile with sRGB's colorants and curves that bring every 8-bit value
// to within half a step of where sRGB's own would. Converting with it would only cost time.
bool SameAsSrgb(cmsHPROFILE profile, cmsHPROFILE srgb) {
  if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile)) return false;
  static const cmsTagSignature kColorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
  static const cmsTagSignature kCurves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  const auto* srgb_curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
  cmsToneCurve* srgb_inverse = srgb_curve ? cmsReverseToneCurve(srgb_curve) : nullptr;
  bool same = srgb_inverse != nullptr;
  for (int i = 0; same && i < 3; ++i) {
    const auto* colorant = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, kColorants[i]));
    const auto* srgb_colorant = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, kColorants[i]));
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, kCurves[i]));
    same = colorant && srgb_colorant && curve && Near(colorant->X, srgb_colorant->X, 0.002) &&
           Near(colorant->Y, srgb_colorant->Y, 0.002) && Near(colorant->Z, srgb_colorant->Z, 0.002);
    for (int value = 0; same && value < 256; ++value) {
      const float linear = cmsEvalToneCurveFloat(curve, value / 255.0f);
      same = Near(cmsEvalToneCurveFloat(srgb_inverse, linear) * 255.0, value, 0.5);
    }
  }
  if (srgb_inverse) cmsFreeToneCurve(srgb_inverse);
  return same;
}

// lcms2's memory, counted for each context: a few bytes of a profile's header can ask for
// tables of hundreds of megabytes, far past any real profile's (a 33-point CMYK table
// takes 10 MB). Each block records its size and the budget it was counted against (none
// for the context's own record, made before the context can be found).
constexpr std::size_t kMaxLcmsBytes = 64 << 20;
constexpr std::size_t kBlockHeader = 16;  // keeps the blocks' alignment

struct BlockHeader {
  std::uint32_t size;
  ColourConversion::MemoryBudget* budget;
};
static_assert(sizeof(BlockHeader) <= kBlockHeader);

void* Allocate(cmsContext context, cmsUInt32Number size) {
  auto* budget = static_cast<ColourConversion::MemoryBudget*>(cmsGetContextUserData(context));
  if (budget && (size > kMaxLcmsBytes || budget->used.fetch_add(size) + size > kMaxLcmsBytes)) {
    if (size <= kMaxLcmsBytes) budget->used -= size;
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(kBlockHeader + std::size_t{size}));
  if (!block) {
    if (budget) budget->used -= size;
    return nullptr;
  }
  const BlockHeader header = {size, budget};
  std::memcpy(block, &header, sizeof header);
  return block + kBlockHeader;
}

BlockHeader HeaderOf(void* pointer) {
  BlockHeader header;
  std::memcpy(&header, static_cast<unsigned char*>(pointer) - kBlockHeader, sizeof header);
  return header;
}

void Free(cmsContext, void* pointer) {
  if (!pointer) return;
  const BlockHeader header = HeaderOf(pointer);
  if (header.budget) header.budget->used -= header.size;
  std::free(static_cast<unsigned char*>(pointer) - kBlockHeader);
}

void* Reallocate(cmsContext context, void* pointer, cmsUInt32Number size) {
  void* moved = Allocate(context, size);
  if (moved && pointer) {
    std::memcpy(moved, pointer, std::min(size, HeaderOf(pointer).size));
    Free(context, pointer);
  }
  return moved;
}

cmsPluginMemHandler kCountedMemory = {
    {cmsPluginMagicNumber, 2060, cmsPluginMemHandlerSig, nullptr}, Allocate, Free, Reallocate, nullptr, nullptr, nullptr};

}  // namespace

ColourConversion::ColourConversion() : budget_(new MemoryBudget) {
  context_ = cmsCreateContext(&kCountedMemory, budget_.get());
}

ColourConversion::~ColourConversion() {
  Release();
  if (context_) cmsDeleteContext(context_);
}

void ColourConversion::Release() {
  if (transform_ && !shared_) cmsDeleteTransform(transform_);
  transform_ = nullptr;
  matrix_shaper_.reset();
  shared_ = false;
}

bool ColourConversion::Prepare(cmsHPROFILE source, SourcePixels pixels) {
  pixels_ = pixels;
  if (!source) return false;
  const cmsUInt32Number format = DescribesDevice(source) ? InputFormat(cmsGetColorSpace(source), pixels) : 0;
  cmsHPROFILE srgb = format ? cmsCreate_sRGBProfileTHR(context_) : nullptr;
  if (srgb && !SameAsSrgb(source, srgb)) {
    // No cache of the last pixel: rows may be converted on several threads at once.
    transform_ = cmsCreateTransformTHR(context_, source, format, srgb, kDibWords, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (transform_ && (pixels == SourcePixels::kBgrx || pixels == SourcePixels::kRgb)) {
      auto fast = std::make_unique<MatrixShaperConversion>();
      if (fast->Make(source, srgb, transform_, pixels == SourcePixels::kBgrx)) matrix_shaper_ = std::move(fast);
    }
  }
  if (srgb) cmsCloseProfile(srgb);
  cmsCloseProfile(source);
  return active();
}

bool ColourConversion::FromProfile(std::span<const std::uint8_t> icc_profile, SourcePixels pixels) {
  Release();
  if (!context_ || icc_profile.empty()) return false;
  return Prepare(cmsOpenProfileFromMemTHR(context_, icc_profile.data(), cmsUInt32Number(icc_profile.size())), pixels);
}

// The press profile's transforms take a third of a second to make: each of the two is
// made once, in a context of its own, and shared (a transform without a cache is only
// read while it converts). They last as long as the process.
cmsHTRANSFORM ColourConversion::SharedGenericCmyk(SourcePixels pixels) {
  static const cmsHTRANSFORM transforms[2] = {MakeShared(SourcePixels::kCmyk), MakeShared(SourcePixels::kAdobeCmyk)};
  if (pixels == SourcePixels::kCmyk) return transforms[0];
  if (pixels == SourcePixels::kAdobeCmyk) return transforms[1];
  return nullptr;
}

cmsHTRANSFORM ColourConversion::MakeShared(SourcePixels pixels) {
  ColourConversion made;
  if (!made.context_ || !made.Prepare(CreateGenericCmykProfile(made.context_), pixels)) return nullptr;
  made.context_ = nullptr;  // the three kept, for good
  made.budget_.release();
  return std::exchange(made.transform_, nullptr);
}

bool ColourConversion::FromGenericCmyk(SourcePixels pixels) {
  Release();
  transform_ = SharedGenericCmyk(pixels);
  shared_ = true;
  pixels_ = pixels;
  return active();
}

bool ColourConversion::FromPngChunks(const PngColourChunks& chunks, SourcePixels pixels, bool gamma_applied) {
  if (FromProfile(chunks.icc_profile, pixels)) return true;
  if (!context_ || chunks.srgb || (chunks.gamma <= 0 && !chunks.has_chromaticities)) return false;
  // sRGB's own primaries and white (D65), unless the file gives others.
  cmsCIExyY white = {0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  bool srgb_chromaticities = true;
  if (chunks.has_chromaticities) {
    const cmsCIExyY given_white = {chunks.white_x, chunks.white_y, 1.0};
    const cmsCIExyYTRIPLE given = {
        {chunks.red_x, chunks.red_y, 1.0}, {chunks.green_x, chunks.green_y, 1.0}, {chunks.blue_x, chunks.blue_y, 1.0}};
    const double kSame = 0.0005;
    srgb_chromaticities = Near(given_white.x, white.x, kSame) && Near(given_white.y, white.y, kSame) &&
                          Near(given.Red.x, primaries.Red.x, kSame) && Near(given.Red.y, primaries.Red.y, kSame) &&
                          Near(given.Green.x, primaries.Green.x, kSame) &&
                          Near(given.Green.y, primaries.Green.y, kSame) &&
                          Near(given.Blue.x, primaries.Blue.x, kSame) && Near(given.Blue.y, primaries.Blue.y, kSame);
    if (!Plausible(given_white) || !Plausible(given.Red) || !Plausible(given.Green) || !Plausible(given.Blue)) {
      return false;
    }
    white = given_white;
    primaries = given;
  }
  // A decoding gamma of 2.2 with sRGB's chromaticities is what files mean by sRGB.
  const double exponent = gamma_applied || chunks.gamma <= 0 ? kGamma22 : 1.0 / chunks.gamma;
  if (srgb_chromaticities && Near(exponent, kGamma22, 0.01)) return false;
  if (exponent < 0.1 || exponent > 10) return false;  // no picture means such a curve
  cmsToneCurve* curve = cmsBuildGamma(context_, exponent);
  if (!curve) return false;
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE source = cmsCreateRGBProfileTHR(context_, &white, &primaries, curves);
  cmsFreeToneCurve(curve);
  return Prepare(source, pixels);
}

void ColourConversion::Convert(const void* in, std::uint32_t* out, std::size_t count) const {
  if (!transform_) return;
  if (matrix_shaper_ && pixels_ == SourcePixels::kBgrx) {
    matrix_shaper_->ConvertWords(static_cast<const std::uint32_t*>(in), out, count);
    return;
  }
  if (matrix_shaper_ && pixels_ == SourcePixels::kRgb) {
    matrix_shaper_->ConvertRgb(static_cast<const std::uint8_t*>(in), out, count);
    return;
  }
  if (pixels_ != SourcePixels::kBgrx) {
    cmsDoTransform(transform_, in, out, cmsUInt32Number(count));
    for (std::size_t i = 0; i < count; ++i) out[i] |= 0xFF000000u;
    return;
  }
  // lcms2 writes the three colour bytes of each word; the fourth is taken from the input
  // a run at a time, so that converting in place keeps it too.
  constexpr std::size_t kRun = 1024;
  std::uint8_t top[kRun];
  const auto* words = static_cast<const std::uint32_t*>(in);
  for (std::size_t done = 0; done < count; done += kRun) {
    const std::size_t run = std::min(kRun, count - done);
    for (std::size_t i = 0; i < run; ++i) top[i] = std::uint8_t(words[done + i] >> 24);
    cmsDoTransform(transform_, words + done, out + done, cmsUInt32Number(run));
    for (std::size_t i = 0; i < run; ++i) out[done + i] = (out[done + i] & 0x00FFFFFFu) | std::uint32_t{top[i]} << 24;
  }
}

std::vector<std::uint8_t> OutputProfile(std::vector<std::uint8_t> source_profile, bool converted) {
  if (converted) {
    static const std::vector<std::uint8_t> srgb = SrgbProfileBytes();
    return srgb;
  }
  // The colour space's signature stands at byte 16 of the header.
  static constexpr std::uint8_t kRgbSpace[] = {'R', 'G', 'B', ' '};
  if (source_profile.size() < 20 || !std::equal(kRgbSpace, kRgbSpace + 4, source_profile.begin() + 16)) return {};
  return source_profile;
}

std::vector<std::uint8_t> SrgbProfileBytes() {
  std::vector<std::uint8_t> bytes;
  cmsContext context = cmsCreateContext(nullptr, nullptr);
  cmsHPROFILE profile = context ? cmsCreate_sRGBProfileTHR(context) : nullptr;
  cmsUInt32Number size = 0;
  if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
  }
  if (profile) cmsCloseProfile(profile);
  if (context) cmsDeleteContext(context);
  return bytes;
}

}  // namespace vx
