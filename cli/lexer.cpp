#include "cli/lexer.h"

#include "cli/excerpt.h"
#include "cli/script_error.h"

namespace vx::cli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || IsDigit(c); }

class Lexer {
 public:
  Lexer(std::string_view text, const ScriptArguments& arguments) : text_(text), arguments_(arguments) {}

  TokenizedStatement Run() {
    TokenizedStatement result;
    while (true) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (pos_ == text_.size()) return result;
      if (text_[pos_] == '\'') {
        result.comment = pos_;
        return result;
      }
      const std::size_t start = pos_;
      if (result.tokens.size() == kMostTokens) {
        result.tokens.push_back(Error("more than " + std::to_string(kMostTokens) +
                                      " words and signs in one statement: no member takes that many arguments", start));
        return result;
      }
      try {
        result.tokens.push_back(Next());
      } catch (const ScriptError& e) {
        result.tokens.push_back(Error(e.what(), start));
        return result;
      }
    }
  }

 private:
  Token Next() {
    const std::size_t start = pos_;
    const char c = text_[pos_];
    if (c == '"') return String();
    if (c == '%') {
      if (Token reference; Reference(&reference)) return reference;
    }
    if (IsNameStart(c)) {
      while (pos_ < text_.size() && IsNamePart(text_[pos_])) ++pos_;
      return Make(TokenKind::kName, start);
    }
    if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) return Number();
    if (c == '&') return Hex();
    if (c == '\n') throw ScriptError("a statement ends at its line break: give one statement a line");
    ++pos_;
    switch (c) {
      case ',': return Make(TokenKind::kComma, start);
      case '(': return Make(TokenKind::kOpenParen, start);
      case ')': return Make(TokenKind::kCloseParen, start);
      case '=': return Make(TokenKind::kEquals, start);
      case '?': return Make(TokenKind::kQuestion, start);
      case '-': return Make(TokenKind::kMinus, start);
      default: return Make(TokenKind::kOther, start);
    }
  }

  // %1 and the like outside a string: a string of the argument's value.
  bool Reference(Token* token) {
    std::size_t length = 0;
    std::optional<std::string> value = arguments_.Expand(text_.substr(pos_), &length);
    if (!value || text_[pos_ + 1] == '%') return false;  // "%%" belongs inside strings
    const std::size_t start = pos_;
    pos_ += length;
    *token = Make(TokenKind::kString, start);
    token->value = std::move(*value);
    return true;
  }

  Token String() {
    const std::size_t start = pos_++;
    std::string value;
    while (true) {
      if (pos_ == text_.size()) throw ScriptError("unterminated string: " + Excerpt(text_.substr(start)));
      const char c = text_[pos_];
      std::size_t length = 0;
      if (c == '%') {
        if (std::optional<std::string> expanded = arguments_.Expand(text_.substr(pos_), &length)) {
          value += *expanded;
          pos_ += length;
          continue;
        }
      }
      ++pos_;
      if (c != '"') {
        value += c;
      } else if (pos_ < text_.size() && text_[pos_] == '"') {
        value += '"';
        ++pos_;
      } else {
        break;
      }
    }
    Token token = Make(TokenKind::kString, start);
    token.value = std::move(value);
    return token;
  }

  Token Number() {
    const std::size_t start = pos_;
    SkipDigits();
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      SkipDigits();
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      const std::size_t digits = pos_;
      SkipDigits();
      if (pos_ == digits) throw ScriptError("exponent without digits in " + Excerpt(text_.substr(start, pos_ - start)));
    }
    if (pos_ < text_.size() && (IsNamePart(text_[pos_]) || text_[pos_] == '.')) throw Malformed("number", start);
    return Make(TokenKind::kNumber, start);
  }

  Token Hex() {
    const std::size_t start = pos_++;
    if (pos_ == text_.size() || (text_[pos_] != 'H' && text_[pos_] != 'h')) {
      throw ScriptError("'&' must start a hexadecimal number such as &HFF");
    }
    const std::size_t digits = ++pos_;
    while (pos_ < text_.size() && IsHexDigit(text_[pos_])) ++pos_;
    if (pos_ == digits || (pos_ < text_.size() && IsNamePart(text_[pos_]))) throw Malformed("hexadecimal number", start);
    Token token = Make(TokenKind::kHex, start);
    token.value = std::string(text_.substr(digits, pos_ - digits));
    return token;
  }

  // The error for a number that runs into letters or dots: names the whole word.
  ScriptError Malformed(const std::string& what, std::size_t start) {
    while (pos_ < text_.size() && (IsNamePart(text_[pos_]) || text_[pos_] == '.')) ++pos_;
    return ScriptError("malformed " + what + " " + Excerpt(text_.substr(start, pos_ - start)));
  }

  void SkipDigits() {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }

  Token Make(TokenKind kind, std::size_t start) const {
    return Token{kind, text_.substr(start, pos_ - start), {}, start};
  }

  static Token Error(std::string message, std::size_t start) {
    return Token{TokenKind::kError, {}, std::move(message), start};
  }

  std::string_view text_;
  const ScriptArguments& arguments_;
  std::size_t pos_ = 0;
};

}  // namespace

TokenizedStatement Tokenize(std::string_view statement, const ScriptArguments& arguments) {
  return Lexer(statement, arguments).Run();
}

std::string_view StatementText(std::string_view statement) {
  // The comment starts at the first ' outside a string.
  bool in_string = false;
  std::size_t end = statement.size();
  for (std::size_t i = 0; i < statement.size(); ++i) {
    if (statement[i] == '"') in_string = !in_string;
    if (statement[i] == '\'' && !in_string) {
      end = i;
      break;
    }
  }
  std::string_view text = statement.substr(0, end);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace vx::cli
