// The extension of a file path: the text after its last ".", at most 9 characters,
// with "A" to "Z" lower-cased.
#pragma once

#include <initializer_list>

#include "platform/win_types.h"

namespace vx {

constexpr int kExtensionField = 10;  // 9 characters and the terminating zero

// Fills `extension` with the path's extension, or leaves it empty when the path has no
// "." or the text after the last one is longer than 9 characters.
void TakeExtension(const OLECHAR* path, OLECHAR (&extension)[kExtensionField]);

// Whether the path's extension is one of `names` .
bool ExtensionIsOneOf(const OLECHAR* path, std::initializer_list<const OLECHAR*> names);

}  // namespace vx
