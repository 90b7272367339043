// The module's resources as data: the shadow bitmap, the resource script with its
// identifiers, project name and version block, and the export list, which must name what
// the library really exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "platform/codecs/picture_decoder.h"
#include "tests/module_test_support.h"

namespace vx::testing {
namespace {

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// Every match of the pattern's first two groups, as name -> text.
std::map<std::string, std::string> Pairs(const std::string& text, const std::regex& pattern) {
  std::map<std::string, std::string> pairs;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
    pairs[(*it)[1]] = (*it)[2];
  }
  return pairs;
}

TEST(ModuleResources, ShadowBitmapIs64By45At24Bits) {
  const std::string bmp = SourceFile("module/shadow_mask.bmp");
  ASSERT_EQ(bmp.size(), 14u + 40u + 64u * 3u * 45u);  // rows of 192 bytes need no padding
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(Le32(bmp, 2), bmp.size());
  EXPECT_EQ(Le32(bmp, 10), 54u);             // pixels right after the headers
  EXPECT_EQ(Le32(bmp, 14), 40u);             // BITMAPINFOHEADER
  EXPECT_EQ(Le32(bmp, 18), 64u);             // width
  EXPECT_EQ(Le32(bmp, 22), 45u);             // height, bottom-up
  EXPECT_EQ(Le32(bmp, 26) & 0xFFFF, 1u);     // planes
  EXPECT_EQ(Le32(bmp, 26) >> 16, 24u);       // bits a pixel
  EXPECT_EQ(Le32(bmp, 30), 0u);              // BI_RGB
  const auto decoder = OpenBmp(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size());
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->width(), 64);
  EXPECT_EQ(decoder->height(), 45);
  std::vector<std::uint32_t> pixels(64 * 45);
  EXPECT_EQ(decoder->Decode(pixels.data(), 64), DecodeResult::kWhole);
}

TEST(ModuleResources, ResourceScriptTiesEveryResourceToItsIdentifier) {
  const std::string header = SourceFile("module/resource.h");
  const std::map<std::string, std::string> ids =
      Pairs(header, std::regex(R"(#define\s+(\w+)\s+(\d+))"));
  const std::map<std::string, std::string> expected_ids = {
      {"IDS_PROJNAME", "100"}, {"IDR_VXIMAGE", "101"}, {"IDB_SHADOW_MASK", "202"}};
  EXPECT_EQ(ids, expected_ids);

  const std::string rc = SourceFile("module/vximage.rc");
  EXPECT_NE(rc.find("#include \"resource.h\""), std::string::npos);
  const std::map<std::string, std::string> files =
      Pairs(rc, std::regex(R"re((\w+ \w+)\s+"([^"]+)")re"));
  const std::map<std::string, std::string> expected_files = {
      {"IDR_VXIMAGE REGISTRY", "vximage.rgs"}, {"1 TYPELIB", "vximage.tlb"},
      {"IDB_SHADOW_MASK BITMAP", "shadow_mask.bmp"}};
  EXPECT_EQ(files, expected_files);
  for (const char* file : {"module/vximage.rgs", "module/shadow_mask.bmp", "module/vximage.idl"}) {
    EXPECT_FALSE(SourceFile(file).empty()) << file;
  }
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(STRINGTABLE\s+BEGIN\s+IDS_PROJNAME\s+"vxImage"\s+END)")));
}

TEST(ModuleResources, VersionBlock) {
  const std::string rc = SourceFile("module/vximage.rc");
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(\n\s*FILEVERSION 1,0,0,1\n)")));
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(\n\s*PRODUCTVERSION 1,0,0,1\n)")));
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(\n\s*FILETYPE VFT_DLL\n)")));
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(BLOCK "StringFileInfo"\s+BEGIN\s+BLOCK "040904B0")")));
  EXPECT_TRUE(std::regex_search(rc, std::regex(R"(VALUE "Translation", 0x0409, 1200\n)")));
  const std::map<std::string, std::string> strings =
      Pairs(rc, std::regex(R"re(VALUE "(\w+)", "([^"]*)")re"));
  const std::map<std::string, std::string> expected = {
      {"CompanyName", ""},
      {"FileDescription", "vxImage Module"},
      {"FileVersion", "1, 0, 0, 1"},
      {"InternalName", "vxImage"},
      {"OLESelfRegister", ""},
      {"OriginalFilename", "vxImage.DLL"},
      {"ProductName", "vxImage Module"},
      {"ProductVersion", "1, 0, 0, 1"},
  };
  EXPECT_EQ(strings, expected);
}

TEST(ModuleResources, ExportListNamesTheEntryPoints) {
  const std::string def = SourceFile("module/vximage.def");
  const std::string exports = def.substr(def.find("EXPORTS"));
  std::vector<std::string> names;
  const std::regex entry(R"(\n\s*(\w+) PRIVATE)");
  for (auto it = std::sregex_iterator(exports.begin(), exports.end(), entry); it != std::sregex_iterator(); ++it) {
    names.push_back((*it)[1]);
  }
  const std::vector<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                             "DllUnregisterServer"};
  EXPECT_EQ(names, expected);
  // Each is a C symbol of the library that this test is linked with.
  for (const std::string& name : names) EXPECT_NE(dlsym(RTLD_DEFAULT, name.c_str()), nullptr) << name;
}

}  // namespace
}  // namespace vx::testing
