// VARIANT values that clean up after themselves, and BSTR leak checks, for the
// automation tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/gdi_diagnostics.h"
#include "platform/oleauto.h"

namespace vx::test {

// A VARIANT that clears itself.
class Var : public VARIANT {
 public:
  Var() { VariantInit(this); }
  Var(Var&& other) noexcept : VARIANT(other) { VariantInit(&other); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  ~Var() { EXPECT_EQ(VariantClear(this), S_OK); }
};

inline Var I4(LONG value) {
  Var v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

inline Var UI4(ULONG value) {
  Var v;
  v.vt = VT_UI4;
  v.ulVal = value;
  return v;
}

inline Var R8(double value) {
  Var v;
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}

inline Var Bool(bool value) {
  Var v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

inline Var Text(const char16_t* text) {
  Var v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

inline Var Null() {
  Var v;
  v.vt = VT_NULL;
  return v;
}

// A reference to a value held elsewhere.
inline Var Ref(VARTYPE type, void* target) {
  Var v;
  v.vt = VT_BYREF | type;
  v.byref = target;
  return v;
}

// A BSTR's text as narrow characters (the tests use ASCII only).
inline std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; i < SysStringLen(text); ++i) out += static_cast<char>(text[i]);
  return out;
}

// Fails the test when it allocated BSTRs that it did not free.
class BstrLeakCheck : public ::testing::Test {
 protected:
  void SetUp() override { before_ = LiveGdiObjects().bstrs; }
  void TearDown() override { EXPECT_EQ(LiveGdiObjects().bstrs, before_) << "BSTRs leaked"; }

 private:
  long before_ = 0;
};

}  // namespace vx::test
