#include "cli/lexer.h"

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
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    while (true) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (pos_ == text_.size() || text_[pos_] == '\'') return tokens;
      tokens.push_back(Next());
    }
  }

 private:
  Token Next() {
    const std::size_t start = pos_;
    const char c = text_[pos_];
    if (c == '"') return String();
    if (IsNameStart(c)) {
      while (pos_ < text_.size() && IsNamePart(text_[pos_])) ++pos_;
      return Make(TokenKind::kName, start);
    }
    if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) return Number();
    if (c == '&') return Hex();
    ++pos_;
    switch (c) {
      case ',': return Make(TokenKind::kComma, start);
      case '(': return Make(TokenKind::kOpenParen, start);
      case ')': return Make(TokenKind::kCloseParen, start);
      case '=': return Make(TokenKind::kEquals, start);
      case '?': return Make(TokenKind::kQuestion, start);
      case '-': return Make(TokenKind::kMinus, start);
      default: break;
    }
    if (c == '\n') throw ScriptError("a statement ends at its line break: give one statement a line");
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) throw ScriptError("unexpected character (byte " + std::to_string(byte) + ")");
    throw ScriptError(std::string("unexpected character '") + c + "'");
  }

  Token String() {
    const std::size_t start = pos_++;
    std::string value;
    while (true) {
      if (pos_ == text_.size()) throw ScriptError("unterminated string: " + std::string(text_.substr(start)));
      const char c = text_[pos_++];
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
      if (pos_ == digits) throw ScriptError("exponent without digits in " + std::string(text_.substr(start, pos_ - start)));
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
    return ScriptError("malformed " + what + " " + std::string(text_.substr(start, pos_ - start)));
  }

  void SkipDigits() {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }

  Token Make(TokenKind kind, std::size_t start) const {
    return Token{kind, std::string(text_.substr(start, pos_ - start)), {}};
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view statement) { return Lexer(statement).Run(); }

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
