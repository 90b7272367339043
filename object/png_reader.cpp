#include "object/png_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/picture_limits.h"
#include "gdi/shade_colors.h"
#include "gdi/vxgdi.h"

namespace {

// Not a PNG file of a picture we would take.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 31;

// Every chunk except those that decide the pixels (and the critical ones, which libpng
// always reads) is skipped unread, as libpng's simplified API skips them for its image.
void SkipChunksThatDoNotChangePixels(png_structp png) {
  static const png_byte kPixelChunks[] = {
      'b', 'K', 'G', 'D', 0, 'c', 'H', 'R', 'M', 0, 'g', 'A', 'M', 'A', 0,
      'i', 'C', 'C', 'P', 0, 's', 'B', 'I', 'T', 0, 's', 'R', 'G', 'B', 0,
  };
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kPixelChunks, sizeof kPixelChunks / 5);
}

}  // namespace

CPngReader::~CPngReader() { End(); }

void CPngReader::End() {
  if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  png_ = nullptr;
  info_ = nullptr;
}

// libpng's callbacks. The error handler goes back to the setjmp of the call that is
// reading; warnings are not reported.

void CPngReader::ReadData(png_structp png, png_bytep out, std::size_t count) {
  auto* reader = static_cast<CPngReader*>(png_get_io_ptr(png));
  if (count > reader->size_ - reader->position_) png_error(png, "read beyond end of data");
  std::memcpy(out, reader->data_ + reader->position_, count);
  reader->position_ += count;
}

void CPngReader::Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void CPngReader::Warn(png_structp, png_const_charp) {}

png_voidp CPngReader::Allocate(png_structp png, png_alloc_size_t size) {
  png_voidp block = std::malloc(size);
  if (!block) static_cast<CPngReader*>(png_get_mem_ptr(png))->out_of_memory_ = true;
  return block;
}

void CPngReader::Release(png_structp, png_voidp block) { std::free(block); }

bool CPngReader::Begin(const BYTE* data, std::size_t size) {
  End();
  Free();
  data_ = data;
  size_ = data ? size : 0;
  position_ = 0;
  width_ = height_ = 0;
  out_of_memory_ = false;
  png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, this, Fail, Warn, this, Allocate, Release);
  if (png_) info_ = png_create_info_struct(png_);
  if (!info_) {
    End();
    return false;
  }
  if (setjmp(png_jmpbuf(png_))) {
    End();
    width_ = height_ = 0;
    return false;
  }
  png_set_read_fn(png_, this, ReadData);
  // Broken ancillary data is passed over with a warning, as the simplified API does.
  png_set_benign_errors(png_, 1);
  SkipChunksThatDoNotChangePixels(png_);
  png_set_chunk_malloc_max(png_, kMaxChunkBytes);
  // The caller judges the size; libpng's own limit would make large pictures look broken.
  png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(png_, info_);
  width_ = png_get_image_width(png_, info_);
  height_ = png_get_image_height(png_, info_);
  has_alpha_ = (png_get_color_type(png_, info_) & PNG_COLOR_MASK_ALPHA) != 0 ||
               png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
  interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
  return true;
}

