// MakeThumbImage: a copy of the source picture resized by one of four sizing rules; and
// the two box rules, MakeFitImage and MakeFillImage. Each resizes by ResampleFilter:
// GDI's StretchBlt in COLORONCOLOR (0, dropping or repeating whole rows and columns), or
// a proper filter from resample.h (1 area averaging, 2 Lanczos-3).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "gdi/dib_words.h"
#include "object/drawn_copy.h"
#include "object/resample.h"

namespace {

// Truncation toward zero to 64 bits, keeping the low 32 bits as a signed value: results
// from 2^31 up wrap around; results that are not finite or reach 2^63 give 0.
LONG TruncateToLong(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 9223372036854775808.0) return 0;
  const auto wide = static_cast<std::int64_t>(value);
  return static_cast<LONG>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

// a * b / c rounded to the nearest integer, for positive values.
std::int64_t ScaledRounded(std::int64_t a, std::int64_t b, std::int64_t c) { return (2 * a * b + c) / (2 * c); }

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
  return SaveResizedCopy(strTargetImageFile, width, height, {0, 0, W, H});
}

// The largest size of the picture's proportions inside the box, never larger than the
// picture; each side at least one pixel.
HRESULT CResize::MakeFitImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight) {
  LONG width = 0, height = 0;  // no picture or no box: nothing the writer takes
  if (SourceBitmap && lWidth > 0 && lHeight > 0) {
    const std::int64_t W = SourceWidth, H = SourceHeight;
    if (W <= lWidth && H <= lHeight) {
      width = SourceWidth;
      height = SourceHeight;
    } else if (W * lHeight >= H * lWidth) {  // the width is what limits
      width = lWidth;
      height = static_cast<LONG>(std::max<std::int64_t>(1, ScaledRounded(H, lWidth, W)));
    } else {
      width = static_cast<LONG>(std::max<std::int64_t>(1, ScaledRounded(W, lHeight, H)));
      height = lHeight;
    }
  }
  return SaveResizedCopy(strTargetImageFile, width, height, {0, 0, double(SourceWidth), double(SourceHeight)});
}

// The box filled by the picture at the scale where its shorter side (relative to the box)
// just covers it; the overflow of the other side is cut off evenly on both ends.
HRESULT CResize::MakeFillImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight) {
  if (!SourceBitmap || lWidth <= 0 || lHeight <= 0) return SaveResizedCopy(strTargetImageFile, 0, 0, {});
  const double W = SourceWidth, H = SourceHeight;
  SourceArea area{0, 0, W, H};
  if (W * lHeight > H * lWidth) {  // wider than the box: columns are cut
    area.width = H * lWidth / lHeight;
    area.x = (W - area.width) / 2;
  } else {
    area.height = W * lHeight / lWidth;
    area.y = (H - area.height) / 2;
  }
  return SaveResizedCopy(strTargetImageFile, lWidth, lHeight, area);
}

HRESULT CResize::SaveResizedCopy(BSTR path, LONG width, LONG height, SourceArea area) {
  return SaveDrawnCopy(path, width, height, [&](HDC dc) {
    if (ResampleFilter != 0) return DrawResampled(dc, width, height, area, ResampleFilter);
    // GDI takes whole pixels: the area's edges are rounded to the nearest.
    const int left = static_cast<int>(std::lround(area.x)), top = static_cast<int>(std::lround(area.y));
    const int right = static_cast<int>(std::lround(area.x + area.width));
    const int bottom = static_cast<int>(std::lround(area.y + area.height));
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, width, height, SourceDC, left, top, right - left, bottom - top, SRCCOPY);
    return true;
  });
}

bool CResize::DrawResampled(HDC dc, LONG width, LONG height, SourceArea area, int filter) {
  if (!SourceBitmap) return true;  // before any load the copy stays black, as with GDI
  std::vector<std::uint32_t> copy, resized;
  try {
    if (!SourceWords) copy.resize(std::size_t(SourceWidth) * SourceHeight);
    resized.resize(std::size_t(width) * height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const std::uint32_t* source = SourceWords;
  if (source) {
    // GDI may still hold drawing calls on the section in its batch (those that return a
    // BOOL); a call that returns anything else carries them out first.
    GetPixel(SourceDC, 0, 0);
  } else {
    // The picture service's bitmap: its pixels are read out once.
    if (!vx::ReadDibWords(SourceDC, SourceBitmap, SourceWidth, SourceHeight, copy.data())) return false;
    source = copy.data();
  }
  const vx::SourceWindow window{area.x, area.y, area.width, area.height};
  if (!vx::ResamplePixels(source, SourceWidth, SourceHeight, SourceWidth, window, resized.data(), width, height,
                          width, static_cast<vx::ResampleFilter>(filter))) {
    return false;
  }
  vx::WriteDibWords(dc, 0, 0, width, height, resized.data());
  return true;
}
