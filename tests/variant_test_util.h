// VARIANT values that clean up after themselves, and BSTR leak checks, for the
// automation tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/automation/bstr_count.h"
#include "platform/surface/gdi_diagnostics.h"
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

// A variant of type vt whose union member `field` holds value.
template <typename T>
Var Make(VARTYPE vt, T VARIANT::*field, T value) {
  Var v;
  v.vt = vt;
  v.*field = value;
  return v;
}

inline Var I4(LONG value) { return Make(VT_I4, &VARIANT::lVal, value); }
inline Var UI4(ULONG value) { return Make(VT_UI4, &VARIANT::ulVal, value); }
inline Var R8(double value) { return Make(VT_R8, &VARIANT::dblVal, value); }
inline Var Bool(bool value) { return Make(VT_BOOL, &VARIANT::boolVal, value ? VARIANT_TRUE : VARIANT_FALSE); }
inline Var Text(const char16_t* text) { return Make(VT_BSTR, &VARIANT::bstrVal, SysAllocString(text)); }
inline Var Null() { return Make<LONG>(VT_NULL, &VARIANT::lVal, 0); }
// A reference to a value held elsewhere.
inline Var Ref(VARTYPE type, void* target) { return Make<void*>(VT_BYREF | type, &VARIANT::byref, target); }

// A BSTR's text as narrow characters (the tests use ASCII only).
inline std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; i < SysStringLen(text); ++i) out += static_cast<char>(text[i]);
  return out;
}

// Fails the test when it allocated BSTRs that it did not free.
class BstrLeakCheck : public ::testing::Test {
 protected:
  void SetUp() override { before_ = LiveBstrCount(); }
  void TearDown() override { EXPECT_EQ(LiveBstrCount(), before_) << "BSTRs leaked"; }

 private:
  long before_ = 0;
};

}  // namespace vx::test
