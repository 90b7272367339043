// Code-page conversion. The system's ANSI code page here is UTF-8, so every path that the
// file system accepts survives the trip. An unpaired surrogate becomes U+FFFD, as Windows
// converts it to UTF-8; UTF-8 has no other default character, so none given is used.
#pragma once

#include <cstdio>

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
// carry (see vx::Utf8PathFromWide) opens nothing.
FILE* _wfopen(LPCWSTR path, LPCWSTR mode);
