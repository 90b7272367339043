// FastBlur: a Gaussian convolution of the top-left area of a context.
//
// Every output pixel is sum(channel x weight) / sum(weight) over the neighbours of its
// window that lie inside the area. Windows of up to 129 pixels a side are summed
// directly, each sum in double precision and in one fixed order: window rows top to bottom,
// and within a row left to right. The results must come out to the bit whatever the
// machine, so the work is arranged around that order:
// - each channel is kept as doubles in rows padded with zeros, so that a neighbour outside
//   the area adds an exact 0.0 to the colour sums instead of being skipped;
// - vector lanes are neighbouring output pixels, each summing its own window in the same
//   order, with no fused multiply-add;
// - the weight sum, which must skip the outside neighbours, is taken in the same order for
//   pixels near the border and once for all others.
// Offsets whose weight is exactly 0 add exactly 0.0, so the window is cut where the weights
// underflow (about 40 sigma), as it is cut to the area: neither changes a bit. Windows
// that stay wider than 129 after both cuts (a large n with a sigma above 1.6) are summed
// separably, rows first, then columns: the same mean up to the rounding of the sums, at a
// cost that grows with the window's side instead of its area.
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

// The widest window summed directly reaches this far from its centre: 129 pixels a side.
constexpr int kDirectHalf = 64;

// The Gaussian's two constants: weight(dy, dx) = exp(-(dy^2 + dx^2) / spread) x scale.
struct Gaussian {
  double scale;
  double spread;
  // False when sigma gives no finite, positive weights.
  bool Usable() const {
    return std::isfinite(scale) && scale > 0 && std::isfinite(spread) && spread > 0;
  }
  // An offset beyond which every weight is exactly 0: exp of anything below -800
  // underflows to 0 in every mathematics library, whatever it is multiplied by.
  std::int64_t ZeroBeyond() const { return Radius(800.0); }
  // An offset beyond which every weight is below 2^-64 of the centre's, too little to
  // change a mean of 8-bit channels.
  std::int64_t NegligibleBeyond() const { return Radius(64 * 0.6931471805599453); }

 private:
  std::int64_t Radius(double exponent) const {
    return static_cast<std::int64_t>(std::min(std::ceil(std::sqrt(exponent * spread)), 2147483647.0)) + 1;
  }
};

Gaussian GaussianOf(double sigma) {
  return {1.0 / ((6.283 * sigma) * sigma), (2.0 * sigma) * sigma};
}

