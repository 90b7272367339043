#include "cli/text_encoding.h"

#include "base/utf8.h"

namespace vx::cli {

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  bool valid = false;
  std::u16string wide = WideFromUtf8(text, &valid);
  if (!valid) return std::nullopt;
  return wide;
}

std::string Utf16ToUtf8(std::u16string_view text) { return Utf8FromWide(text); }

std::string BstrToUtf8(BSTR text) { return Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))); }

}  // namespace vx::cli
