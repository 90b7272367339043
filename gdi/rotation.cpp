// Turning pictures and regions by an angle in degrees.
//
// The three picture rotations share one geometry: the bounding box of the picture turned
// about its top-left corner (x' = x cos - y sin, y' = x sin + y cos, clockwise on the screen),
// placed so that it keeps the centre of the unturned picture. Nothing is interpolated:
// every box pixel takes one whole source pixel.
//
// DrawDCByRotateData and RotateDC map each box pixel back to the source pixel under its
// centre, so that a turn by a multiple of 90 degrees moves every pixel whole and in place.
// Box rows are independent, and are shared among the cores. RotateDC2 maps the other way,
// from each source pixel to a box pixel, in source order, later pixels blending over earlier.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "base/picture_limits.h"
#include "gdi/dib_words.h"
#include "gdi/row_bands.h"
#include "gdi/scratch_surface.h"
#include "gdi/shade_colors.h"
#include "gdi/surface_extent.h"
#include "gdi/vxgdi.h"

namespace {

constexpr double kPi = 3.1415926;  // as the angle conversion has always used it

// A double truncated toward zero into an int, saturating where it does not fit.
int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int>(v);
}

// The bounding box of a w x h picture turned about its top-left corner.
struct RotatedBox {
  RotatedBox(int w, int h, double s, double c) {
    const double x[4] = {0, -h * s, w * c - h * s, w * c};
    const double y[4] = {0, h * c, w * s + h * c, w * s};
    min_x = *std::min_element(x, x + 4);
    min_y = *std::min_element(y, y + 4);
    width = *std::max_element(x, x + 4) - min_x;
    height = *std::max_element(y, y + 4) - min_y;
  }
  // The box truncated to whole pixels; false when it has no pixels or is too large to make.
  bool WholePixels(int& w, int& h) const {
    if (!(width >= 1 && height >= 1 && width < 2147483648.0 && height < 2147483648.0)) return false;
    w = static_cast<int>(width);
    h = static_cast<int>(height);
    return std::int64_t{w} * h <= vx::kMaxPicturePixels;
  }
  double min_x, min_y, width, height;
};

// Which source pixel lies under the centre of box pixel (q, r).
struct InverseMap {
  double min_x, min_y, s, c;
  int w, h;

  double U(int q, int r) const { return (q + 0.5 + min_x) * c + (r + 0.5 + min_y) * s; }
  double V(int q, int r) const { return (r + 0.5 + min_y) * c - (q + 0.5 + min_x) * s; }

  // Index of the source pixel, or -1 when the centre falls outside the picture.
  std::int64_t Source(int q, int r) const {
    const double u = U(q, r), v = V(q, r);
    if (!(u >= 0 && u < w && v >= 0 && v < h)) return -1;
    return std::int64_t(v) * w + std::int64_t(u);
  }

  // Box columns [first, end) of row r outside of which the centres surely fall outside the
  // picture; the columns inside are still tested one by one. Both coordinates change
  // linearly along the row, so their values at its two ends bound it.
  void Candidates(int r, int box_width, int& first, int& end) const {
    first = 0;
    end = box_width;
    Narrow(U(0, r), U(box_width - 1, r), w, box_width, first, end);
    Narrow(V(0, r), V(box_width - 1, r), h, box_width, first, end);
  }

 private:
  static void Narrow(double at_first, double at_last, int size, int box_width, int& first,
                     int& end) {
    const double low = -1, high = size + 1.0;  // a pixel's margin against rounding
    if (std::max(at_first, at_last) < low || std::min(at_first, at_last) > high) {
      end = first;
      return;
    }
    const double slope = box_width > 1 ? (at_last - at_first) / (box_width - 1) : 0;
    if (std::fabs(slope) < 1e-9) return;
    double q0 = (low - at_first) / slope, q1 = (high - at_first) / slope;
    if (q0 > q1) std::swap(q0, q1);
    first = std::max(first, int(std::max(0.0, std::floor(q0) - 2)));
    end = std::min(end, int(std::min(double(box_width), std::ceil(q1) + 3)));
    if (end < first) end = first;
  }
};

// Runs `each(q, r, source_index)` for every box pixel of `part` whose centre falls on the
// picture, with q and r counted from the part's top-left pixel, rows spread over the cores.
template <class Each>
void ForEachSample(const InverseMap& map, int box_width, const vx::ShownPart& part, Each each) {
  const std::int64_t cost = std::int64_t{part.width()} * part.height() * 8;
  vx::ForEachRowBand(part.height(), cost, [&](int first_row, int end_row) {
    for (int r = part.top + first_row; r < part.top + end_row; ++r) {
      int first, end;
      map.Candidates(r, box_width, first, end);
      for (int q = std::max(first, part.left); q < std::min(end, part.right); ++q) {
        const std::int64_t source = map.Source(q, r);
        if (source >= 0) each(q - part.left, r - part.top, source);
      }
    }
  });
}

