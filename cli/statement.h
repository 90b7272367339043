// One statement of a script, read from its tokens:
//   MemberName arg, arg, ...     or  MemberName(arg, arg)     calls a method
//   PropertyName = value                                      sets a property
//   ? Name [args]                or  ? Name(args)             prints a value
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/script_arguments.h"

namespace vx::cli {

struct EmptyValue {};
struct NullValue {};

struct Literal {
  // VT_EMPTY, VT_NULL, VT_BOOL, VT_I4, VT_UI4, VT_R8, VT_BSTR
  std::variant<EmptyValue, NullValue, bool, std::int32_t, std::uint32_t, double, std::u16string> value;
  std::string source;  // as written, cut when long, for messages
};

enum class StatementKind { kCall, kAssign, kPrint };

struct Statement {
  StatementKind kind;
  std::string member;  // as written
  std::vector<Literal> arguments;
  // When the comment reads like a string in single quotes ('photo.jpg'): the statement
  // as it was probably meant, with double quotes, for the message that says so.
  std::string meant;
};

// Empty for a blank or comment-only statement; throws ScriptError when the statement
// cannot be read.
std::optional<Statement> ParseStatement(std::string_view text, const ScriptArguments& arguments);

// "; ' starts a comment: strings need double quotes, as in MEANT", or nothing.
std::string CommentHint(const Statement& statement);

}  // namespace vx::cli
