#include "cli/script.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace vx::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadBounded(std::istream& in, const std::string& name) {
  std::string text;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxScriptBytes) throw UsageError("cannot read " + name + ": a script may not exceed 16 MiB");
  }
  if (in.bad()) throw UsageError("cannot read " + name + ": " + std::strerror(errno));
  return text;
}

}  // namespace

Script Script::FromText(std::string text) {
  Script script;
  script.from_text_ = true;
  script.text_ = std::move(text);
  if (script.text_.starts_with("\xEF\xBB\xBF")) script.text_.erase(0, 3);
  return script;
}

Script Script::FromStatements(std::vector<std::string> statements) {
  Script script;
  script.statements_ = std::move(statements);
  return script;
}

bool Script::Next(Cursor* cursor, NumberedStatement* statement) const {
  if (!from_text_) {
    if (cursor->next >= statements_.size()) return false;
    *statement = {++cursor->number, statements_[cursor->next++]};
    return true;
  }
  if (cursor->next >= text_.size()) return false;
  std::size_t end = text_.find('\n', cursor->next);
  if (end == std::string::npos) end = text_.size();
  *statement = {++cursor->number, std::string_view(text_).substr(cursor->next, end - cursor->next)};
  cursor->next = end + 1;
  return true;
}

// Only a plain file is read as a script: a device or a pipe may never end.
std::string ReadScript(const std::string& path) {
  if (path == "-") return ReadBounded(std::cin, "standard input");
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) throw UsageError("cannot read " + path + ": " + error.message());
  if (!fs::is_regular_file(status)) throw UsageError("cannot read " + path + ": not a regular file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot read " + path + ": " + std::strerror(errno));
  return ReadBounded(file, path);
}

}  // namespace vx::cli
