#include "module/registration_script.h"

#include <algorithm>
#include <utility>

namespace vx {
namespace {

// Deeper nesting than any registry layout needs is refused rather than recursed into.
constexpr int kDeepestKey = 32;

bool IsSpace(OLECHAR c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Token {
  OleString text;
  bool quoted = false;
};

// Splits the script at white space, taking a quoted text whole; false on a quote that is
// never closed.
bool Tokenize(OleStringView script, std::vector<Token>* tokens) {
  std::size_t i = 0;
  while (i < script.size()) {
    if (IsSpace(script[i])) {
      ++i;
      continue;
    }
    Token token;
    if (script[i] == '\'') {
      token.quoted = true;
      for (++i;; ++i) {
        if (i == script.size()) return false;
        if (script[i] == '\'') {
          if (i + 1 == script.size() || script[i + 1] != '\'') break;
          ++i;  // a doubled quote stands for one
        }
        token.text += script[i];
      }
      ++i;
    } else {
      while (i < script.size() && !IsSpace(script[i])) token.text += script[i++];
    }
    tokens->push_back(std::move(token));
  }
  return true;
}

bool IsRootName(OleStringView name) {
  constexpr const OLECHAR* kRoots[] = {
      OLESTR("HKCR"), OLESTR("HKCU"), OLESTR("HKLM"), OLESTR("HKU"), OLESTR("HKEY_CLASSES_ROOT"),
      OLESTR("HKEY_CURRENT_USER"), OLESTR("HKEY_LOCAL_MACHINE"), OLESTR("HKEY_USERS")};
  return std::any_of(std::begin(kRoots), std::end(kRoots),
                     [name](const OLECHAR* root) { return SameIgnoringAsciiCase(name, root); });
}

class Parser {
 public:
  explicit Parser(const std::vector<Token>& tokens) : tokens_(tokens) {}

  bool Roots(std::vector<RegistryKey>* roots) {
    while (next_ < tokens_.size()) {
      RegistryKey root;
      const Token& name = tokens_[next_++];
      if (name.quoted || !IsRootName(name.text)) return false;
      root.name = name.text;
      if (!Take(OLESTR("{")) || !Body(&root, 1)) return false;
      roots->push_back(std::move(root));
    }
    return true;
  }

 private:
  // The keys and named values of a key, up to and with its closing brace.
  bool Body(RegistryKey* key, int depth) {
    if (depth > kDeepestKey) return false;
    while (!Take(OLESTR("}"))) {
      if (next_ == tokens_.size()) return false;
      if (TakeKeyword(OLESTR("val"))) {
        RegistryNamedValue value;
        if (!Name(&value.name) || !Take(OLESTR("=")) || !StringValue(&value.text)) return false;
        key->values.push_back(std::move(value));
      } else {
        RegistryKey subkey;
        if (!Key(&subkey, depth)) return false;
        key->subkeys.push_back(std::move(subkey));
      }
    }
    return true;
  }

  // [mark] name [= s 'text'] [{ body }]
  bool Key(RegistryKey* key, int depth) {
    if (TakeKeyword(OLESTR("NoRemove"))) {
      key->mark = KeyMark::kNoRemove;
    } else if (TakeKeyword(OLESTR("ForceRemove"))) {
      key->mark = KeyMark::kForceRemove;
    } else if (TakeKeyword(OLESTR("Delete"))) {
      key->mark = KeyMark::kDelete;
    }
    if (!Name(&key->name)) return false;
    if (Take(OLESTR("="))) {
      OleString text;
      if (!StringValue(&text)) return false;
      key->default_value = std::move(text);
    }
    return !Take(OLESTR("{")) || Body(key, depth + 1);
  }

  // Any token but the punctuation.
  bool Name(OleString* name) {
    if (next_ == tokens_.size() || IsPunctuation(tokens_[next_])) return false;
    *name = tokens_[next_++].text;
    return true;
  }

  // s 'text'
  bool StringValue(OleString* text) {
    if (!TakeKeyword(OLESTR("s")) || next_ == tokens_.size() || !tokens_[next_].quoted) return false;
    *text = tokens_[next_++].text;
    return true;
  }

  static bool IsPunctuation(const Token& token) {
    return !token.quoted && (token.text == OLESTR("{") || token.text == OLESTR("}") || token.text == OLESTR("="));
  }

  bool Take(OleStringView punctuation) {
    if (next_ == tokens_.size() || tokens_[next_].quoted || tokens_[next_].text != punctuation) return false;
    ++next_;
    return true;
  }

  bool TakeKeyword(OleStringView keyword) {
    if (next_ == tokens_.size() || tokens_[next_].quoted || !SameIgnoringAsciiCase(tokens_[next_].text, keyword)) {
      return false;
    }
    ++next_;
    return true;
  }

  const std::vector<Token>& tokens_;
  std::size_t next_ = 0;
};

}  // namespace

HRESULT ExpandRegistryScript(OleStringView script, std::span<const ScriptReplacement> replacements,
                             OleString* expanded) {
  expanded->clear();
  OleString text;
  std::size_t i = 0;
  while (i < script.size()) {
    if (script[i] != '%') {
      text += script[i++];
      continue;
    }
    const std::size_t end = script.find('%', i + 1);
    if (end == OleStringView::npos) return E_INVALIDARG;
    const OleStringView name = script.substr(i + 1, end - i - 1);
    i = end + 1;
    if (name.empty()) {
      text += '%';
      continue;
    }
    const auto found = std::find_if(replacements.begin(), replacements.end(),
                                    [name](const ScriptReplacement& r) { return r.name == name; });
    if (found == replacements.end()) return E_INVALIDARG;
    for (OLECHAR c : found->text) {
      if (c == '\'') text += c;  // quoted in the script, a quote is written twice
      text += c;
    }
  }
  *expanded = std::move(text);
  return S_OK;
}

HRESULT ParseRegistryScript(OleStringView script, std::vector<RegistryKey>* roots) {
  roots->clear();
  std::vector<Token> tokens;
  if (Tokenize(script, &tokens) && Parser(tokens).Roots(roots)) return S_OK;
  roots->clear();
  return E_INVALIDARG;
}

}  // namespace vx
