// FastBlur: a direct two-dimensional Gaussian convolution of the top-left area of a context.
//
// Every output pixel is sum(channel x weight) / sum(weight) over the neighbours of its
// window that lie inside the area, each sum in double precision and in one fixed order:
// window rows top to bottom, and within a row left to right. The results must come out to
// the bit whatever the machine, so the work is arranged around that order:
// - each channel is kept as doubles in rows padded with zeros, so that a neighbour outside
//   the area adds an exact 0.0 to the colour sums instead of being skipped;
// - vector lanes are neighbouring output pixels, each summing its own window in the same
//   order, with no fused multiply-add;
// - the weight sum, which must skip the outside neighbours, is taken in the same order for
//   pixels near the border and once for all others.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VX_BLUR_AVX2 1
#endif

#include "gdi/dib_words.h"
#include "gdi/row_bands.h"
#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"

namespace {

// Lanes computed together; rows carry this many zeros of slack past their padding.
constexpr int kBlock = 8;

struct Kernel {
  int half = 0;      // window offsets run from -half to +half
  int size = 0;      // 2 x half + 1
  std::vector<double> weights;  // size x size, [dy + half][dx + half]
  double Weight(int dy, int dx) const { return weights[std::size_t(dy + half) * size + (dx + half)]; }
};

// The kernel of an odd size n; false when sigma gives no finite, positive weights. Offsets
// beyond the area can never fall inside it, so the window is cut to the area's size.
bool MakeKernel(std::int64_t n, double sigma, int width, int height, Kernel& kernel) {
  const double scale = 1.0 / ((6.283 * sigma) * sigma);
  const double spread = (2.0 * sigma) * sigma;
  if (!std::isfinite(scale) || !(scale > 0) || !std::isfinite(spread) || !(spread > 0)) return false;
  kernel.half = static_cast<int>(std::min<std::int64_t>(n / 2, std::max(width, height) - 1));
  kernel.size = 2 * kernel.half + 1;
  kernel.weights.resize(std::size_t(kernel.size) * kernel.size);
  for (int dy = -kernel.half; dy <= kernel.half; ++dy) {
    for (int dx = -kernel.half; dx <= kernel.half; ++dx) {
      const double e = -double(std::int64_t{dy} * dy + std::int64_t{dx} * dx);
      kernel.weights[std::size_t(dy + kernel.half) * kernel.size + (dx + kernel.half)] =
          std::exp(e / spread) * scale;
    }
  }
  return true;
}

// Sum of the weights of offsets [dy0, dy1] x [dx0, dx1], in window order.
double WeightSum(const Kernel& k, int dy0, int dy1, int dx0, int dx1) {
  double sum = 0;
  for (int dy = dy0; dy <= dy1; ++dy) {
    for (int dx = dx0; dx <= dx1; ++dx) sum += k.Weight(dy, dx);
  }
  return sum;
}

// The three channel sums of one run of output pixels.
struct Sums {
  double* red;
  double* green;
  double* blue;
};

// Window rows of one output row, each channel as a padded row: element half + x is
// column x, and columns outside the area are 0.
struct WindowRows {
  const double* const* red;
  const double* const* green;
  const double* const* blue;
};

// Colour sums of output columns [x, x + kBlock), window order, any machine.
void SumBlockPlain(const Kernel& k, const WindowRows& rows, int x, const Sums& out) {
  for (int lane = 0; lane < kBlock; ++lane) {
    double r = 0, g = 0, b = 0;
    for (int i = 0; i < k.size; ++i) {
      const double* w = &k.weights[std::size_t(i) * k.size];
      const double* pr = rows.red[i] + x + lane;
      const double* pg = rows.green[i] + x + lane;
      const double* pb = rows.blue[i] + x + lane;
      for (int t = 0; t < k.size; ++t) {
        r += pr[t] * w[t];
        g += pg[t] * w[t];
        b += pb[t] * w[t];
      }
    }
    out.red[x + lane] = r;
    out.green[x + lane] = g;
    out.blue[x + lane] = b;
  }
}

#ifdef VX_BLUR_AVX2
// The same sums, four lanes to a register, a multiply and an add kept apart.
[[gnu::target("avx2")]] void SumBlockAvx2(const Kernel& k, const WindowRows& rows, int x,
                                          const Sums& out) {
  __m256d r0 = _mm256_setzero_pd(), r1 = r0, g0 = r0, g1 = r0, b0 = r0, b1 = r0;
  for (int i = 0; i < k.size; ++i) {
    const double* w = &k.weights[std::size_t(i) * k.size];
    const double* pr = rows.red[i] + x;
    const double* pg = rows.green[i] + x;
    const double* pb = rows.blue[i] + x;
    for (int t = 0; t < k.size; ++t) {
      const __m256d weight = _mm256_broadcast_sd(w + t);
      r0 = _mm256_add_pd(r0, _mm256_mul_pd(_mm256_loadu_pd(pr + t), weight));
      r1 = _mm256_add_pd(r1, _mm256_mul_pd(_mm256_loadu_pd(pr + t + 4), weight));
      g0 = _mm256_add_pd(g0, _mm256_mul_pd(_mm256_loadu_pd(pg + t), weight));
      g1 = _mm256_add_pd(g1, _mm256_mul_pd(_mm256_loadu_pd(pg + t + 4), weight));
      b0 = _mm256_add_pd(b0, _mm256_mul_pd(_mm256_loadu_pd(pb + t), weight));
      b1 = _mm256_add_pd(b1, _mm256_mul_pd(_mm256_loadu_pd(pb + t + 4), weight));
    }
  }
  _mm256_storeu_pd(out.red + x, r0);
  _mm256_storeu_pd(out.red + x + 4, r1);
  _mm256_storeu_pd(out.green + x, g0);
  _mm256_storeu_pd(out.green + x + 4, g1);
  _mm256_storeu_pd(out.blue + x, b0);
  _mm256_storeu_pd(out.blue + x + 4, b1);
}
#endif

using SumBlock = void (*)(const Kernel&, const WindowRows&, int, const Sums&);

SumBlock ChooseSumBlock() {
#ifdef VX_BLUR_AVX2
  if (__builtin_cpu_supports("avx2")) return SumBlockAvx2;
#endif
  return SumBlockPlain;
}

// One channel's value: the weighted mean, at most 255, truncated, its low 8 bits.
std::uint32_t Channel(double sum, double weight_sum) {
  double value = sum / weight_sum;
  if (value > 255.0) value = 255.0;
  return static_cast<std::uint32_t>(static_cast<int>(value)) & 0xFF;
}

class Blur {
 public:
  Blur(const Kernel& kernel, const std::uint32_t* source, std::uint32_t* result, int width,
       int height)
      : k_(kernel), source_(source), result_(result), width_(width), height_(height),
        padded_width_(std::size_t(width) + 2 * std::size_t(kernel.half) + kBlock) {}

