// UTF-16 <-> UTF-8 for the ANSI code page and for file names.
#include <cstring>
#include <optional>
#include <string>

#include "base/utf8.h"
#include "platform/stringapiset.h"

int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR text, int length, LPSTR out, int out_size, LPCSTR,
                        BOOL* used_default) {
  if ((code_page != CP_ACP && code_page != CP_UTF8) || !text || out_size < 0) return 0;
  const std::size_t units = length < 0 ? std::char_traits<char16_t>::length(text) + 1 : std::size_t(length);
  bool replaced = false;
  const std::string converted = vx::Utf8FromWide(vx::WideStringView(text, units), &replaced);
  if (used_default) *used_default = replaced;
  if (out_size == 0) return static_cast<int>(converted.size());
  if (converted.size() > std::size_t(out_size)) return 0;
  std::memcpy(out, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

int MultiByteToWideChar(UINT code_page, DWORD, LPCSTR text, int length, LPWSTR out, int out_size) {
  if ((code_page != CP_ACP && code_page != CP_UTF8) || !text || out_size < 0) return 0;
  const std::size_t bytes = length < 0 ? std::strlen(text) + 1 : std::size_t(length);
  const std::u16string converted = vx::WideFromUtf8(std::string_view(text, bytes));
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
