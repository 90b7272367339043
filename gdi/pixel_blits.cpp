// Alpha-blending RGBA and BGRA pixel buffers onto an area of a device context.
//
// The four direct blits share one frame and differ only in which source pixel each
// destination pixel takes; DrawDCByData3 assembles its nine pieces from stretched ones.
// Every blit that is told the picture's size reads only inside it: an area that would take
// any pixel from outside the picture, or a null buffer, draws nothing.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "gdi/dib_words.h"
#include "gdi/scratch_surface.h"
#include "gdi/shade_colors.h"
#include "gdi/vxgdi.h"

namespace {

enum class ByteOrder { kRgba, kBgra };

// A picture in a caller's pixel buffer.
struct SourcePicture {
  const unsigned char* pixels;
  std::int64_t row_length;  // pixels per row
  std::int64_t rows;        // rows the buffer holds
  ByteOrder order;
};

// A failed allocation means "draw nothing", never an exception out of the library.
template <class T>
std::unique_ptr<T[]> TryAllocate(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

// The source offsets rule(0) .. rule(count - 1) that `count` destination rows or columns
// take; null when one of them lies outside [0, limit) (or without memory), so that a blit
// reads nothing beyond the caller's buffer.
template <class Rule>
std::unique_ptr<std::int64_t[]> SourceOffsets(LONG count, std::int64_t limit, Rule rule) {
  auto offsets = TryAllocate<std::int64_t>(std::size_t(count));
  if (!offsets) return nullptr;
  for (LONG i = 0; i < count; ++i) {
    offsets[i] = rule(i);
    if (offsets[i] < 0 || offsets[i] >= limit) return nullptr;
  }
  return offsets;
}

// Whether every destination pixel of a width x height area finds its source pixel inside
// the picture.
template <class RowRule, class ColumnRule>
bool AreaInsidePicture(LONG width, LONG height, const SourcePicture& source,
                       RowRule source_row, ColumnRule source_column) {
  return source.pixels && SourceOffsets(height, source.rows, source_row) &&
         SourceOffsets(width, source.row_length, source_column);
}

// Reads the area (x, y, width, height) of `target` back, blends over destination pixel
// (c, r) the source pixel at column source_column(c) of row source_row(r), with its alpha as
// weight, and writes the area back. Each rule is asked once per column or row, not per pixel.
// An area any of whose pixels would come from outside the picture draws nothing.
template <class RowRule, class ColumnRule>
void BlendOntoArea(HDC target, LONG x, LONG y, LONG width, LONG height,
                   const SourcePicture& source, RowRule source_row, ColumnRule source_column) {
  if (width <= 0 || height <= 0 || !source.pixels) return;
  const auto rows = SourceOffsets(height, source.rows, source_row);
  const auto columns = SourceOffsets(width, source.row_length, source_column);
  if (!rows || !columns) return;
  vx::ScratchSurface scratch(target, width, height);
  if (!scratch) return;
  auto words = TryAllocate<std::uint32_t>(std::size_t(width) * std::size_t(height));
  if (!words) return;
  BitBlt(scratch.dc(), 0, 0, width, height, target, x, y, SRCCOPY);
  if (!vx::ReadDibWords(scratch.dc(), scratch.bitmap(), width, height, words.get())) return;

  const int red = source.order == ByteOrder::kRgba ? 0 : 2;
  const int blue = 2 - red;
  std::uint32_t* word = words.get();
  for (LONG r = 0; r < height; ++r) {
    const std::int64_t row_start = rows[r] * source.row_length;
    for (LONG c = 0; c < width; ++c, ++word) {
      const unsigned char* pixel = source.pixels + (row_start + columns[c]) * 4;
      const std::uint32_t colour = pixel[blue] | (std::uint32_t{pixel[1]} << 8) |
                                   (std::uint32_t{pixel[red]} << 16);
      *word = vx::BlendOverWord(*word, colour, pixel[3]);
    }
  }
  vx::WriteDibWords(target, x, y, width, height, words.get());
}

// Source offset of destination offset `i` when `size` pixels of the piece are spread over
// `extent` pixels: a double-precision ratio, truncated.
class Stretch {
 public:
  Stretch(std::int64_t size, std::int64_t extent)
      : scale_(extent != 0 ? double(size) / double(extent) : 0.0) {}
  std::int64_t operator()(std::int64_t i) const { return std::int64_t(double(i) * scale_); }

 private:
  double scale_;  // unused when the extent is empty
};

// The piece (source_x, source_y, source_width, source_height) of a BGRA picture stretched
// by nearest neighbour onto the area (x, y, width, height); at equal sizes it is copied one
// to one, since i x 1.0 truncates to i.
struct StretchedPiece {
  LONG x, y, width, height;
  LONG source_x, source_y, source_width, source_height;

  auto Rows() const {
    return [sy = std::int64_t{source_y}, rows = Stretch(source_height, height)](std::int64_t r) {
      return sy + rows(r);
    };
  }
  auto Columns() const {
    return [sx = std::int64_t{source_x}, columns = Stretch(source_width, width)](std::int64_t c) {
      return sx + columns(c);
    };
  }
  bool Inside(const SourcePicture& picture) const {
    return width <= 0 || height <= 0 || AreaInsidePicture(width, height, picture, Rows(), Columns());
  }
  void Draw(HDC target, const SourcePicture& picture) const {
    BlendOntoArea(target, x, y, width, height, picture, Rows(), Columns());
  }
};

SourcePicture Bgra(const unsigned char* pixels, LONG picture_width, LONG picture_height) {
  return {pixels, picture_width, picture_height, ByteOrder::kBgra};
}

// Margin widths and area sizes can be anything a caller passes; computing in 64 bits and
// narrowing here keeps extreme values from overflowing.
LONG Narrow(std::int64_t value) {
  return LONG(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void CvxGDI::DrawDCByData(HDC target, LONG x, LONG y, LONG width, LONG height,
                          unsigned char* rgba) {
  auto same = [](std::int64_t i) { return i; };
  BlendOntoArea(target, x, y, width, height, {rgba, width, height, ByteOrder::kRgba}, same, same);
}

void CvxGDI::DrawDCByData2(HDC target, LONG x, LONG y, LONG width, LONG height,
                           unsigned char* bgra, LONG source_x, LONG source_y,
                           LONG picture_width, LONG picture_height) {
  const StretchedPiece piece{x, y, width, height, source_x, source_y, width, height};
  piece.Draw(target, Bgra(bgra, picture_width, picture_height));
}

void CvxGDI::DrawStretchDCByData(HDC target, LONG x, LONG y, LONG width, LONG height,
                                 unsigned char* bgra, LONG source_x, LONG source_y,
                                 LONG source_width, LONG source_height, LONG picture_width,
                                 LONG picture_height) {
  const StretchedPiece piece{x, y, width, height, source_x, source_y, source_width, source_height};
  piece.Draw(target, Bgra(bgra, picture_width, picture_height));
}

void CvxGDI::DrawDCByDataEx(HDC target, int x, int y, int width, int height,
                            unsigned char* rgba, int source_x, int source_y, int source_width,
                            int source_height, int picture_width, int picture_height,
                            RECT& margins) {
  // 64 bits, so that no sum below can overflow.
  const std::int64_t left = margins.left, top = margins.top;
  const std::int64_t right = margins.right, bottom = margins.bottom;
  const std::int64_t w = width, h = height, sx = source_x, sy = source_y;
  const std::int64_t sw = source_width, sh = source_height;
  const Stretch middle_rows(sh - top - bottom, h - top - bottom);
  const Stretch middle_columns(sw - left - right, w - left - right);

  // The first rule that holds wins; it matters only where the margins overlap. Row `top`
  // itself goes to the top rule, which gives the same row as the middle one would.
  auto source_row = [&](std::int64_t r) -> std::int64_t {
    if (r <= top) return sy + r;
    if (r >= h - bottom) return sy + sh - h + r;  // the last rows of the piece, in order
    return sy + top + middle_rows(r - top);
  };
  auto source_column = [&](std::int64_t c) -> std::int64_t {
    if (c < left) return sx + c;
    if (c >= w - right) return sx + sw - w + c;
    return sx + left + middle_columns(c - left);
  };
  BlendOntoArea(target, x, y, width, height,
                {rgba, picture_width, picture_height, ByteOrder::kRgba}, source_row,
                source_column);
}

void CvxGDI::DrawDCByData3(HDC target, LONG x, LONG y, LONG width, LONG height,
                           unsigned char* bgra, LONG picture_width, LONG picture_height,
                           LONG left_margin, LONG right_margin, LONG top_margin,
                           LONG bottom_margin) {
  if (width <= 0 || height <= 0) return;
  const LONG pw = picture_width, ph = picture_height;
  const LONG l = left_margin, r = right_margin, t = top_margin, b = bottom_margin;
  // Where the right and bottom margins start, and the size of the band between margins,
  // on the area and on the picture.
  const LONG right_x = Narrow(std::int64_t{width} - r);
  const LONG bottom_y = Narrow(std::int64_t{height} - b);
  const LONG middle_width = Narrow(std::int64_t{width} - l - r);
  const LONG middle_height = Narrow(std::int64_t{height} - t - b);
  const LONG picture_right_x = Narrow(std::int64_t{pw} - r);
  const LONG picture_bottom_y = Narrow(std::int64_t{ph} - b);
  const LONG picture_middle_width = Narrow(std::int64_t{pw} - l - r);
  const LONG picture_middle_height = Narrow(std::int64_t{ph} - t - b);

  // The nine pieces in the order they are drawn, on the scratch's coordinates; the corners
  // keep their size.
  const StretchedPiece pieces[] = {
      {0, 0, l, t, 0, 0, l, t},
      {l, 0, middle_width, t, l, 0, picture_middle_width, t},
      {right_x, 0, r, t, picture_right_x, 0, r, t},
      {0, t, l, middle_height, 0, t, l, picture_middle_height},
      {l, t, middle_width, middle_height, l, t, picture_middle_width, picture_middle_height},
      {right_x, t, r, middle_height, picture_right_x, t, r, picture_middle_height},
      {0, bottom_y, l, b, 0, picture_bottom_y, l, b},
      {l, bottom_y, middle_width, b, l, picture_bottom_y, picture_middle_width, b},
      {right_x, bottom_y, r, b, picture_right_x, picture_bottom_y, r, b},
  };
  // Margins or sizes that would take any piece from outside the picture draw nothing.
  const SourcePicture picture = Bgra(bgra, pw, ph);
  for (const StretchedPiece& piece : pieces) {
    if (!piece.Inside(picture)) return;
  }

  vx::ScratchSurface scratch(target, width, height);
  if (!scratch) return;
  BitBlt(scratch.dc(), 0, 0, width, height, target, x, y, SRCCOPY);
  // Each piece blends over what the scratch holds: the copied area of the target.
  for (const StretchedPiece& piece : pieces) piece.Draw(scratch.dc(), picture);
  BitBlt(target, x, y, width, height, scratch.dc(), 0, 0, SRCCOPY);
}