  // Output rows [first, end); false when its buffers could not be had.
  bool Rows(int first, int end) const {
    const std::size_t n = std::size_t(k_.size);
    // A ring of the last n source rows, three channels each, then one row of zeros, then
    // the sums of the row being made.
    const std::size_t doubles = (3 * n + 1 + 3) * padded_width_;
    std::unique_ptr<double[]> memory(new (std::nothrow) double[doubles]());
    std::unique_ptr<const double*[]> pointers(new (std::nothrow) const double*[3 * n]);
    std::unique_ptr<int[]> held(new (std::nothrow) int[n]);
    if (!memory || !pointers || !held) return false;
    double* ring = memory.get();
    const double* zeros = ring + 3 * n * padded_width_;
    double* sums = ring + (3 * n + 1) * padded_width_;
    const Sums out{sums, sums + padded_width_, sums + 2 * padded_width_};
    const WindowRows window{pointers.get(), pointers.get() + n, pointers.get() + 2 * n};
    for (std::size_t i = 0; i < n; ++i) held[i] = -1;
    const SumBlock sum_block = ChooseSumBlock();

    for (int y = first; y < end; ++y) {
      for (int dy = -k_.half; dy <= k_.half; ++dy) {
        const int row = y + dy;
        const std::size_t i = std::size_t(dy + k_.half);
        if (row < 0 || row >= height_) {
          pointers[i] = pointers[n + i] = pointers[2 * n + i] = zeros;
          continue;
        }
        const std::size_t slot = std::size_t(row) % n;
        double* red = ring + 3 * slot * padded_width_;
        if (held[slot] != row) Load(row, red);
        held[slot] = row;
        pointers[i] = red;
        pointers[n + i] = red + padded_width_;
        pointers[2 * n + i] = red + 2 * padded_width_;
      }
      for (int x = 0; x < width_; x += kBlock) sum_block(k_, window, x, out);
      Finish(y, out);
    }
    return true;
  }

