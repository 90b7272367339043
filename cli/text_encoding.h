// UTF-8 (scripts, terminal) to UTF-16 (BSTR) and back, as the command line wants it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/oleauto.h"

namespace vx::cli {

// Empty when text is not valid UTF-8: a script's string must say what it means.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::string BstrToUtf8(BSTR text);

}  // namespace vx::cli
