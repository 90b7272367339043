// GIF pictures through giflib: the first frame, drawn at its place on the logical screen.
//
// Frames come line by line, so no pass holds more than one line. Open decodes the frame
// once without drawing, so that a broken LZW stream is refused; Decode decodes it again
// into the caller's rows. Screen pixels that the frame does not cover and pixels of the
// transparent index are not written. An index beyond the colour table, and every index
// when the file has no colour table at all, is drawn black.
//
// giflib refuses LZW minimum code sizes above 8; some encoders still write them (the
// codes are then merely wider), so such a frame is decoded by GifLzwReader instead.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "base/picture_limits.h"
#include "platform/codecs/gif_lzw.h"
#include "platform/codecs/picture_decoder.h"

namespace vx {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr int kDescriptorSize = 9;  // after the ',' that starts the image record
constexpr int kWidestCodeSize = 11;  // 2^12 codes must hold the clear and end codes

struct MemoryInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int wanted) {
  auto* input = static_cast<MemoryInput*>(gif->UserData);
  const std::size_t count =
      std::min<std::size_t>(std::max(wanted, 0), input->size - input->position);
  if (count > 0) std::memcpy(out, input->data + input->position, count);
  input->position += count;
  return static_cast<int>(count);
}

// Row of the frame that its n-th line fills: interlaced frames store every 8th row from
// row 0, then every 8th from 4, every 4th from 2 and every 2nd from 1.
int FrameRow(int line, int height, bool interlaced) {
  if (!interlaced) return line;
  static constexpr int kFirst[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const int rows =
        height > kFirst[pass] ? (height - kFirst[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (line < rows) return kFirst[pass] + line * kStep[pass];
    line -= rows;
  }
  return height;  // not reached for line < height
}

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
};

// One pass over the data, up to the end of the first frame.
class FirstFrameReader {
 public:
  FirstFrameReader(const std::uint8_t* data, std::size_t size) : input_{data, size} {
    int error = 0;
    gif_ = DGifOpen(&input_, ReadFromMemory, &error);
  }
  ~FirstFrameReader() {
    int error = 0;
    if (gif_) DGifCloseFile(gif_, &error);
  }
  FirstFrameReader(const FirstFrameReader&) = delete;
  FirstFrameReader& operator=(const FirstFrameReader&) = delete;

  int screen_width() const { return gif_ ? gif_->SWidth : 0; }
  int screen_height() const { return gif_ ? gif_->SHeight : 0; }

  // Reads the records before the first frame and its descriptor; false when there is no
  // frame that can be decoded.
  bool SeekFrame();
  // Decodes every line of the frame and, when `rows` is not null, draws it.
  bool ReadLines(std::uint32_t* rows, std::ptrdiff_t stride);
  int lines_read() const { return lines_read_; }

 private:
  bool ReadExtension();
  bool ReadDescriptor();
  bool ReadWideCodeDescriptor(int code_size);
  void SetColors(const std::uint8_t* rgb, int count);
  void SetColors(const ColorMapObject* table);
  bool ReadLine(GifPixelType* line);
  void DrawLine(const GifPixelType* line, std::uint32_t* row) const;

  MemoryInput input_;
  GifFileType* gif_ = nullptr;
  int transparent_ = NO_TRANSPARENT_COLOR;
  Frame frame_;
  int lines_read_ = 0;
  std::array<std::uint32_t, 256> colors_{};
  std::unique_ptr<GifLzwReader> wide_codes_;  // only for frames giflib refuses
};

bool FirstFrameReader::SeekFrame() {
  if (!gif_) return false;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) break;
    if (type != EXTENSION_RECORD_TYPE || !ReadExtension()) return false;
  }
  if (!ReadDescriptor()) return false;
  // A frame larger than any picture that can be shown is refused undecoded: it could only
  // cost time.
  return frame_.width > 0 && frame_.height > 0 &&
         std::int64_t{frame_.width} * frame_.height <= kMaxPicturePixels;
}

// The last graphics control block before the frame gives its transparent index; a
// malformed one counts as none. Other extensions are skipped.
bool FirstFrameReader::ReadExtension() {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block) {
    GraphicsControlBlock control;
    const bool valid = DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK;
    transparent_ = valid ? control.TransparentColor : NO_TRANSPARENT_COLOR;
  }
  while (block) {
    if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return false;
  }
  return true;
}

