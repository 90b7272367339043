// What the object benchmarks share: a BSTR made from UTF-8 and freed at the end of its
// scope, and the shared benchmark folder with the photographs (VXIMAGE_BENCH_INPUTS, by
// default beside the checkout).
#pragma once

#include <cstdlib>
#include <string>

#include "base/utf8.h"
#include "platform/oleauto.h"

namespace vx::bench {

struct Bstr {
  explicit Bstr(const std::string& utf8) : text(SysAllocString(vx::WideFromUtf8(utf8).c_str())) {}
  ~Bstr() { SysFreeString(text); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR text;
};

inline std::string Inputs() {
  const char* env = std::getenv("VXIMAGE_BENCH_INPUTS");
  return env ? env : VXIMAGE_SOURCE_DIR "/../shared/bench/inputs";
}

}  // namespace vx::bench
