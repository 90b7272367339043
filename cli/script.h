// The statements of a run: a script file's lines or the -e statements. A script is held
// once as its text and its lines are found as they are run, so that its memory stays that
// of the text (a script of 16 MiB of blank lines is 16 MiB, not a list of millions).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

// A statement and the number its messages give: its line in a script, its position among
// -e statements.
struct NumberedStatement {
  int number;
  std::string_view text;
};

class Script {
 public:
  // Where a run has got to in the script.
  struct Cursor {
    std::size_t next = 0;  // offset in the text, or index of the -e statement
    int number = 0;
  };

  // The lines of a script file's text; a UTF-8 byte order mark is dropped.
  static Script FromText(std::string text);
  static Script FromStatements(std::vector<std::string> statements);

  // The statement after the cursor, which moves past it; false at the end.
  bool Next(Cursor* cursor, NumberedStatement* statement) const;

 private:
  bool from_text_ = false;
  std::string text_;
  std::vector<std::string> statements_;
};

class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Far more than any script needs; a larger "script" is some other file.
inline constexpr std::size_t kMaxScriptBytes = 16 << 20;

// The text of a script file of at most kMaxScriptBytes ("-": standard input). Throws
// UsageError when it cannot be read.
std::string ReadScript(const std::string& path);

}  // namespace vx::cli