// giflib has read the ',' that starts the image record. The LZW code size follows the
// descriptor and its local colour table; it decides who reads the frame.
bool FirstFrameReader::ReadDescriptor() {
  colors_.fill(kOpaque);
  const std::uint8_t* record = input_.data + input_.position;
  const std::size_t left = input_.size - input_.position;
  if (input_.position > 0 && record[-1] == ',' && left > kDescriptorSize) {
    const std::uint8_t flags = record[kDescriptorSize - 1];
    const std::size_t table = flags & 0x80 ? 3u << ((flags & 7) + 1) : 0;
    const std::size_t at = kDescriptorSize + table;
    if (at < left && record[at] > 8) return ReadWideCodeDescriptor(record[at]);
  }
  if (DGifGetImageDesc(gif_) == GIF_ERROR) return false;
  const GifImageDesc& image = gif_->Image;
  frame_ = {image.Left, image.Top, image.Width, image.Height, image.Interlace};
  SetColors(image.ColorMap ? image.ColorMap : gif_->SColorMap);
  return true;
}

bool FirstFrameReader::ReadWideCodeDescriptor(int code_size) {
  if (code_size > kWidestCodeSize) return false;
  const std::uint8_t* record = input_.data + input_.position;
  const auto word = [record](int at) { return record[at] | record[at + 1] << 8; };
  const std::uint8_t flags = record[kDescriptorSize - 1];
  frame_ = {word(0), word(2), word(4), word(6), (flags & 0x40) != 0};
  std::size_t at = kDescriptorSize;
  if (flags & 0x80) {
    const int count = 2 << (flags & 7);
    SetColors(record + at, count);
    at += 3 * count;
  } else {
    SetColors(gif_->SColorMap);
  }
  ++at;  // the code size
  const std::size_t data_at = input_.position + at;
  wide_codes_ = std::make_unique<GifLzwReader>(input_.data + data_at, input_.size - data_at,
                                               code_size);
  return true;
}

void FirstFrameReader::SetColors(const std::uint8_t* rgb, int count) {
  for (int i = 0; i < std::min(count, 256); ++i, rgb += 3) {
    colors_[i] = kOpaque | rgb[0] << 16 | rgb[1] << 8 | rgb[2];
  }
}

void FirstFrameReader::SetColors(const ColorMapObject* table) {
  static_assert(sizeof(GifColorType) == 3);
  if (table) SetColors(reinterpret_cast<const std::uint8_t*>(table->Colors), table->ColorCount);
}

bool FirstFrameReader::ReadLine(GifPixelType* line) {
  if (wide_codes_) return wide_codes_->Read(line, frame_.width);
  return DGifGetLine(gif_, line, frame_.width) == GIF_OK;
}

bool FirstFrameReader::ReadLines(std::uint32_t* rows, std::ptrdiff_t stride) {
  std::vector<GifPixelType> line(frame_.width);
  for (int n = 0; n < frame_.height; ++n) {
    if (!ReadLine(line.data())) return false;
    ++lines_read_;
    const int y = frame_.top + FrameRow(n, frame_.height, frame_.interlaced);
    if (rows && y < gif_->SHeight) DrawLine(line.data(), rows + y * stride);
  }
  // giflib reads up to the frame's empty sub-block after its last line.
  return !wide_codes_ || wide_codes_->Finish();
}

void FirstFrameReader::DrawLine(const GifPixelType* line, std::uint32_t* row) const {
  const int end = std::min(frame_.left + frame_.width, gif_->SWidth);
  for (int x = frame_.left; x < end; ++x) {
    const GifPixelType index = line[x - frame_.left];
    if (index != transparent_) row[x] = colors_[index];
  }
}

class GifDecoder : public PictureDecoder {
 public:
  GifDecoder(const std::uint8_t* data, std::size_t size, int width, int height)
      : data_(data), size_(size) {
    width_ = width;
    height_ = height;
  }
  DecodeResult Decode(std::uint32_t* rows, std::ptrdiff_t stride) override {
    FirstFrameReader reader(data_, size_);
    if (!rows || !reader.SeekFrame()) return DecodeResult::kNothing;
    if (reader.ReadLines(rows, stride)) return DecodeResult::kWhole;
    return reader.lines_read() > 0 ? DecodeResult::kPart : DecodeResult::kNothing;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenGif(const std::uint8_t* data, std::size_t size) {
  if (!data) return nullptr;
  FirstFrameReader reader(data, size);
  const int width = reader.screen_width(), height = reader.screen_height();
  if (width <= 0 || height <= 0) return nullptr;
  if (!reader.SeekFrame() || !reader.ReadLines(nullptr, 0)) return nullptr;
  return std::make_unique<GifDecoder>(data, size, width, height);
}

}  // namespace vx
