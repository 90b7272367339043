// Splits one statement into tokens: names, literals and punctuation. A ' outside a
// string starts a comment that runs to the end of the statement.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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
};

struct Token {
  TokenKind kind;
  std::string text;   // as written
  std::string value;  // the string's text or the hexadecimal digits
};

// Throws ScriptError for an unterminated string or a character that starts no token.
std::vector<Token> Tokenize(std::string_view statement);

// The statement without its comment and surrounding blanks.
std::string_view StatementText(std::string_view statement);

}  // namespace vx::cli
