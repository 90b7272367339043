// Code-page conversion. The system's ANSI code page here is UTF-8, so every path that the
// file system accepts survives the trip; unpaired surrogates become the default character.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "platform/win_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// As on Windows: a length of -1 means "up to and including the terminating zero"; with an
// output size of 0 the result is the size needed. Returns 0 on failure.
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int out_size, LPCSTR default_char, BOOL* used_default);
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int out_size);

// The C library's file opening by a UTF-16 path and mode. A path that no UTF-8 name can
// carry (see Utf8PathFromWide) opens nothing.
FILE* _wfopen(LPCWSTR path, LPCWSTR mode);

namespace vx {
// The UTF-8 form of a zero-terminated UTF-16 text (null: empty).
std::string Utf8FromWide(LPCWSTR text);
// The file name for a UTF-16 path (null: empty); nothing when the path holds an unpaired
// surrogate, which has no UTF-8 form: any stand-in for it would name another file.
std::optional<std::string> Utf8PathFromWide(LPCWSTR path);
// The UTF-16 form of UTF-8 text; invalid bytes become U+FFFD.
std::u16string WideFromUtf8(const std::string& text);
}  // namespace vx
