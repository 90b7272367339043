#include "cli/excerpt.h"

namespace vx::cli {
namespace {

constexpr std::size_t kLongest = 60;  // bytes quoted in full

bool ContinuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string Excerpt(std::string_view text) {
  if (text.size() <= kLongest) return std::string(text);
  std::size_t cut = kLongest - 12;  // room for the size
  while (cut > 0 && ContinuesCharacter(text[cut])) --cut;
  return std::string(text.substr(0, cut)) + "... (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace vx::cli
