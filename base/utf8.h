// UTF-16 <-> UTF-8: the one converter of the system, for file names on POSIX systems, for
// fontconfig's names and for the command line. Broken text becomes U+FFFD on the way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/wide_text.h"

namespace vx {

// An unpaired surrogate, which has no UTF-8 form, becomes U+FFFD; *lone_surrogate, when
// given, says whether there was one.
std::string Utf8FromWide(WideStringView text, bool* lone_surrogate = nullptr);

// The file name for a zero-terminated UTF-16 path (null: empty). Nothing when the path
// holds an unpaired surrogate: any stand-in for it would name another file.
std::optional<std::string> Utf8PathFromWide(const WideChar* path);

// Bytes that are no UTF-8 become U+FFFD: a byte that starts nothing one each, a sequence
// cut short or naming no character (an overlong form, a surrogate, a value past U+10FFFF)
// one for the whole sequence. *valid, when given, says whether the text was UTF-8
// throughout.
WideString WideFromUtf8(std::string_view text, bool* valid = nullptr);

}  // namespace vx