std::unique_ptr<std::uint32_t[]> TryWords(std::int64_t count, bool zeroed) {
  return std::unique_ptr<std::uint32_t[]>(zeroed ? new (std::nothrow) std::uint32_t[std::size_t(count)]()
                                                 : new (std::nothrow) std::uint32_t[std::size_t(count)]);
}

}  // namespace

void CvxGDI::DrawDCByRotateData(HDC target, LONG x, LONG y, LONG w, LONG h, unsigned char* bgra,
                                float angle, int, int) {
  if (w <= 0 || h <= 0 || !bgra) return;
  const float theta = static_cast<float>(angle * kPi / 180);
  const double s = std::sin(double(theta)), c = std::cos(double(theta));
  const RotatedBox box(w, h, s, c);
  int W, H;
  if (!box.WholePixels(W, H)) return;
  // Offsets from the truncated sizes.
  const vx::ShownPart part = vx::ShownPartOf(target, std::int64_t{x} - (W - w) / 2, std::int64_t{y} - (H - h) / 2, W, H);
  if (part.empty()) return;
  const int width = part.width(), height = part.height();

  vx::ScratchSurface scratch(target, width, height);
  if (!scratch) return;
  auto words = TryWords(std::int64_t{width} * height, false);
  if (!words) return;
  BitBlt(scratch.dc(), 0, 0, width, height, target, part.target_x, part.target_y, SRCCOPY);
  if (!vx::ReadDibWords(scratch.dc(), scratch.bitmap(), width, height, words.get())) return;

  const InverseMap map{box.min_x, box.min_y, s, c, int(w), int(h)};
  std::uint32_t* out = words.get();
  ForEachSample(map, W, part, [&](int q, int r, std::int64_t source) {
    const unsigned char* p = bgra + source * 4;
    const std::uint32_t colour = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    std::uint32_t& word = out[std::size_t(r) * width + q];
    word = vx::ShadeColorsInline(word, colour, p[3]);
  });
  vx::WriteDibWords(target, part.target_x, part.target_y, width, height, words.get());
}

void CvxGDI::RotateDC(HDC target, int x, int y, HDC source, int w, int h, double angle) {
  if (w <= 0 || h <= 0) return;
  const double theta = angle * kPi / 180;
  const double s = std::sin(theta), c = std::cos(theta);
  const RotatedBox box(w, h, s, c);
  int W, H;
  if (!box.WholePixels(W, H)) return;
  // Offsets from the sizes before truncation.
  const vx::ShownPart part = vx::ShownPartOf(target, std::int64_t{x} - TruncToInt((box.width - w) / 2),
                                     std::int64_t{y} - TruncToInt((box.height - h) / 2), W, H);
  if (part.empty() || std::int64_t{w} * h > vx::kMaxPicturePixels) return;
  const int width = part.width(), height = part.height();

  // What lies beyond the source's surface reads as black, as a box pixel without a sample
  // is: only the part of the picture on the surface is read, and samples beyond it are
  // left as they are.
  int read_w = w, read_h = h;
  SIZE surface{};
  if (vx::MemorySurfaceSize(source, surface)) {
    read_w = std::min(w, int(surface.cx));
    read_h = std::min(h, int(surface.cy));
  }
  auto words = TryWords(std::int64_t{width} * height, true);  // box pixels without a sample: black
  if (!words) return;
  if (read_w > 0 && read_h > 0) {
    vx::ScratchSurface picture(source, read_w, read_h);
    if (!picture) return;
    auto pixels = TryWords(std::int64_t{read_w} * read_h, false);
    if (!pixels) return;
    BitBlt(picture.dc(), 0, 0, read_w, read_h, source, 0, 0, SRCCOPY);
    if (!vx::ReadDibWords(picture.dc(), picture.bitmap(), read_w, read_h, pixels.get())) return;

    const InverseMap map{box.min_x, box.min_y, s, c, read_w, read_h};
    std::uint32_t* out = words.get();
    const std::uint32_t* in = pixels.get();
    ForEachSample(map, W, part, [&](int q, int r, std::int64_t source_index) {
      out[std::size_t(r) * width + q] = in[source_index];
    });
  }
  vx::WriteDibWords(target, part.target_x, part.target_y, width, height, words.get());
}

