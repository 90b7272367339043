#include "cli/statement.h"

#include <charconv>
#include <limits>

#include "base/ascii_case.h"
#include "cli/excerpt.h"
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
  std::string written(negative ? "-" : "");
  written += token.text;
  const std::string source = Excerpt(written);
  if (token.kind == TokenKind::kHex) {
    std::uint64_t digits = 0;
    const auto [end, error] =
        std::from_chars(token.value.data(), token.value.data() + token.value.size(), digits, 16);
    if (error != std::errc() || digits > 0xFFFFFFFFu) {
      throw ScriptError("hexadecimal number " + Excerpt(token.text) + " is larger than &HFFFFFFFF");
    }
    if (negative) return Whole(-static_cast<double>(digits), source);
    if (digits > 0x7FFFFFFF) return {static_cast<std::uint32_t>(digits), source};
    return {static_cast<std::int32_t>(digits), source};
  }
  double value = 0;
  const auto [end, error] = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
  if (error == std::errc::result_out_of_range) {
    throw ScriptError("number " + Excerpt(token.text) + " is out of the range of a double");
  }
  if (negative) value = -value;
  const bool whole = token.text.find_first_of(".eE") == std::string::npos;
  if (whole) return Whole(value, source);
  return {value, source};
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

// The statement with the text from `start` to the next ',' or ')' in double quotes; empty
// when that text has quotes of its own or is empty.
std::string WithQuotes(std::string_view statement, std::size_t start, std::size_t comment) {
  const std::string_view line = statement.substr(0, comment);
  std::size_t end = line.find_first_of(",)", start);
  if (end == std::string_view::npos) end = line.size();
  const std::string bare = Trimmed(line.substr(start, end - start));
  if (bare.empty() || bare.find('"') != std::string::npos) return {};
  return Trimmed(line.substr(0, start)) + " \"" + bare + "\"" + std::string(line.substr(end));
}

// For a comment that reads like 'text' followed by the rest of a statement.
std::string MeantWithDoubleQuotes(std::string_view statement, std::size_t comment) {
  if (comment == std::string_view::npos) return {};
  const std::size_t close = statement.find('\'', comment + 1);
  if (close == std::string_view::npos || statement.substr(comment, close - comment).find('"') != std::string_view::npos) {
    return {};
  }
  const std::string_view before = statement.substr(0, comment);
  std::string joint = before.empty() || before.back() == ' ' || before.back() == '(' ? "" : " ";
  return Trimmed(std::string(before) + joint + "\"" + std::string(statement.substr(comment + 1, close - comment - 1)) +
                 "\"" + std::string(statement.substr(close + 1)));
}

class Parser {
 public:
  Parser(std::string_view text, TokenizedStatement tokenized)
      : text_(text), tokens_(std::move(tokenized.tokens)), comment_(tokenized.comment) {}

  Statement Run() {
    Statement statement{StatementKind::kCall, {}, {}, MeantWithDoubleQuotes(text_, comment_)};
    if (Accept(TokenKind::kQuestion)) statement.kind = StatementKind::kPrint;
    const Token* name = Accept(TokenKind::kName);
    if (!name) throw ScriptError("expected a member name" + Found());
    statement.member = std::string(name->text);
    if (statement.kind == StatementKind::kCall && Accept(TokenKind::kEquals)) {
      statement.kind = StatementKind::kAssign;
      if (AtEnd()) throw ScriptError("missing value after '=' for " + statement.member + CommentHint(statement));
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
      if (!text) throw ScriptError("string " + Excerpt(t->text) + " is not valid UTF-8");
      return {std::move(*text), Excerpt(t->text)};
    }
    if (const Token* t = Accept(TokenKind::kName)) {
      const std::string word(t->text);
      if (SameWord(word, "True")) return {true, word};
      if (SameWord(word, "False")) return {false, word};
      if (SameWord(word, "Empty")) return {EmptyValue{}, word};
      if (SameWord(word, "Null")) return {NullValue{}, word};
      throw Unquoted(*t);
    }
    if (Peek(TokenKind::kOther)) throw Unquoted(tokens_[next_]);
    throw ScriptError("expected a value" + Found());
  }

  // A word or a path where a value goes: most likely a string without its quotes.
  ScriptError Unquoted(const Token& token) const {
    const std::string meant = WithQuotes(text_, token.offset, comment_);
    std::size_t end = text_.substr(0, comment_).find_first_of(",)", token.offset);
    if (end == std::string_view::npos) end = std::min(text_.size(), comment_);
    std::string message = "expected a value, found " + Excerpt(Trimmed(text_.substr(token.offset, end - token.offset)));
    if (!meant.empty()) message += ": strings need double quotes, as in " + Excerpt(meant);
    return ScriptError(message);
  }

  // The token at the current position; reading up to an error token throws its message.
  const Token* Current() const {
    if (next_ == tokens_.size()) return nullptr;
    if (tokens_[next_].kind == TokenKind::kError) throw ScriptError(tokens_[next_].value);
    return &tokens_[next_];
  }
  bool AtEnd() const { return Current() == nullptr; }
  bool Peek(TokenKind kind) const { return !AtEnd() && Current()->kind == kind; }
  const Token* Accept(TokenKind kind) { return Peek(kind) ? &tokens_[next_++] : nullptr; }
  std::string Next() const {
    if (AtEnd()) return "the end of the statement";
    const Token& token = *Current();
    if (token.kind != TokenKind::kOther) return "'" + Excerpt(token.text) + "'";
    const auto byte = static_cast<unsigned char>(token.text[0]);
    if (byte < 0x20 || byte >= 0x7F) return "character (byte " + std::to_string(byte) + ")";
    return "character '" + std::string(token.text) + "'";
  }
  std::string Found() const { return ", found " + Next(); }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t comment_;
  std::size_t next_ = 0;
};

}  // namespace

std::optional<Statement> ParseStatement(std::string_view text, const ScriptArguments& arguments) {
  TokenizedStatement tokenized = Tokenize(text, arguments);
  if (tokenized.tokens.empty()) return std::nullopt;
  return Parser(text, std::move(tokenized)).Run();
}

std::string CommentHint(const Statement& statement) {
  if (statement.meant.empty()) return {};
  return "; ' starts a comment: strings need double quotes, as in " + Excerpt(statement.meant);
}

}  // namespace vx::cli
