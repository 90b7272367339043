// A statement that cannot be read or run; the message says what was wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace vx::cli {

class ScriptError : public std::runtime_error {
 public:
  explicit ScriptError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vx::cli
