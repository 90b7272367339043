#include "base/utf8.h"

namespace vx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(WideString& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<WideChar>(0xD800 + (c >> 10));
    out += static_cast<WideChar>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<WideChar>(c);
  }
}

}  // namespace

std::string Utf8FromWide(WideStringView text, bool* lone_surrogate) {
  std::string out;
  bool lone = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
      lone = true;
    }
    AppendUtf8(out, c);
  }
  if (lone_surrogate) *lone_surrogate = lone;
  return out;
}

std::optional<std::string> Utf8PathFromWide(const WideChar* path) {
  if (!path) return std::string();
  bool lone = false;
  std::string name = Utf8FromWide(path, &lone);
  if (lone) return std::nullopt;
  return name;
}

WideString WideFromUtf8(std::string_view text, bool* valid) {
  WideString out;
  bool all_valid = true;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0) {  // a stray continuation byte or an impossible lead byte
      AppendUtf16(out, kReplacement);
      all_valid = false;
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    std::size_t k = 1;
    for (; k <= std::size_t(extra) && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) c = (c << 6) | (s[i + k] & 0x3F);
    i += k;
    const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : extra == 3 ? 0x10000 : 0;
    if (k <= std::size_t(extra) || c < minimum || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
      all_valid = false;
    }
    AppendUtf16(out, c);
  }
  if (valid) *valid = all_valid;
  return out;
}

}  // namespace vx
