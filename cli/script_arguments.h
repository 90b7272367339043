// The values a script is given on the command line ("vximage run SCRIPT ARG...", or each
// input of a batch as %1) and the references that stand for them in its statements:
//   %1 ... %9    the argument itself
//   %~n1         its file name without folder and extension    (photos/a.b.jpg: a.b)
//   %~x1         its extension with the dot                     (.jpg)
//   %~p1         its folder with the closing slash, or nothing  (photos/)
//   %~nx1, %~pn1 ... the parts together, always in the order p, n, x
//   %%           one percent sign
// A % that starts none of these stands for itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

class ScriptArguments {
 public:
  ScriptArguments() = default;
  explicit ScriptArguments(std::vector<std::string> values) : values_(std::move(values)) {}

  // For text starting with '%': the value of the reference there, with *length set to the
  // reference's length; nullopt when the % starts no reference. Throws ScriptError for an
  // argument that was not given.
  std::optional<std::string> Expand(std::string_view text, std::size_t* length) const;

 private:
  std::vector<std::string> values_;
};

}  // namespace vx::cli
