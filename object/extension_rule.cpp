#include "object/extension_rule.h"

#include <initializer_list>
#include <string_view>

namespace vx {

void TakeExtension(const OLECHAR* path, OLECHAR (&extension)[kExtensionField]) {
  extension[0] = 0;
  if (!path) return;
  const std::u16string_view text(path);
  const std::size_t dot = text.rfind(u'.');
  if (dot == std::u16string_view::npos) return;
  const std::u16string_view after = text.substr(dot + 1);
  if (after.size() > kExtensionField - 1) return;
  std::size_t i = 0;
  for (char16_t c : after) extension[i++] = (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
  extension[i] = 0;
}

bool ExtensionIsOneOf(const OLECHAR* path, std::initializer_list<const char16_t*> names) {
  OLECHAR extension[kExtensionField];
  TakeExtension(path, extension);
  if (!extension[0]) return false;
  for (const char16_t* name : names) {
    if (std::u16string_view(extension) == name) return true;
  }
  return false;
}

}  // namespace vx
