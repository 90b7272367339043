// MakeThumbImage: a copy of the source picture resized by one of four sizing rules.
#include <cmath>
#include <cstdint>

#include "object/drawn_copy.h"

namespace {

// Truncation toward zero to 64 bits, keeping the low 32 bits as a signed value: results
// from 2^31 up wrap around; results that are not finite or reach 2^63 give 0.
LONG TruncateToLong(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 9223372036854775808.0) return 0;
  const auto wide = static_cast<std::int64_t>(value);
  return static_cast<LONG>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

}  // namespace

HRESULT CResize::MakeThumbImage(BSTR strTargetImageFile, double dWidth, double dHeight,
                                LONG lThumbType) {
  const double W = SourceWidth, H = SourceHeight;
  const double ratio = W / H;
  LONG width = 0, height = 0;
  switch (lThumbType) {
    case 0:  // exact size
      width = TruncateToLong(dWidth);
      height = TruncateToLong(dHeight);
      break;
    case 1:  // fixed width, proportional height
      width = TruncateToLong(dWidth);
      height = TruncateToLong(dWidth / ratio);
      break;
    case 2:  // fixed height, proportional width
      width = TruncateToLong(ratio * dHeight);
      height = TruncateToLong(dHeight);
      break;
    case 3:  // scale factors
      width = TruncateToLong(W * dWidth);
      height = TruncateToLong(H * dHeight);
      break;
    default:  // no such rule: a picture of no size, which the writer refuses
      break;
  }
  return SaveDrawnCopy(strTargetImageFile, width, height, [&](HDC dc) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, width, height, SourceDC, 0, 0, SourceWidth, SourceHeight, SRCCOPY);
  });
}