void CvxGDI::RotateDC2(HDC target, int x, int y, HDC source, HBITMAP bitmap, int w, int h,
                       double angle) {
  if (w <= 0 || h <= 0 || std::int64_t{w} * h > vx::kMaxPicturePixels) return;
  const double theta = angle * kPi / 180;
  const double s = std::sin(theta), c = std::cos(theta);
  const RotatedBox box(w, h, s, c);
  int W, H;
  if (!box.WholePixels(W, H)) return;

  // Only the part of the box that can show on the target is made.
  const vx::ShownPart part = vx::ShownPartOf(target, x, y, W, H);
  if (part.empty()) return;
  const int shown_width = part.width(), shown_height = part.height();
  vx::ScratchSurface scratch(target, shown_width, shown_height);
  if (!scratch) return;
  auto words = TryWords(std::int64_t{shown_width} * shown_height, false);
  // Pixels the bitmap cannot deliver stay 0: transparent.
  auto pixels = TryWords(std::int64_t{w} * h, true);
  if (!words || !pixels) return;
  BitBlt(scratch.dc(), 0, 0, shown_width, shown_height, target, part.target_x, part.target_y, SRCCOPY);
  if (!vx::ReadDibWords(scratch.dc(), scratch.bitmap(), shown_width, shown_height, words.get())) return;
  BITMAPINFO info = vx::TopDownDibInfo(w, h);
  GetDIBits(source, bitmap, 0, static_cast<UINT>(h), pixels.get(), &info, DIB_RGB_COLORS);

  // Each source pixel goes to where its turn about the picture's centre truncates to.
  const int cx2 = w / 2, cy2 = h / 2;
  for (int i = 0; i < h; ++i) {
    for (int j = 0; j < w; ++j) {
      const int dx = j - cx2, dy = i - cy2;
      const double X = c * dx - s * dy + cx2;
      const double Y = c * dy + s * dx + cy2;
      const auto tx = static_cast<std::int64_t>(X), ty = static_cast<std::int64_t>(Y);
      if (tx < part.left || tx >= part.right || ty < part.top || ty >= part.bottom) continue;
      const std::uint32_t pixel = pixels[std::size_t(i) * w + j];
      std::uint32_t& word = words[std::size_t(ty - part.top) * std::size_t(shown_width) + std::size_t(tx - part.left)];
      word = vx::ShadeColorsInline(word, pixel, int(pixel >> 24));
    }
  }
  vx::WriteDibWords(target, part.target_x, part.target_y, shown_width, shown_height, words.get());
}

HRGN CvxGDI::RotateRgn(HRGN region, float angle, int cx, int cy) {
  const DWORD size = GetRegionData(region, 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return nullptr;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (!buffer) return nullptr;
  auto* data = reinterpret_cast<RGNDATA*>(buffer.get());
  if (GetRegionData(region, size, data) != size) return nullptr;
  const std::size_t n = data->rdh.nCount;
  if (n == 0) {
    // No bands, so no outline: the turned region is empty too.
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    if (empty) DeleteObject(region);
    return empty;
  }
  std::unique_ptr<RECT[]> rects(new (std::nothrow) RECT[n]);
  std::unique_ptr<POINT[]> outline(new (std::nothrow) POINT[2 * n + 2]);
  if (!rects || !outline || n > INT32_MAX / 2 - 1) return nullptr;
  std::memcpy(rects.get(), data->Buffer, n * sizeof(RECT));

  // Down the left ends of the bands, then back up their right ends.
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) outline[k++] = {rects[i].left, rects[i].top};
  outline[k++] = {rects[n - 1].left, rects[n - 1].bottom};
  for (std::size_t i = n; i-- > 0;) outline[k++] = {rects[i].right, rects[i].bottom};
  outline[k++] = {rects[0].right, rects[0].top};

  // Turned about (cx, cy): counter-clockwise on the screen for a positive angle.
  const double theta = angle / 180 * kPi;
  const double s = std::sin(theta), c = std::cos(theta);
  for (std::size_t i = 0; i < k; ++i) {
    const double px = outline[i].x, py = outline[i].y;
    outline[i].x = TruncToInt(s * (py - cy) + c * (px - cx) + cx);
    outline[i].y = TruncToInt(c * (py - cy) + s * (cx - px) + cy);
  }
  HRGN turned = CreatePolygonRgn(outline.get(), int(k), WINDING);
  // Without the new region the old one stays the caller's.
  if (turned) DeleteObject(region);
  return turned;
}
