#include "object/extension_rule.h"

#include <initializer_list>
#include <string_view>

#include "base/ascii_case.h"

namespace vx {

using OleStringView = std::basic_string_view<OLECHAR>;

void TakeExtension(const OLECHAR* path, OLECHAR (&extension)[kExtensionField]) {
  extension[0] = 0;
  if (!path) return;
  const OleStringView text(path);
  const std::size_t dot = text.rfind(OLECHAR('.'));
  if (dot == OleStringView::npos) return;
  const OleStringView after = text.substr(dot + 1);
  if (after.size() > kExtensionField - 1) return;
  std::size_t i = 0;
  for (OLECHAR c : after) extension[i++] = LowerAscii(c);
  extension[i] = 0;
}

bool ExtensionIsOneOf(const OLECHAR* path, std::initializer_list<const OLECHAR*> names) {
  OLECHAR extension[kExtensionField];
  TakeExtension(path, extension);
  if (!extension[0]) return false;
  for (const OLECHAR* name : names) {
    if (OleStringView(extension) == name) return true;
  }
  return false;
}

}  // namespace vx