void CPngReader::RequestFourChannels(bool bgr) {
  // The transformations of the simplified API for 8-bit RGBA: expand palettes, low bit
  // depths and transparency; grey to RGB; 16-bit files taken as linear unless they say
  // otherwise and scaled to 8-bit sRGB; an opaque alpha where the file has none.
  const bool sixteen_bits = png_get_bit_depth(png_, info_) == 16;
  png_set_expand(png_);
  if ((png_get_color_type(png_, info_) & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png_);
  png_set_alpha_mode_fixed(png_, PNG_ALPHA_PNG, sixteen_bits ? PNG_GAMMA_LINEAR : PNG_DEFAULT_sRGB);
  if (sixteen_bits) png_set_scale_16(png_);
  if (!has_alpha_) png_set_add_alpha(png_, 0xFF, PNG_FILLER_AFTER);
  png_set_alpha_mode_fixed(png_, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  // A file gamma equal to the output's: the values stay as stored, for the profile.
  if (keep_stored_gamma_) png_set_gamma_fixed(png_, PNG_DEFAULT_sRGB, PNG_DEFAULT_sRGB);
  if (bgr) png_set_bgr(png_);
}

CPngReader::Rows CPngReader::DecodeRows(png_bytep first_row, std::size_t row_bytes, bool bgr) {
  if (!png_) return Rows::kNone;
  rows_read_ = 0;
  pass_ = 0;
  row_ = 0;
  if (setjmp(png_jmpbuf(png_))) {
    // The check at the end of the image data fails within the call that delivered the
    // last row, after libpng moved on from it: that row counts.
    if (png_get_current_pass_number(png_) > pass_ || png_get_current_row_number(png_) > row_) ++rows_read_;
    End();
    if (out_of_memory_) return Rows::kOutOfMemory;
    return rows_read_ > 0 ? Rows::kSome : Rows::kNone;
  }
  RequestFourChannels(bgr);
  const int passes = png_set_interlace_handling(png_);
  png_read_update_info(png_, info_);
  // An interlaced picture comes in passes over the same rows, each pass adding pixels.
  for (pass_ = 0; int(pass_) < passes; ++pass_) {
    for (row_ = 0; row_ < height_; ++row_) {
      png_read_row(png_, first_row + row_ * row_bytes, nullptr);
      ++rows_read_;
    }
  }
  End();
  return Rows::kAll;
}

void CPngReader::Finish() { FinishPart(RECT{0, 0, LONG(width_), LONG(height_)}); }

void CPngReader::FinishPart(const RECT& part) {
  Free();
  // Larger pictures are refused before any of their pixels are asked for.
  if (png_ && vx::PictureSizeAcceptable(width_, height_)) {
    const RECT cut{std::max<LONG>(part.left, 0), std::max<LONG>(part.top, 0),
                   std::min<LONG>(part.right, LONG(width_)), std::min<LONG>(part.bottom, LONG(height_))};
    if (cut.left < cut.right && cut.top < cut.bottom) {
      try {
        // Zeroed: rows that a broken file never delivers stay transparent black.
        pixels_.assign(std::size_t(cut.right - cut.left) * std::size_t(cut.bottom - cut.top) * 4, 0);
        line_.resize(std::size_t{width_} * 4);
        part_ = cut;
      } catch (const std::bad_alloc&) {
        Free();
      }
    }
  }
  if (!pixels_.empty()) DecodePart();
  End();
  line_ = {};
  file_ = {};  // the pixels are decoded: the file's bytes are no longer read
}

void CPngReader::KeepRowOfPart() {
  const std::int64_t y = interlaced_ ? PNG_ROW_FROM_PASS_ROW(std::int64_t{row_}, pass_) : row_;
  if (y < part_.top || y >= part_.bottom) return;
  const std::int64_t part_width = part_.right - part_.left;
  unsigned char* out = pixels_.data() + std::size_t(y - part_.top) * std::size_t(part_width) * 4;
  if (!interlaced_) {
    std::memcpy(out, line_.data() + std::size_t(part_.left) * 4, std::size_t(part_width) * 4);
    return;
  }
  // A pass's row holds every PNG_PASS_COL_OFFSET-th pixel from PNG_PASS_START_COL on.
  const std::int64_t start = PNG_PASS_START_COL(pass_), step = PNG_PASS_COL_OFFSET(pass_);
  const std::int64_t count = PNG_PASS_COLS(std::int64_t{width_}, pass_);
  for (std::int64_t i = std::max<std::int64_t>(0, (part_.left - start + step - 1) / step); i < count; ++i) {
    const std::int64_t x = start + i * step;
    if (x >= part_.right) break;
    std::memcpy(out + std::size_t(x - part_.left) * 4, line_.data() + std::size_t(i) * 4, 4);
  }
}

// GCC sees KeepRowOfPart's loop counter, inlined here, as live across setjmp; it is not:
// after a longjmp the handler starts KeepRowOfPart afresh.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wclobbered"
#endif
void CPngReader::DecodePart() {
  pass_ = 0;
  row_ = 0;
  if (setjmp(png_jmpbuf(png_))) {
    // As in DecodeRows: a row delivered within the call that then failed counts.
    if (png_get_current_pass_number(png_) > pass_ || png_get_current_row_number(png_) > row_) KeepRowOfPart();
    End();
    return;
  }
  RequestFourChannels(false);
  png_read_update_info(png_, info_);
  // Without libpng's interlace handling an interlaced picture comes as its seven passes,
  // each a smaller picture of its own; libpng passes over those that hold no pixel.
  const int passes = interlaced_ ? 7 : 1;
  int last_pass = 0;
  for (int pass = 0; pass < passes; ++pass) {
    if (!interlaced_ || (PNG_PASS_ROWS(height_, pass) > 0 && PNG_PASS_COLS(width_, pass) > 0)) last_pass = pass;
  }
  for (pass_ = 0; int(pass_) <= last_pass; ++pass_) {
    const png_uint_32 rows = interlaced_ ? PNG_PASS_ROWS(height_, pass_) : height_;
    if (interlaced_ && (rows == 0 || PNG_PASS_COLS(width_, pass_) == 0)) continue;
    for (row_ = 0; row_ < rows; ++row_) {
      // Past the part's last row in the last pass nothing more is wanted.
      const std::int64_t y = interlaced_ ? PNG_ROW_FROM_PASS_ROW(std::int64_t{row_}, pass_) : row_;
      if (int(pass_) == last_pass && y >= part_.bottom) return;
      png_read_row(png_, line_.data(), nullptr);
      KeepRowOfPart();
    }
  }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

CPngReader::Rows CPngReader::DecodeOverBlack(std::uint32_t* words) { return DecodeOver(words, 0); }

CPngReader::Rows CPngReader::DecodeOver(std::uint32_t* words, std::uint32_t background) {
  // B, G, R, A in memory is the DIB word 0xAARRGGBB.
  const Rows rows = DecodeRows(reinterpret_cast<png_bytep>(words), std::size_t{width_} * 4, true);
  if (conversion_ && conversion_->active() && (rows == Rows::kSome || rows == Rows::kAll)) {
    // A row at a time, alpha kept for the blending below.
    for (png_uint_32 y = 0; y < height_; ++y) {
      std::uint32_t* row = words + std::size_t{width_} * y;
      conversion_->Convert(row, row, width_);
    }
  }
  // Laying a pixel over black changes only pixels that are neither opaque nor absent
  // (0 stays 0); a picture without alpha has none.
  if (has_alpha_ && (rows == Rows::kSome || rows == Rows::kAll)) {
    std::uint32_t* const end = words + std::size_t{width_} * height_;
    for (std::uint32_t* word = words; word != end; ++word) {
      const std::uint32_t alpha = *word >> 24;
      if (alpha != 0xFF) *word = vx::BlendOverWord(background, *word & 0x00FFFFFF, alpha);
    }
  }
  return rows;
}

vx::PngColourChunks CPngReader::ColourChunks() const {
  vx::PngColourChunks chunks;
  if (!png_ || !info_) return chunks;
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 profile_bytes = 0;
  if (png_get_iCCP(png_, info_, &name, &compression, &profile, &profile_bytes) && profile) {
    chunks.icc_profile.assign(profile, profile + profile_bytes);
  }
  int intent = 0;
  chunks.srgb = png_get_sRGB(png_, info_, &intent) != 0;
  if (!png_get_gAMA(png_, info_, &chunks.gamma)) chunks.gamma = 0;
  chunks.has_chromaticities =
      png_get_cHRM(png_, info_, &chunks.white_x, &chunks.white_y, &chunks.red_x, &chunks.red_y, &chunks.green_x,
                   &chunks.green_y, &chunks.blue_x, &chunks.blue_y) != 0;
  return chunks;
}

bool CPngReader::ReadHeader(const OLECHAR* path) {
  Free();
  End();
  width_ = height_ = 0;
  file_ = vx::ReadWholeFile(path, kMaxFileBytes);
  if (file_.failure == vx::FileReadFailure::kNone && Begin(file_.bytes.get(), file_.size)) return true;
  file_ = {};
  return false;
}

void CPngReader::Read(const OLECHAR* path) {
  if (ReadHeader(path)) Finish();
}

void CPngReader::Draw(HDC dc, LONG x, LONG y) {
  if (pixels_.empty()) return;
  CvxGDI::DrawDCByData(dc, LONG(std::clamp<std::int64_t>(std::int64_t{x} + part_.left, INT32_MIN, INT32_MAX)),
                       LONG(std::clamp<std::int64_t>(std::int64_t{y} + part_.top, INT32_MIN, INT32_MAX)),
                       part_.right - part_.left, part_.bottom - part_.top, pixels_.data());
}
