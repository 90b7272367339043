// Splits one statement into tokens: names, literals and punctuation. A ' outside a
// string starts a comment that runs to the end of the statement. %1 and the other
// argument references of ScriptArguments are strings outside a string and text inside one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/script_arguments.h"

namespace vx::cli {

enum class TokenKind {
  kName,      // a member name or a keyword (True, False, Empty, Null)
  kString,    // "text", with "" for a quote inside; value holds the text
  kNumber,    // decimal digits, with an optional fraction and exponent
  kHex,       // &H and hexadecimal digits; value holds the digits
  kComma,
  kOpenParen,
  kCloseParen,
  kEquals,
  kQuestion,
  kMinus,
  kOther,     // a character that starts no token
  kError,     // what could not be read; value holds the message. Always the last token.
};

struct Token {
  TokenKind kind;
  std::string_view text;  // as written: a view of the statement
  std::string value;   // the string's text, the hexadecimal digits or the error
  std::size_t offset;  // where it starts in the statement
};

struct TokenizedStatement {
  std::vector<Token> tokens;
  std::size_t comment = std::string_view::npos;  // where the comment's ' is
};

// More tokens than any statement needs: a line of thousands of commas is refused at this
// count instead of being held in memory.
inline constexpr std::size_t kMostTokens = 256;

TokenizedStatement Tokenize(std::string_view statement, const ScriptArguments& arguments);

// The statement without its comment and surrounding blanks.
std::string_view StatementText(std::string_view statement);

}  // namespace vx::cli
