// Laying one surface over a rectangle of another with one opacity for every pixel, or with
// a weight per pixel taken from a grey mask.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "gdi/dib_words.h"
#include "gdi/scratch_surface.h"
#include "gdi/shade_colors.h"
#include "gdi/surface_extent.h"
#include "gdi/vxgdi.h"

namespace {

// A copy of part of a surface on a new surface of the rectangle's size, read back as DIB
// words. What the copy does not reach stays black.
class Layer {
 public:
  Layer(HDC reference, int width, int height)
      : width_(width), height_(height), surface_(reference, width, height) {
    if (surface_)
      words_.reset(new (std::nothrow) std::uint32_t[std::size_t(width) * std::size_t(height)]);
  }

  // Copies `source` from (source_x, source_y) onto the layer at (x, y) and reads the layer
  // back. False when the layer could not be had.
  bool Take(HDC source, int x, int y, int source_x, int source_y) {
    if (!words_) return false;
    BitBlt(surface_.dc(), x, y, width_, height_, source, source_x, source_y, SRCCOPY);
    return vx::ReadDibWords(surface_.dc(), surface_.bitmap(), width_, height_, words_.get());
  }

  std::uint32_t* words() const { return words_.get(); }

 private:
  int width_;
  int height_;
  vx::ScratchSurface surface_;
  std::unique_ptr<std::uint32_t[]> words_;
};

// Where a source whose corner lies at `corner` of the rectangle is read from for a layer of
// the part (`from`) and where that lands on the layer (`at`): the part's skip moves the
// corner, and what falls before the layer's edge is read from further into the source.
// Beyond 2^30 no surface has pixels, so a corner farther out lays just as little.
struct Placement {
  int at, from;
};

Placement Placed(int corner, std::int64_t skipped) {
  const std::int64_t limit = std::int64_t{1} << 30;
  const std::int64_t on_layer = std::clamp<std::int64_t>(corner - skipped, -limit, limit);
  return on_layer >= 0 ? Placement{int(on_layer), 0} : Placement{0, int(-on_layer)};
}

// Opacity in percent to a mixer weight: truncated in double precision and limited to
// 0..255. 2.55 is a little less than 2.55 in binary, so 100 gives 254; callers and stored
// pictures rely on that.
int WeightOfOpacity(int opacity) {
  const double weight = opacity * 2.55;
  if (weight <= 0) return 0;
  if (weight >= 255) return 255;
  return static_cast<int>(weight);
}

}  // namespace

void CvxGDI::BitBltDCByTransparent(HDC dest, int x, int y, int width, int height, HDC source,
                                   int source_x, int source_y, int opacity) {
  if (width <= 0 || height <= 0) return;
  // Each pixel is mixed from the pixels at its own place alone: the layers need only the
  // part that can show, however large the rectangle asked for.
  const vx::ShownPart part = vx::ShownPartOf(dest, x, y, width, height);
  if (part.empty()) return;
  Layer below(dest, part.width(), part.height());
  if (!below.Take(dest, 0, 0, part.target_x, part.target_y)) return;
  Layer above(dest, part.width(), part.height());
  const Placement px = Placed(source_x, part.left), py = Placed(source_y, part.top);
  if (!above.Take(source, px.at, py.at, px.from, py.from)) return;

  const int weight = WeightOfOpacity(opacity);
  std::uint32_t* d = below.words();
  const std::uint32_t* s = above.words();
  const std::size_t count = std::size_t(part.width()) * std::size_t(part.height());
  for (std::size_t k = 0; k < count; ++k) d[k] = vx::ShadeColorsInline(d[k], s[k], weight);
  vx::WriteDibWords(dest, part.target_x, part.target_y, part.width(), part.height(), d);
}

void CvxGDI::BitBltDCByMaskDC(HDC dest, int x, int y, int width, int height, HDC source,
                              HDC mask) {
  if (width <= 0 || height <= 0) return;
  // Each pixel is mixed from the pixels at its own place alone: the layers need only the
  // part that can show, however large the rectangle asked for.
  const vx::ShownPart part = vx::ShownPartOf(dest, x, y, width, height);
  if (part.empty()) return;
  const Placement px = Placed(0, part.left), py = Placed(0, part.top);
  Layer below(dest, part.width(), part.height());
  if (!below.Take(dest, 0, 0, part.target_x, part.target_y)) return;
  Layer above(dest, part.width(), part.height());
  if (!above.Take(source, px.at, py.at, px.from, py.from)) return;
  Layer weights(dest, part.width(), part.height());
  if (!weights.Take(mask, px.at, py.at, px.from, py.from)) return;

  std::uint32_t* d = below.words();
  const std::uint32_t* s = above.words();
  const std::uint32_t* m = weights.words();
  const std::size_t count = std::size_t(part.width()) * std::size_t(part.height());
  for (std::size_t k = 0; k < count; ++k)
    d[k] = vx::ShadeColorsInline(d[k], s[k], int((m[k] >> 16) & 0xFF));
  vx::WriteDibWords(dest, part.target_x, part.target_y, part.width(), part.height(), d);
}
