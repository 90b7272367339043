#include "object/ansi_path.h"

#include "platform/stringapiset.h"

namespace vx {

std::string AnsiPath(const OLECHAR* path) {
  if (!path) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string ansi(std::size_t(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, path, -1, ansi.data(), bytes, nullptr, nullptr);
  ansi.pop_back();  // the terminating zero, which std::string keeps on its own
  return ansi;
}

}  // namespace vx
