// UTF-16 <-> UTF-8 for the ANSI code page and for file names.
#include <cstring>

#include "platform/stringapiset.h"

namespace vx {

namespace {

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

// Converts `length` units; returns whether a default character had to be used.
bool ConvertToUtf8(const char16_t* text, std::size_t length, std::string& out, const char* default_char) {
  bool used_default = false;
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += default_char;
      used_default = true;
      continue;
    }
    AppendUtf8(out, c);
  }
  return used_default;
}

}  // namespace

std::string Utf8FromWide(LPCWSTR text) {
  std::string out;
  if (text) ConvertToUtf8(text, std::char_traits<char16_t>::length(text), out, "?");
  return out;
}

std::optional<std::string> Utf8PathFromWide(LPCWSTR path) {
  std::string out;
  if (path && ConvertToUtf8(path, std::char_traits<char16_t>::length(path), out, "?")) return std::nullopt;
  return out;
}

std::u16string WideFromUtf8(const std::string& text) {
  std::u16string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0) {  // a stray continuation byte or an impossible lead byte
      out += u'\uFFFD';
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    std::size_t k = 1;
    for (; k <= std::size_t(extra) && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) c = (c << 6) | (s[i + k] & 0x3F);
    i += k;
    const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : extra == 3 ? 0x10000 : 0;
    // A sequence cut short, written longer than needed, or naming no character: one U+FFFD.
    if (k <= std::size_t(extra) || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\uFFFD';
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace vx

int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR text, int length, LPSTR out, int out_size,
                        LPCSTR default_char, BOOL* used_default) {
  if ((code_page != CP_ACP && code_page != CP_UTF8) || !text || out_size < 0) return 0;
  const std::size_t units = length < 0 ? std::char_traits<char16_t>::length(text) + 1 : std::size_t(length);
  std::string converted;
  const bool defaulted = vx::ConvertToUtf8(text, units, converted, default_char ? default_char : "?");
  if (used_default) *used_default = defaulted;
  if (out_size == 0) return static_cast<int>(converted.size());
  if (converted.size() > std::size_t(out_size)) return 0;
  std::memcpy(out, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

int MultiByteToWideChar(UINT code_page, DWORD, LPCSTR text, int length, LPWSTR out, int out_size) {
  if ((code_page != CP_ACP && code_page != CP_UTF8) || !text || out_size < 0) return 0;
  const std::size_t bytes = length < 0 ? std::strlen(text) + 1 : std::size_t(length);
  const std::u16string converted = vx::WideFromUtf8(std::string(text, bytes));
  if (out_size == 0) return static_cast<int>(converted.size());
  if (converted.size() > std::size_t(out_size)) return 0;
  std::memcpy(out, converted.data(), converted.size() * sizeof(char16_t));
  return static_cast<int>(converted.size());
}

FILE* _wfopen(LPCWSTR path, LPCWSTR mode) {
  if (!path || !mode) return nullptr;
  const std::optional<std::string> name = vx::Utf8PathFromWide(path);
  if (!name) return nullptr;
  return std::fopen(name->c_str(), vx::Utf8FromWide(mode).c_str());
}
