// Helpers for tests of the module's source files: reading them from the source tree and
// writing identifiers the way those files do.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/unknwn.h"

namespace vx::testing {

// A file of the source tree, whole; empty when it cannot be read.
inline std::string SourceFile(const std::string& relative_path) {
  std::ifstream in(std::string(VXIMAGE_SOURCE_DIR) + "/" + relative_path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// "53AC3439-FB62-4007-80DB-503A87F6330A": upper-case hexadecimal, without braces.
inline std::string GuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

}  // namespace vx::testing
