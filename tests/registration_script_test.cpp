// The registration script module/vximage.rgs against the registry layout of the Resize
// class, key by key, and the script reader on good and bad scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/registration_script.h"
#include "module/iresize.h"
#include "tests/module_test_support.h"

namespace vx::testing {
namespace {

// One key of the registry layout: its path below HKEY_CLASSES_ROOT, default value,
// named values and mark.
struct LayoutRow {
  std::u16string path;
  std::optional<std::u16string> default_value;
  std::vector<std::pair<std::u16string, std::u16string>> values;
  KeyMark mark = KeyMark::kNone;

  bool operator==(const LayoutRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LayoutRow& row) {
  const auto narrow = [](const std::u16string& text) { return std::string(text.begin(), text.end()); };
  out << narrow(row.path) << " = " << (row.default_value ? "'" + narrow(*row.default_value) + "'" : "(none)");
  for (const auto& [name, text] : row.values) out << ", " << narrow(name) << " = '" << narrow(text) << "'";
  return out << ", mark " << static_cast<int>(row.mark);
}

constexpr char16_t kModulePath[] = u"C:\\PROGRA~1\\O'Neil\\VXIMAGE.DLL";  // a quote to double

// The layout every registration writes.
std::vector<LayoutRow> ExpectedLayout() {
  const std::u16string clsid = u"{53AC3439-FB62-4007-80DB-503A87F6330A}";
  const std::u16string typelib = u"{BBDB5833-9237-4417-BD1C-0F899312562C}";
  const std::u16string clsid_key = u"CLSID\\" + clsid;
  return {
      {u"vxImage.Resize.1", u"Merrow vxImage Class 8.0", {}, KeyMark::kNone},
      {u"vxImage.Resize.1\\CLSID", clsid, {}, KeyMark::kNone},
      {u"vxImage.Resize", u"Merrow vxImage  Class 8.0", {}, KeyMark::kNone},  // two blanks
      {u"vxImage.Resize\\CLSID", clsid, {}, KeyMark::kNone},
      {u"vxImage.Resize\\CurVer", u"vxImage.Resize.1", {}, KeyMark::kNone},
      {u"CLSID", std::nullopt, {}, KeyMark::kNoRemove},
      {clsid_key, u"Merrow vxImage Class 8.0", {}, KeyMark::kForceRemove},
      {clsid_key + u"\\ProgID", u"vxImage.Resize.1", {}, KeyMark::kNone},
      {clsid_key + u"\\VersionIndependentProgID", u"vxImage.Resize", {}, KeyMark::kNone},
      {clsid_key + u"\\Programmable", std::nullopt, {}, KeyMark::kForceRemove},
      {clsid_key + u"\\InprocServer32", kModulePath, {{u"ThreadingModel", u"Apartment"}}, KeyMark::kNone},
      {clsid_key + u"\\TypeLib", typelib, {}, KeyMark::kNone},
  };
}

void Flatten(const RegistryKey& key, const std::u16string& parent, std::vector<LayoutRow>* rows) {
  LayoutRow row{parent.empty() ? key.name : parent + u"\\" + key.name, key.default_value, {}, key.mark};
  for (const RegistryNamedValue& value : key.values) row.values.emplace_back(value.name, value.text);
  rows->push_back(row);
  for (const RegistryKey& subkey : key.subkeys) Flatten(subkey, row.path, rows);
}

// The script as the module stores it, narrow, widened as registration does.
std::u16string ScriptFile() {
  const std::string narrow = SourceFile("module/vximage.rgs");
  EXPECT_FALSE(narrow.empty());
  std::u16string wide;
  for (unsigned char c : narrow) {
    EXPECT_LT(c, 0x80) << "the script is ASCII";
    wide += static_cast<char16_t>(c);
  }
  return wide;
}

std::vector<RegistryKey> Parse(std::u16string_view script) {
  std::vector<RegistryKey> roots;
  EXPECT_EQ(ParseRegistryScript(script, &roots), S_OK);
  return roots;
}

TEST(RegistrationScript, WritesTheRegistryLayoutKeyByKey) {
  const ScriptReplacement module_path[] = {{u"MODULE", kModulePath}};
  std::u16string expanded;
  ASSERT_EQ(ExpandRegistryScript(ScriptFile(), module_path, &expanded), S_OK);
  const std::vector<RegistryKey> roots = Parse(expanded);
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_EQ(roots[0].name, u"HKCR");
  EXPECT_TRUE(roots[0].values.empty());
  std::vector<LayoutRow> rows;
  for (const RegistryKey& key : roots[0].subkeys) Flatten(key, u"", &rows);
  const std::vector<LayoutRow> expected = ExpectedLayout();
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << "key " << i;
}

TEST(RegistrationScript, NamesTheIdentifiersOfTheCode) {
  EXPECT_EQ(GuidText(CLSID_Resize), "53AC3439-FB62-4007-80DB-503A87F6330A");
  EXPECT_EQ(GuidText(LIBID_vxImage), "BBDB5833-9237-4417-BD1C-0F899312562C");
}

TEST(RegistrationScript, PlaceholdersAreReplaced) {
  const ScriptReplacement replacements[] = {{u"MODULE", u"a'b''c"}, {u"X", u""}};
  std::u16string out = u"leftover";
  EXPECT_EQ(ExpandRegistryScript(u"k = s '%MODULE%' 100%% %X%", replacements, &out), S_OK);
  EXPECT_EQ(out, u"k = s 'a''b''''c' 100% ");
  EXPECT_EQ(Parse(u"HKCR { k = s '%MODULE%' }").size(), 1u);  // no expansion: read as written
  for (const char16_t* bad : {u"'%NAME%'", u"50%", u"%module%"}) {
    out = u"leftover";
    EXPECT_EQ(ExpandRegistryScript(bad, replacements, &out), E_INVALIDARG);
    EXPECT_EQ(out, u"");
  }
}

TEST(RegistrationScript, ReadsTheWholeLanguage) {
  const std::vector<RegistryKey> roots = Parse(
      u"HKEY_CLASSES_ROOT { noremove A { DELETE B  'val' = S 'it''s' { VAL 'x y' = s '' } } }\r\n"
      u"HKLM { }");
  ASSERT_EQ(roots.size(), 2u);
  ASSERT_EQ(roots[0].subkeys.size(), 1u);
  const RegistryKey& a = roots[0].subkeys[0];
  EXPECT_EQ(a.mark, KeyMark::kNoRemove);
  ASSERT_EQ(a.subkeys.size(), 2u);
  EXPECT_EQ(a.subkeys[0].name, u"B");
  EXPECT_EQ(a.subkeys[0].mark, KeyMark::kDelete);
  EXPECT_FALSE(a.subkeys[0].default_value);
  const RegistryKey& quoted = a.subkeys[1];
  EXPECT_EQ(quoted.name, u"val");  // a keyword in quotes is a name
  EXPECT_EQ(quoted.default_value, u"it's");
  ASSERT_EQ(quoted.values.size(), 1u);
  EXPECT_EQ(quoted.values[0].name, u"x y");
  EXPECT_EQ(quoted.values[0].text, u"");
  EXPECT_EQ(roots[1].name, u"HKLM");
  EXPECT_TRUE(roots[1].subkeys.empty());
  EXPECT_TRUE(Parse(u" \n ").empty());
}

TEST(RegistrationScript, RefusesMalformedScripts) {
  std::u16string deep = u"HKCR {";
  for (int i = 0; i < 40; ++i) deep += u" k {";
  for (int i = 0; i < 40; ++i) deep += u" }";
  deep += u" }";
  const std::u16string bad[] = {
      u"HKCR { k = s 'open }",              // a quote never closed
      u"HKCR { k = s 'v'",                  // a brace never closed
      u"HKCR { } }",                        // a brace closed twice
      u"HKXX { }",                          // no such root
      u"'HKCR' { }",                        // a root is no quoted name
      u"HKCR k",                            // a root without its braces
      u"HKCR { k = 'v' }",                  // a value without its type
      u"HKCR { k = d '5' }",                // only strings are read
      u"HKCR { k = s v }",                  // a value not quoted
      u"HKCR { val n 's' }",                // a named value without '='
      u"HKCR { ForceRemove = s 'v' }",      // a mark without a name
      u"HKCR { k = }",                      // '=' without a value
      u"HKCR { { }",                        // punctuation as a name
      u"HKCR {}",                           // tokens need white space between them
      deep,                                 // nested deeper than any layout
  };
  for (const std::u16string& script : bad) {
    std::vector<RegistryKey> roots(1);
    EXPECT_EQ(ParseRegistryScript(script, &roots), E_INVALIDARG) << std::string(script.begin(), script.end());
    EXPECT_TRUE(roots.empty());
  }
}

}  // namespace
}  // namespace vx::testing
