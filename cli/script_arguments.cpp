#include "cli/script_arguments.h"

#include "cli/script_error.h"

namespace vx::cli {
namespace {

bool IsPart(char c) { return c == 'n' || c == 'x' || c == 'p'; }

// The parts of a path that the letters ask for, in the order folder, name, extension.
std::string PathParts(const std::string& path, std::string_view letters) {
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name_start || dot == name_start) dot = path.size();  // ".profile" has no extension
  std::string parts;
  if (letters.find('p') != std::string_view::npos) parts += path.substr(0, name_start);
  if (letters.find('n') != std::string_view::npos) parts += path.substr(name_start, dot - name_start);
  if (letters.find('x') != std::string_view::npos) parts += path.substr(dot);
  return parts;
}

}  // namespace

std::optional<std::string> ScriptArguments::Expand(std::string_view text, std::size_t* length) const {
  if (text.size() < 2 || text[0] != '%') return std::nullopt;
  if (text[1] == '%') {
    *length = 2;
    return "%";
  }
  std::size_t end = 1;
  std::string_view letters;
  if (text[1] == '~') {
    end = 2;
    while (end < text.size() && IsPart(text[end])) ++end;
    letters = text.substr(2, end - 2);
    if (letters.empty()) return std::nullopt;
  }
  if (end == text.size() || text[end] < '1' || text[end] > '9') return std::nullopt;
  const std::size_t index = static_cast<std::size_t>(text[end] - '1');
  *length = end + 1;
  const std::string reference(text.substr(0, end + 1));
  if (index >= values_.size()) {
    throw ScriptError(reference + " stands for argument " + std::to_string(index + 1) + ", but the script was given " +
                      (values_.empty() ? std::string("none") : std::to_string(values_.size())) +
                      " (vximage run SCRIPT ARG..., or %1 for each input of a batch)");
  }
  return letters.empty() ? values_[index] : PathParts(values_[index], letters);
}

}  // namespace vx::cli