// The direct kernel of window offsets -half to +half.
void MakeKernel(int half, const Gaussian& gaussian, Kernel& kernel) {
  const double scale = gaussian.scale, spread = gaussian.spread;
  kernel.half = half;
  kernel.size = 2 * kernel.half + 1;
  kernel.weights.resize(std::size_t(kernel.size) * kernel.size);
  for (int dy = -kernel.half; dy <= kernel.half; ++dy) {
    for (int dx = -kernel.half; dx <= kernel.half; ++dx) {
      const double e = -double(std::int64_t{dy} * dy + std::int64_t{dx} * dx);
      kernel.weights[std::size_t(dy + kernel.half) * kernel.size + (dx + kernel.half)] =
          std::exp(e / spread) * scale;
    }
  }
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


// Blurs with the window of offsets -half to +half, summed along rows and then along
// columns: weight(dy, dx) = scale x g(dy) x g(dx) with g(d) = exp(-d^2 / spread), and the
// scale cancels in the mean. Returns false when its buffers could not be had.
class SeparableBlur {
 public:
  SeparableBlur(std::int64_t half, double spread, const std::uint32_t* source,
                std::uint32_t* result, int width, int height)
      : source_(source), result_(result), width_(width), height_(height),
        half_x_(int(std::min<std::int64_t>(half, width - 1))),
        half_y_(int(std::min<std::int64_t>(half, height - 1))) {
    const int half_max = std::max(half_x_, half_y_);
    weights_.resize(std::size_t(half_max) + 1);
    for (int d = 0; d <= half_max; ++d) weights_[std::size_t(d)] = std::exp(-(double(d) * d) / spread);
    column_weight_ = WindowWeights(width_, half_x_);
    row_weight_ = WindowWeights(height_, half_y_);
  }

  bool Run() {
    const std::size_t pixels = std::size_t(width_) * std::size_t(height_);
    rows_.reset(new (std::nothrow) double[3 * pixels]);
    if (!rows_) return false;
    std::atomic<bool> failed{false};
    vx::ForEachRowBand(height_, std::int64_t(pixels) * (2 * half_x_ + 1), [&](int first, int end) {
      if (!SumRows(first, end)) failed = true;
    });
    if (failed) return false;
    vx::ForEachRowBand(height_, std::int64_t(pixels) * (2 * half_y_ + 1), [&](int first, int end) {
      if (!SumColumns(first, end)) failed = true;
    });
    return !failed;
  }

 private:
  // For each position along an axis of `size` pixels, the weight of the part of its window
  // that lies inside: g over the offsets up to the nearer of `half` and the edge on either
  // side, from sums of g(0) .. g(k) kept once.
  std::vector<double> WindowWeights(int size, int half) const {
    std::vector<double> up_to(static_cast<std::size_t>(half) + 1);
    double sum = 0;
    for (int d = 0; d <= half; ++d) up_to[std::size_t(d)] = sum += weights_[std::size_t(d)];
    std::vector<double> sums(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
      const int before = std::min(half, i), after = std::min(half, size - 1 - i);
      sums[std::size_t(i)] = up_to[std::size_t(before)] + up_to[std::size_t(after)] - weights_[0];
    }
    return sums;
  }

  double* Row(int channel, int y) const {
    return rows_.get() + (std::size_t(channel) * height_ + std::size_t(y)) * width_;
  }

  // Each channel of source rows [first, end) summed along its row into rows_.
  bool SumRows(int first, int end) const {
    const std::size_t padded = std::size_t(width_) + 2 * std::size_t(half_x_);
    std::unique_ptr<double[]> line(new (std::nothrow) double[padded]());
    if (!line) return false;
    for (int y = first; y < end; ++y) {
      const std::uint32_t* words = source_ + std::size_t(y) * width_;
      for (int channel = 0; channel < 3; ++channel) {
        const int shift = 16 - 8 * channel;  // red, green, blue
        for (int x = 0; x < width_; ++x) line[std::size_t(half_x_ + x)] = (words[x] >> shift) & 0xFF;
        double* out = Row(channel, y);
        std::fill(out, out + width_, 0.0);
        for (int d = -half_x_; d <= half_x_; ++d) {
          const double weight = weights_[std::size_t(std::abs(d))];
          const double* in = line.get() + half_x_ + d;
          for (int x = 0; x < width_; ++x) out[x] += in[x] * weight;
        }
      }
    }
    return true;
  }

  // Output rows [first, end): the row sums of each window's rows, over the window's weight.
  bool SumColumns(int first, int end) const {
    std::unique_ptr<double[]> sums(new (std::nothrow) double[3 * std::size_t(width_)]);
    if (!sums) return false;
    for (int y = first; y < end; ++y) {
      std::fill(sums.get(), sums.get() + 3 * std::size_t(width_), 0.0);
      for (int d = std::max(-half_y_, -y); d <= std::min(half_y_, height_ - 1 - y); ++d) {
        const double weight = weights_[std::size_t(std::abs(d))];
        for (int channel = 0; channel < 3; ++channel) {
          const double* in = Row(channel, y + d);
          double* sum = sums.get() + std::size_t(channel) * width_;
          for (int x = 0; x < width_; ++x) sum[x] += in[x] * weight;
        }
      }
      std::uint32_t* out = result_ + std::size_t(y) * width_;
      for (int x = 0; x < width_; ++x) {
        const double weight = column_weight_[std::size_t(x)] * row_weight_[std::size_t(y)];
        out[x] = Channel(sums[std::size_t(2) * width_ + x], weight) |
                 Channel(sums[std::size_t(width_) + x], weight) << 8 | Channel(sums[std::size_t(x)], weight) << 16;
      }
    }
    return true;
  }

  const std::uint32_t* source_;
  std::uint32_t* result_;
  int width_;
  int height_;
  int half_x_;  // the window cut to the area along each axis
  int half_y_;
  std::vector<double> weights_;        // g(0) .. g(half)
  std::vector<double> column_weight_;  // per column x: sum of g over its window's columns inside
  std::vector<double> row_weight_;
  std::unique_ptr<double[]> rows_;  // per channel, per row: the sums along the row
};

}  // namespace

void CvxGDI::FastBlur(HDC target, int width, int height, int n, double sigma) {
  if (width <= 0 || height <= 0 || n < 1) return;
  const Gaussian gaussian = GaussianOf(sigma);
  if (!gaussian.Usable()) return;
  const std::int64_t size = n % 2 == 0 ? std::int64_t{n} + 1 : n;  // an even size is widened
  // Offsets beyond the area can never fall inside it, and those beyond ZeroBeyond weigh
  // exactly 0: cutting the window there changes no bit.
  const std::int64_t half = std::min<std::int64_t>(size / 2, std::max(width, height) - 1);
  const std::int64_t direct_half = std::min(half, gaussian.ZeroBeyond());

  vx::ScratchSurface scratch(target, width, height);
  if (!scratch) return;
  const std::size_t pixels = std::size_t(width) * std::size_t(height);
  std::unique_ptr<std::uint32_t[]> source(new (std::nothrow) std::uint32_t[pixels]);
  std::unique_ptr<std::uint32_t[]> result(new (std::nothrow) std::uint32_t[pixels]);
  if (!source || !result) return;
  BitBlt(scratch.dc(), 0, 0, width, height, target, 0, 0, SRCCOPY);
  if (!vx::ReadDibWords(scratch.dc(), scratch.bitmap(), width, height, source.get())) return;

  Kernel kernel;
  try {
    if (direct_half > kDirectHalf) {
      SeparableBlur blur(std::min(half, gaussian.NegligibleBeyond()), gaussian.spread,
                         source.get(), result.get(), width, height);
      if (blur.Run()) vx::WriteDibWords(target, 0, 0, width, height, result.get());
      return;
    }
    MakeKernel(int(direct_half), gaussian, kernel);
  } catch (const std::bad_alloc&) {
    return;
  }
  const Blur blur(kernel, source.get(), result.get(), width, height);
  std::atomic<bool> failed{false};
  const std::int64_t cost = std::int64_t(pixels) * kernel.size * kernel.size;
  vx::ForEachRowBand(height, cost, [&](int first, int end) {
    if (!blur.Rows(first, end)) failed = true;
  });
  if (!failed) vx::WriteDibWords(target, 0, 0, width, height, result.get());
}