 private:
  // Source row `row` into three padded channel rows starting at `red`.
  void Load(int row, double* red) const {
    double* green = red + padded_width_;
    double* blue = green + padded_width_;
    const std::uint32_t* words = source_ + std::size_t(row) * width_;
    for (int x = 0; x < width_; ++x) {
      red[k_.half + x] = (words[x] >> 16) & 0xFF;
      green[k_.half + x] = (words[x] >> 8) & 0xFF;
      blue[k_.half + x] = words[x] & 0xFF;
    }
  }

  // Divides the sums of row y by the weight of the window's part inside the area.
  void Finish(int y, const Sums& sums) const {
    const int dy0 = std::max(-k_.half, -y), dy1 = std::min(k_.half, height_ - 1 - y);
    double inner = -1;  // weight sum of pixels whose window rows alone are cut, once known
    std::uint32_t* out = result_ + std::size_t(y) * width_;
    for (int x = 0; x < width_; ++x) {
      const int dx0 = std::max(-k_.half, -x), dx1 = std::min(k_.half, width_ - 1 - x);
      double weight;
      if (dx0 == -k_.half && dx1 == k_.half) {
        if (inner < 0) inner = WeightSum(k_, dy0, dy1, dx0, dx1);
        weight = inner;
      } else {
        weight = WeightSum(k_, dy0, dy1, dx0, dx1);
      }
      out[x] = Channel(sums.blue[x], weight) | Channel(sums.green[x], weight) << 8 |
               Channel(sums.red[x], weight) << 16;
    }
  }

  const Kernel& k_;
  const std::uint32_t* source_;
  std::uint32_t* result_;
  int width_;
  int height_;
  std::size_t padded_width_;  // half zeros, the row, half zeros, and a block's slack
};

}  // namespace

void CvxGDI::FastBlur(HDC target, int width, int height, int n, double sigma) {
  if (width <= 0 || height <= 0 || n < 1) return;
  const std::int64_t size = n % 2 == 0 ? std::int64_t{n} + 1 : n;  // an even size is widened
  Kernel kernel;
  try {
    if (!MakeKernel(size, sigma, width, height, kernel)) return;
  } catch (const std::bad_alloc&) {
    return;
  }
  vx::ScratchSurface scratch(target, width, height);
  if (!scratch) return;
  const std::size_t pixels = std::size_t(width) * std::size_t(height);
  std::unique_ptr<std::uint32_t[]> source(new (std::nothrow) std::uint32_t[pixels]);
  std::unique_ptr<std::uint32_t[]> result(new (std::nothrow) std::uint32_t[pixels]);
  if (!source || !result) return;
  BitBlt(scratch.dc(), 0, 0, width, height, target, 0, 0, SRCCOPY);
  if (!vx::ReadDibWords(scratch.dc(), scratch.bitmap(), width, height, source.get())) return;

  const Blur blur(kernel, source.get(), result.get(), width, height);
  std::atomic<bool> failed{false};
  const std::int64_t cost = std::int64_t(pixels) * kernel.size * kernel.size;
  vx::ForEachRowBand(height, cost, [&](int first, int end) {
    if (!blur.Rows(first, end)) failed = true;
  });
  if (!failed) vx::WriteDibWords(target, 0, 0, width, height, result.get());
}
