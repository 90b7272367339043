// The type library source module/vximage.idl against the member table that late binding
// answers from, member by member, and against the identifiers of the code, so that what
// Windows clients see through the type library and what IDispatch answers here never drift.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "module/member_table.h"
#include "module/iresize.h"
#include "tests/module_test_support.h"

namespace vx::testing {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Splits at the separator where it stands outside quotes and brackets.
std::vector<std::string> SplitTopLevel(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  int depth = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '(' || c == '[')) ++depth;
    if (!quoted && (c == ')' || c == ']')) --depth;
    if (c == separator && depth == 0 && !quoted) {
      parts.push_back(Trim(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!Trim(part).empty()) parts.push_back(Trim(part));
  return parts;
}

// The IDL without its comments.
std::string IdlSource() {
  std::string text = SourceFile("module/vximage.idl");
  EXPECT_FALSE(text.empty());
  return std::regex_replace(text, std::regex("//[^\n]*"), "");
}

// An attribute list "dual, id(6), helpstring("x")" as name -> argument (quotes removed).
std::map<std::string, std::string> Attributes(const std::string& list) {
  std::map<std::string, std::string> attributes;
  // A quoted argument may hold any character but the quote.
  static const std::regex kAttribute(R"re(([A-Za-z_]+)\s*(?:\(\s*(?:"([^"]*)"|([^")]*))\s*\))?)re");
  for (const std::string& item : SplitTopLevel(list, ',')) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(item, m, kAttribute)) << item;
    attributes[m[1]] = m[2].matched ? m[2].str() : m[3].str();
  }
  return attributes;
}

// One parameter or member as the IDL declares it, in the member table's terms.
struct Declared {
  std::string name;
  DISPID id = DISPID_UNKNOWN;
  MemberKind kind = MemberKind::kMethod;
  std::string help;
  std::vector<MemberParameter> parameters;
  std::vector<std::string> parameter_names;
};

VARTYPE AutomationType(const std::string& idl_type) {
  if (idl_type == "long") return VT_I4;
  if (idl_type == "double") return VT_R8;
  if (idl_type == "BSTR") return VT_BSTR;
  if (idl_type == "OLE_COLOR") return VT_UI4;
  ADD_FAILURE() << "not an automation type of the table: " << idl_type;
  return VT_EMPTY;
}

MemberParameter Parameter(const std::string& text, std::string* name) {
  static const std::regex kParameter(R"(\[([^\]]*)\]\s*(\w+)\s*(\*?)\s*(\w+))");
  std::smatch m;
  EXPECT_TRUE(std::regex_match(text, m, kParameter)) << text;
  const std::string direction = std::regex_replace(std::string(m[1]), std::regex("\\s+"), "");
  const bool pointer = m[3] == "*";
  *name = m[4];
  MemberParameter parameter{u"", AutomationType(m[2]), ParameterPassing::kIn};
  if (direction == "out,retval") {
    parameter.passing = ParameterPassing::kRetval;
    EXPECT_TRUE(pointer) << text;
  } else {
    EXPECT_EQ(direction, "in") << text;
    EXPECT_FALSE(pointer) << text;
  }
  return parameter;
}

struct InterfaceSource {
  std::map<std::string, std::string> attributes;
  std::string base;
  std::vector<Declared> members;
};

// Where the bracket closing the one at `open` stands, quoted text skipped; npos if none.
std::size_t Closing(const std::string& text, std::size_t open, char closing) {
  bool quoted = false;
  for (std::size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text[i] == closing) return i;
  }
  return std::string::npos;
}

InterfaceSource InterfaceSourceOf(const std::string& name) {
  const std::string idl = IdlSource();
  const std::regex head("interface\\s+" + name + "\\s*:\\s*(\\w+)\\s*\\{");
  std::smatch m;
  InterfaceSource source;
  // Help strings may hold any character but the quote: the attribute list and the body
  // are found by their brackets, outside quotes.
  const std::size_t attributes_open = std::regex_search(idl, m, head) ? idl.rfind('[', m.position(0)) : std::string::npos;
  const std::size_t body_open = attributes_open == std::string::npos ? attributes_open : m.position(0) + m.length(0) - 1;
  const std::size_t body_close = body_open == std::string::npos ? body_open : Closing(idl, body_open, '}');
  if (body_close == std::string::npos) {
    ADD_FAILURE() << "no interface " << name;
    return source;
  }
  source.attributes = Attributes(idl.substr(attributes_open + 1, Closing(idl, attributes_open, ']') - attributes_open - 1));
  source.base = m[1];
  static const std::regex kMember(R"(\s*HRESULT\s+(\w+)\s*\(([^)]*)\))");
  const std::string body = idl.substr(body_open + 1, body_close - body_open - 1);
  for (const std::string& declaration : SplitTopLevel(body, ';')) {
    const std::size_t close = declaration.front() == '[' ? Closing(declaration, 0, ']') : std::string::npos;
    std::smatch d;
    const std::string rest = close == std::string::npos ? declaration : declaration.substr(close + 1);
    if (close == std::string::npos || !std::regex_match(rest, d, kMember)) {
      ADD_FAILURE() << "not a member: " << declaration;
      continue;
    }
    Declared member;
    member.name = d[1];
    const auto attributes = Attributes(declaration.substr(1, close - 1));
    member.id = attributes.count("id") ? std::stoi(attributes.at("id")) : DISPID_UNKNOWN;
    member.help = attributes.count("helpstring") ? attributes.at("helpstring") : "";
    if (attributes.count("propget")) member.kind = MemberKind::kPropertyGet;
    if (attributes.count("propput")) member.kind = MemberKind::kPropertyPut;
    EXPECT_EQ(attributes.size(), member.kind == MemberKind::kMethod ? 2u : 3u) << declaration;
    for (const std::string& text : SplitTopLevel(d[2], ',')) {
      member.parameters.push_back(Parameter(text, &member.parameter_names.emplace_back()));
    }
    source.members.push_back(member);
  }
  return source;
}

// IResize's members, then those IResize2 adds (DISPIDs from 100 on), as the vtable has them.
TEST(TypeLibrarySource, DeclaresEveryMemberOfTheTable) {
  InterfaceSource source = InterfaceSourceOf("IResize");
  const std::size_t first_members = source.members.size();
  const InterfaceSource second = InterfaceSourceOf("IResize2");
  source.members.insert(source.members.end(), second.members.begin(), second.members.end());
  const auto table = ResizeMembers();
  ASSERT_EQ(source.members.size(), table.size());  // one declaration a vtable slot, in order
  ASSERT_GT(first_members, 0u);
  EXPECT_LT(table[first_members - 1].id, 100);
  for (std::size_t i = first_members; i < table.size(); ++i) EXPECT_GE(table[i].id, 100);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const Member& row = table[i];
    const Declared& declared = source.members[i];
    SCOPED_TRACE(declared.name);
    EXPECT_EQ(declared.name, Narrow(row.name));
    EXPECT_EQ(declared.id, row.id);
    EXPECT_EQ(declared.kind, row.kind);
    EXPECT_EQ(declared.help, Narrow(row.help));
    ASSERT_EQ(declared.parameters.size(), row.parameters.size());
    for (std::size_t p = 0; p < row.parameters.size(); ++p) {
      EXPECT_EQ(declared.parameter_names[p], Narrow(row.parameters[p].name));
      EXPECT_EQ(declared.parameters[p].type, row.parameters[p].type);
      EXPECT_EQ(declared.parameters[p].passing, row.parameters[p].passing);
    }
  }
}

TEST(TypeLibrarySource, GetErrorInfoReturnsItsText) {
  for (const Declared& member : InterfaceSourceOf("IResize").members) {
    if (member.name != "GetErrorInfo") continue;
    ASSERT_EQ(member.parameters.size(), 1u);
    EXPECT_EQ(member.parameters[0].type, VT_BSTR);
    EXPECT_EQ(member.parameters[0].passing, ParameterPassing::kRetval);
    return;
  }
  FAIL() << "no GetErrorInfo";
}

TEST(TypeLibrarySource, DescribesTheDualInterfaces) {
  const InterfaceSource source = InterfaceSourceOf("IResize");
  EXPECT_EQ(source.base, "IDispatch");
  const std::map<std::string, std::string> expected = {
      {"object", ""}, {"uuid", GuidText(IID_IResize)}, {"dual", ""}, {"oleautomation", ""},
      {"helpstring", "IImage Interface"}, {"pointer_default", "unique"}};
  EXPECT_EQ(source.attributes, expected);

  const InterfaceSource second = InterfaceSourceOf("IResize2");
  EXPECT_EQ(second.base, "IResize");
  EXPECT_EQ(second.attributes.at("uuid"), GuidText(IID_IResize2));
  EXPECT_EQ(second.attributes.count("dual"), 1u);
  EXPECT_EQ(second.attributes.count("oleautomation"), 1u);
  EXPECT_FALSE(second.attributes.at("helpstring").empty());
}

TEST(TypeLibrarySource, DescribesTheLibraryAndItsClass) {
  const std::string idl = IdlSource();
  static const std::regex kLibrary(R"(\[([^\]]*)\]\s*library\s+(\w+)\s*\{([\s\S]*)\}\s*;)");
  std::smatch library;
  ASSERT_TRUE(std::regex_search(idl, library, kLibrary));
  EXPECT_EQ(library[2], "vxImage");
  const std::map<std::string, std::string> library_attributes = {
      {"uuid", GuidText(LIBID_vxImage)}, {"version", "1.0"}, {"lcid", "0x0409"},
      {"helpstring", "Merrow vxImage 8.0 Type Library"}};
  EXPECT_EQ(Attributes(library[1]), library_attributes);

  const std::string body = library[3];
  EXPECT_TRUE(std::regex_search(body, std::regex(R"(importlib\s*\(\s*"stdole2\.tlb"\s*\)\s*;)")));
  // IResize2 is the default, so that late binding sees every member; IResize is listed too.
  static const std::regex kClass(
      R"(\[([^\]]*)\]\s*coclass\s+(\w+)\s*\{\s*\[\s*default\s*\]\s*interface\s+(\w+)\s*;\s*interface\s+(\w+)\s*;\s*\}\s*;)");
  std::smatch coclass;
  ASSERT_TRUE(std::regex_search(body, coclass, kClass));
  EXPECT_EQ(coclass[2], "Resize");
  EXPECT_EQ(coclass[3], "IResize2");
  EXPECT_EQ(coclass[4], "IResize");
  const std::map<std::string, std::string> class_attributes = {
      {"uuid", GuidText(CLSID_Resize)}, {"helpstring", "Merrow vxImage Image Class 8.0"}};
  EXPECT_EQ(Attributes(coclass[1]), class_attributes);
}

}  // namespace
}  // namespace vx::testing
