// GIF pictures through giflib: the first frame, drawn at its place on the logical screen.
//
// giflib hands out a frame line by line, so no pass holds more than one line. Open decodes
// the frame once without drawing, so that a broken LZW stream is refused; Decode decodes
// it again into the caller's rows. Screen pixels that the frame does not cover and pixels
// of the transparent index are not written. An index beyond the colour table, and every
// index when the file has no colour table at all, is drawn black. giflib refuses LZW code
// sizes above 8, which no colour table can use.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/picture_decoder.h"

namespace vx {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
// A frame of more pixels than the largest picture that can be shown is refused before it
// is decoded: it could only cost time.
constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 29;

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
    const int rows = height > kFirst[pass] ? (height - kFirst[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (line < rows) return kFirst[pass] + line * kStep[pass];
    line -= rows;
  }
  return height;  // not reached for line < height
}

// One pass of giflib over the data, up to the end of the first frame.
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

 private:
  bool ReadExtension();
  void DrawLine(const GifPixelType* line, int y, std::uint32_t* row) const;

  MemoryInput input_;
  GifFileType* gif_ = nullptr;
  int transparent_ = NO_TRANSPARENT_COLOR;
  std::array<std::uint32_t, 256> colors_{};
};

bool FirstFrameReader::SeekFrame() {
  if (!gif_) return false;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return false;
    if (type == EXTENSION_RECORD_TYPE) {
      if (!ReadExtension()) return false;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif_) == GIF_ERROR) return false;
    const GifImageDesc& frame = gif_->Image;
    return frame.Width > 0 && frame.Height > 0 &&
           std::int64_t{frame.Width} * frame.Height <= kMaxFramePixels;
  }
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

bool FirstFrameReader::ReadLines(std::uint32_t* rows, std::ptrdiff_t stride) {
  const GifImageDesc& frame = gif_->Image;
  const ColorMapObject* table = frame.ColorMap ? frame.ColorMap : gif_->SColorMap;
  colors_.fill(kOpaque);
  const int count = table ? std::min(table->ColorCount, 256) : 0;
  for (int i = 0; i < count; ++i) {
    const GifColorType& c = table->Colors[i];
    colors_[i] = kOpaque | c.Red << 16 | c.Green << 8 | c.Blue;
  }
  std::vector<GifPixelType> line(frame.Width);
  for (int n = 0; n < frame.Height; ++n) {
    if (DGifGetLine(gif_, line.data(), frame.Width) == GIF_ERROR) return false;
    const int y = frame.Top + FrameRow(n, frame.Height, frame.Interlace);
    if (rows && y < gif_->SHeight) DrawLine(line.data(), y, rows + y * stride);
  }
  return true;
}

void FirstFrameReader::DrawLine(const GifPixelType* line, int y, std::uint32_t* row) const {
  const GifImageDesc& frame = gif_->Image;
  const int end = std::min(frame.Left + frame.Width, gif_->SWidth);
  for (int x = frame.Left; x < end; ++x) {
    const GifPixelType index = line[x - frame.Left];
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
  bool Decode(std::uint32_t* rows, std::ptrdiff_t stride) override {
    FirstFrameReader reader(data_, size_);
    return rows && reader.SeekFrame() && reader.ReadLines(rows, stride);
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
