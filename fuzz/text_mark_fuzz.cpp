// Fuzz target: the text watermark with every setting taken from the input (placement,
// offsets and position near the picture or near the ends of the 32-bit range, font height,
// style, turn, area width, opacity, shadow distance, size and opacity), the rest of the
// input being the UTF-16 text, stamped on a small picture.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gdi/scratch_surface.h"
#include "object/text_mark.h"
#include "object/text_mark_layout.h"

namespace {

// The input's bytes in order; past its end, zeros.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::int8_t Signed8() { return static_cast<std::int8_t>(Byte()); }
  std::int16_t Signed16() { return static_cast<std::int16_t>(Byte() | (Byte() << 8)); }
  std::u16string Rest() {
    std::u16string text;
    for (; at_ + 1 < size_; at_ += 2) text.push_back(char16_t(data_[at_] | (data_[at_ + 1] << 8)));
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

constexpr const char16_t* kFaces[] = {u"DejaVu Sans", u"", u"Liberation Serif", u"No Such Face"};

// A place near the picture, or near either end of the 32-bit range.
LONG Place(Reader& in) {
  const LONG nearby = in.Signed8();
  switch (in.Byte() % 3) {
    case 0: return nearby;
    case 1: return 0x7FFFFF00 + nearby;
    default: return -0x7FFFFF00 + nearby;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  vx::TextMarkFontSettings font{kFaces[in.Byte() % 4], in.Signed16(), in.Byte() & 1, in.Signed8(),
                                in.Signed8(), in.Signed16()};
  vx::TextMarkSettings s{};
  s.color = in.Byte() * 0x010203u;
  s.area_width = in.Signed16();
  s.rotate = font.rotate;
  const LONG rule = in.Byte() % 7 - 1;
  const LONG offset_x = Place(in), offset_y = Place(in);
  s.placement = {rule, offset_x, offset_y};
  s.opacity = in.Signed8();
  s.shadow_visible = in.Byte() & 1;
  s.shadow.color = in.Byte() * 0x030201u;
  s.shadow.distance = in.Signed8();
  s.shadow.size = LONG(in.Signed16() % 1100);  // past the largest radius taken, and below 0
  s.shadow.opacity = in.Signed8();
  const LONG x = Place(in), y = Place(in);
  const POINT position{x, y};
  const std::u16string text = in.Rest();

  HDC screen = GetDC(nullptr);
  {
    vx::ScratchSurface picture(screen, 48, 32);
    const LOGFONTW logfont = vx::TextMarkLogFont(font);
    HFONT handle = CreateFontIndirectW(&logfont);
    vx::StampTextMark(picture.dc(), {48, 32}, handle, s, text.c_str(), position);
    DeleteObject(handle);
  }
  ReleaseDC(nullptr, screen);
  return 0;
}
