// CPngReader: reads PNG data with libpng, row by row, either into a caller's 32-bit rows
// (the source picture, decoded straight into its bitmap) or into an RGBA pixel buffer of
// its own, of the whole picture or of one part of it, that it draws onto a device context.
//
// The pixels are those of libpng's simplified reading API for PNG_FORMAT_RGBA: 8 bits a
// channel, sRGB, straight alpha. Chunks that do not change pixels are skipped unread, so
// no text or palette-suggestion chunk can make libpng allocate, and no chunk may claim
// more memory than kMaxChunkBytes.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/whole_file.h"
#include "object/colour_conversion.h"
#include "platform/gdi.h"

class CPngReader {
 public:
  // What decoding delivered.
  enum class Rows {
    kNone,         // not a single row: the data ended or broke before the first
    kSome,         // the rows before the point where the data ended or broke
    kAll,
    kOutOfMemory,  // libpng could not have the memory it needed
  };

  static constexpr std::size_t kMaxChunkBytes = 8 << 20;

  CPngReader() = default;
  ~CPngReader();
  CPngReader(const CPngReader&) = delete;
  CPngReader& operator=(const CPngReader&) = delete;

  void Clear() { pixels_.clear(); }
  // Reads the header of PNG data held in memory, which must stay in place until the
  // pixels are decoded. width and height are set when it could be read (0 otherwise).
  bool Begin(const BYTE* data, std::size_t size);
  // Reads the header of a PNG file and keeps the file's bytes until its pixels are
  // decoded. The file is read as a source file is: without waiting, and only when it is a
  // plain file.
  bool ReadHeader(const OLECHAR* path);
  // Reads a PNG file whole, header and pixels, into the RGBA buffer.
  void Read(const OLECHAR* path);
  // Decodes the pixels of data whose header was read into the RGBA buffer. Without
  // memory for them there are no pixels; rows the data never reached are transparent.
  void Finish();
  // The same for the pixels of `part` alone (picture columns left to right, rows top to
  // bottom, cut to the picture): the buffer holds the part's pixels, rows below it are
  // never decoded, and of the rows above it and the columns beside it nothing is kept. A
  // picture beyond the limits of base/picture_limits.h gives no pixels.
  void FinishPart(const RECT& part);
  // Decodes the pixels of data whose header was read into height rows of width DIB
  // words at `words`, which must all be 0 (black): every pixel ends as DrawDCByData
  // would leave the RGBA pixel laid over black, and rows the data never reached stay 0.
  Rows DecodeOverBlack(std::uint32_t* words);
  // The same laid over a background DIB word (0x00RRGGBB) instead of black (in a picture
  // with alpha, rows the data never reached show the background too).
  Rows DecodeOver(std::uint32_t* words, std::uint32_t background);
  // What the file says of its colours (iCCP, sRGB, gAMA, cHRM), once the header is read.
  vx::PngColourChunks ColourChunks() const;
  // DecodeOver converts the pixels by `conversion` (when active; it must outlive the
  // decode) before they are laid over the background. `by_profile`: the conversion is the
  // iCCP profile's, which describes the stored values, so libpng leaves the file gamma
  // alone.
  void ConvertWith(const vx::ColourConversion* conversion, bool by_profile) {
    conversion_ = conversion;
    keep_stored_gamma_ = by_profile;
  }
  // Lays the RGBA buffer over what dc shows, the picture's top-left pixel at (x, y).
  void Draw(HDC dc, LONG x, LONG y);
  void Free() {
    pixels_ = {};
    part_ = {};
  }

  // The whole picture's size.
  LONG width() const { return static_cast<LONG>(width_); }
  LONG height() const { return static_cast<LONG>(height_); }
  // The part of the picture whose pixels the buffer holds, rows of its width.
  const RECT& part() const { return part_; }
  const unsigned char* pixels() const { return pixels_.empty() ? nullptr : pixels_.data(); }

 private:
  // Asks libpng for 8-bit R, G, B, A pixels or, with `bgr`, B, G, R, A.
  void RequestFourChannels(bool bgr);
  // Decodes every row into first_row + y * row_bytes, in R, G, B, A order or, with
  // `bgr`, B, G, R, A; rows the data never reached are not written.
  Rows DecodeRows(png_bytep first_row, std::size_t row_bytes, bool bgr);
  // Decodes the rows up to the last of part_ one by one, each pass of an interlaced
  // picture apart, and keeps the pixels of part_ in the RGBA buffer.
  void DecodePart();
  // Copies the pixels of part_ from the row just read (row row_ of pass pass_).
  void KeepRowOfPart();
  // Lets go of libpng's reading state.
  void End();

  static void ReadData(png_structp png, png_bytep out, std::size_t count);
  static void Fail(png_structp png, png_const_charp message);
  static void Warn(png_structp png, png_const_charp message);
  static png_voidp Allocate(png_structp png, png_alloc_size_t size);
  static void Release(png_structp png, png_voidp block);

  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  const BYTE* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t position_ = 0;
  png_uint_32 width_ = 0;
  png_uint_32 height_ = 0;
  bool has_alpha_ = false;
  bool interlaced_ = false;
  bool out_of_memory_ = false;
  png_uint_32 rows_read_ = 0;  // calls of png_read_row that returned
  png_uint_32 pass_ = 0;       // the pass and row being read
  png_uint_32 row_ = 0;
  vx::WholeFile file_;                 // the data of Read(path), while it is decoded
  std::vector<unsigned char> pixels_;  // the RGBA buffer
  RECT part_{};                        // what it holds
  std::vector<png_byte> line_;         // the row being read, while a part is decoded
  const vx::ColourConversion* conversion_ = nullptr;
  bool keep_stored_gamma_ = false;
};
