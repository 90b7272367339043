#include "cli/statement.h"

#include <charconv>
#include <limits>

#include "base/ascii_case.h"
#include "cli/lexer.h"
#include "cli/script_error.h"
#include "cli/text_encoding.h"

namespace vx::cli {
namespace {

bool SameWord(std::string_view a, std::string_view b) { return SameIgnoringAsciiCase(a, b); }

// A whole number: a long when it fits 32 bits, else a double.
Literal Whole(double value, std::string source) {
  if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
    return {static_cast<std::int32_t>(value), std::move(source)};
  }
  return {value, std::move(source)};
}

Literal NumberLiteral(const Token& token, bool negative) {
  const std::string source = (negative ? "-" : "") + token.text;
  if (token.kind == TokenKind::kHex) {
    std::uint64_t digits = 0;
    const auto [end, error] =
        std::from_chars(token.value.data(), token.value.data() + token.value.size(), digits, 16);
    if (error != std::errc() || digits > 0xFFFFFFFFu) {
      throw ScriptError("hexadecimal number " + token.text + " is larger than &HFFFFFFFF");
    }
    if (negative) return Whole(-static_cast<double>(digits), source);
    if (digits > 0x7FFFFFFF) return {static_cast<std::uint32_t>(digits), source};
    return {static_cast<std::int32_t>(digits), source};
  }
  double value = 0;
  const auto [end, error] = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
  if (error == std::errc::result_out_of_range) {
    throw ScriptError("number " + token.text + " is out of the range of a double");
  }
  if (negative) value = -value;
  const bool whole = token.text.find_first_of(".eE") == std::string::npos;
  if (whole) return Whole(value, source);
  return {value, source};
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  Statement Run() {
    Statement statement{StatementKind::kCall, {}, {}};
    if (Accept(TokenKind::kQuestion)) statement.kind = StatementKind::kPrint;
    const Token* name = Accept(TokenKind::kName);
    if (!name) throw ScriptError("expected a member name" + Found());
    statement.member = name->text;
    if (statement.kind == StatementKind::kCall && Accept(TokenKind::kEquals)) {
      statement.kind = StatementKind::kAssign;
      if (AtEnd()) throw ScriptError("missing value after '=' for " + statement.member);
      statement.arguments.push_back(Value());
    } else if (Accept(TokenKind::kOpenParen)) {
      if (!Accept(TokenKind::kCloseParen)) {
        statement.arguments = Arguments();
        if (!Accept(TokenKind::kCloseParen)) throw ScriptError("expected ',' or ')'" + Found());
      }
    } else if (!AtEnd()) {
      statement.arguments = Arguments();
    }
    if (!AtEnd()) throw ScriptError("unexpected " + Next() + " after the statement");
    return statement;
  }

 private:
  std::vector<Literal> Arguments() {
    std::vector<Literal> arguments;
    do {
      if (AtEnd() || Peek(TokenKind::kComma) || Peek(TokenKind::kCloseParen)) {
        throw ScriptError("missing argument " + std::to_string(arguments.size() + 1));
      }
      arguments.push_back(Value());
    } while (Accept(TokenKind::kComma));
    return arguments;
  }

  Literal Value() {
    if (Accept(TokenKind::kMinus)) {
      const Token* number = Accept(TokenKind::kNumber);
      if (!number) number = Accept(TokenKind::kHex);
      if (!number) throw ScriptError("'-' must be followed by a number" + Found());
      return NumberLiteral(*number, true);
    }
    if (const Token* t = Accept(TokenKind::kNumber)) return NumberLiteral(*t, false);
    if (const Token* t = Accept(TokenKind::kHex)) return NumberLiteral(*t, false);
    if (const Token* t = Accept(TokenKind::kString)) {
      std::optional<std::u16string> text = Utf8ToUtf16(t->value);
      if (!text) throw ScriptError("string " + t->text + " is not valid UTF-8");
      return {std::move(*text), t->text};
    }
    if (const Token* t = Accept(TokenKind::kName)) {
      if (SameWord(t->text, "True")) return {true, t->text};
      if (SameWord(t->text, "False")) return {false, t->text};
      if (SameWord(t->text, "Empty")) return {EmptyValue{}, t->text};
      if (SameWord(t->text, "Null")) return {NullValue{}, t->text};
      throw ScriptError("expected a value, found the name " + t->text + " (strings go in double quotes)");
    }
    throw ScriptError("expected a value" + Found());
  }

  bool AtEnd() const { return next_ == tokens_.size(); }
  bool Peek(TokenKind kind) const { return !AtEnd() && tokens_[next_].kind == kind; }
  const Token* Accept(TokenKind kind) { return Peek(kind) ? &tokens_[next_++] : nullptr; }
  std::string Next() const { return AtEnd() ? "the end of the statement" : "'" + tokens_[next_].text + "'"; }
  std::string Found() const { return ", found " + Next(); }

  std::vector<Token> tokens_;
  std::size_t next_ = 0;
};

}  // namespace

std::optional<Statement> ParseStatement(std::string_view text) {
  std::vector<Token> tokens = Tokenize(text);
  if (tokens.empty()) return std::nullopt;
  return Parser(std::move(tokens)).Run();
}

}  // namespace vx::cli
