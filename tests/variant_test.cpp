// VARIANT lifetime and VariantChangeType between the automation types.
#include <cmath>
#include <limits>

#include "tests/variant_test_util.h"

namespace vx::test {
namespace {

struct Conversion {
  HRESULT hr;
  Var value;
};

Conversion Change(const VARIANT& src, VARTYPE vt) {
  Conversion c{E_FAIL, Var()};
  VARIANT source = src;  // borrowed: VariantChangeType only reads it
  c.hr = VariantChangeType(&c.value, &source, 0, vt);
  return c;
}

// The converted long, or a failure that names the HRESULT.
::testing::AssertionResult ConvertsToI4(const VARIANT& src, LONG expected) {
  Conversion c = Change(src, VT_I4);
  if (c.hr != S_OK) return ::testing::AssertionFailure() << "hr " << std::hex << c.hr;
  if (c.value.vt != VT_I4 || c.value.lVal != expected) {
    return ::testing::AssertionFailure() << "vt " << c.value.vt << " value " << c.value.lVal;
  }
  return ::testing::AssertionSuccess();
}

std::string AsText(const VARIANT& src) {
  Conversion c = Change(src, VT_BSTR);
  EXPECT_EQ(c.hr, S_OK);
  EXPECT_EQ(c.value.vt, VT_BSTR);
  return Narrow(c.value.bstrVal);
}

using VariantConversion = BstrLeakCheck;
using VariantLifetime = BstrLeakCheck;

TEST_F(VariantConversion, DoubleToIntegerRoundsHalfToEven) {
  EXPECT_TRUE(ConvertsToI4(R8(2.5), 2));
  EXPECT_TRUE(ConvertsToI4(R8(3.5), 4));
  EXPECT_TRUE(ConvertsToI4(R8(-2.5), -2));
  EXPECT_TRUE(ConvertsToI4(R8(-3.5), -4));
  EXPECT_TRUE(ConvertsToI4(R8(0.5), 0));
  EXPECT_TRUE(ConvertsToI4(R8(-0.5), 0));
  EXPECT_TRUE(ConvertsToI4(R8(2.4999), 2));
  EXPECT_TRUE(ConvertsToI4(R8(2.5001), 3));
  EXPECT_TRUE(ConvertsToI4(R8(-2.6), -3));
  Conversion byte = Change(R8(254.5), VT_UI1);
  EXPECT_EQ(byte.hr, S_OK);
  EXPECT_EQ(byte.value.bVal, 254);
  Conversion single = Change(R8(1.5), VT_I2);
  EXPECT_EQ(single.hr, S_OK);
  EXPECT_EQ(single.value.iVal, 2);
}

TEST_F(VariantConversion, ValuesOutsideTheTargetRangeOverflow) {
  EXPECT_TRUE(ConvertsToI4(R8(2147483647.4), 2147483647));
  EXPECT_EQ(Change(R8(2147483647.5), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_TRUE(ConvertsToI4(R8(-2147483648.5), INT32_MIN));  // rounds to the even end
  EXPECT_EQ(Change(R8(-2147483648.6), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(UI4(0x80000000u), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(I4(-1), VT_UI4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(R8(-0.5), VT_UI4).value.ulVal, 0u);
  EXPECT_EQ(Change(R8(4294967295.0), VT_UI4).value.ulVal, 4294967295u);
  EXPECT_EQ(Change(R8(4294967295.5), VT_UI4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(I4(256), VT_UI1).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(I4(255), VT_UI1).value.bVal, 255);
  EXPECT_EQ(Change(I4(32768), VT_I2).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(I4(-32768), VT_I2).value.iVal, -32768);
  EXPECT_EQ(Change(R8(1e39), VT_R4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(R8(std::numeric_limits<double>::quiet_NaN()), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(R8(std::numeric_limits<double>::infinity()), VT_I4).hr, DISP_E_OVERFLOW);
}

TEST_F(VariantConversion, NumericTextBecomesNumbers) {
  EXPECT_TRUE(ConvertsToI4(Text(u"42"), 42));
  EXPECT_TRUE(ConvertsToI4(Text(u"  -7\t"), -7));
  EXPECT_TRUE(ConvertsToI4(Text(u"+7"), 7));
  EXPECT_TRUE(ConvertsToI4(Text(u"1.5e2"), 150));
  EXPECT_TRUE(ConvertsToI4(Text(u"2.5"), 2));
  EXPECT_TRUE(ConvertsToI4(Text(u".5"), 0));
  EXPECT_TRUE(ConvertsToI4(Text(u"&H1F"), 31));
  EXPECT_TRUE(ConvertsToI4(Text(u" &hff "), 255));
  EXPECT_TRUE(ConvertsToI4(Text(u"&O17"), 15));
  // A hexadecimal pattern fills the target's width, sign bit included.
  EXPECT_TRUE(ConvertsToI4(Text(u"&HFFFFFFFF"), -1));
  EXPECT_TRUE(ConvertsToI4(Text(u"&HFFFF"), 65535));
  EXPECT_EQ(Change(Text(u"&HFFFF"), VT_I2).value.iVal, -1);
  EXPECT_EQ(Change(Text(u"&HFFFFFFFF"), VT_UI4).value.ulVal, 4294967295u);
  EXPECT_EQ(Change(Text(u"&H100000000"), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(Text(u"&H10000000000000000"), VT_R8).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(Text(u"2147483648"), VT_I4).hr, DISP_E_OVERFLOW);
  EXPECT_EQ(Change(Text(u"-1"), VT_UI4).hr, DISP_E_OVERFLOW);

  Conversion real = Change(Text(u" 1.25E-1 "), VT_R8);
  EXPECT_EQ(real.hr, S_OK);
  EXPECT_EQ(real.value.dblVal, 0.125);
  EXPECT_EQ(Change(Text(u"1E400"), VT_R8).hr, DISP_E_OVERFLOW);
  Conversion tiny = Change(Text(u"1E-400"), VT_R8);
  EXPECT_EQ(tiny.hr, S_OK);
  EXPECT_EQ(tiny.value.dblVal, 0.0);
}

TEST_F(VariantConversion, TextThatIsNoNumberIsATypeMismatch) {
  for (const char16_t* bad : {u"", u"   ", u"abc", u"1x", u"1 2", u"1e", u"1e+", u"&H", u"&HG1", u"&O8",
                              u"--1", u"1..2", u"-&H1", u".", u"1,000", u"0x10"}) {
    Var text = Text(bad);
    EXPECT_EQ(Change(text, VT_I4).hr, DISP_E_TYPEMISMATCH) << Narrow(text.bstrVal);
    EXPECT_EQ(Change(text, VT_R8).hr, DISP_E_TYPEMISMATCH) << Narrow(text.bstrVal);
  }
  Var null_text;
  null_text.vt = VT_BSTR;
  null_text.bstrVal = nullptr;  // the null BSTR is the empty text
  EXPECT_EQ(Change(null_text, VT_I4).hr, DISP_E_TYPEMISMATCH);
}

TEST_F(VariantConversion, NumbersBecomeTextWithFifteenDigits) {
  EXPECT_EQ(AsText(R8(1.5)), "1.5");
  EXPECT_EQ(AsText(R8(100)), "100");
  EXPECT_EQ(AsText(R8(0.1)), "0.1");
  EXPECT_EQ(AsText(R8(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(AsText(R8(-0.0)), "0");
  EXPECT_EQ(AsText(R8(1e20)), "1E+20");
  EXPECT_EQ(AsText(I4(-42)), "-42");
  EXPECT_EQ(AsText(UI4(4294967295u)), "4294967295");
  Var single;
  single.vt = VT_R4;
  single.fltVal = 0.1f;
  EXPECT_EQ(AsText(single), "0.1");
}

TEST_F(VariantConversion, BooleansAreMinusOneAndZero) {
  EXPECT_TRUE(ConvertsToI4(Bool(true), -1));
  EXPECT_TRUE(ConvertsToI4(Bool(false), 0));
  EXPECT_EQ(Change(Bool(true), VT_UI1).value.bVal, 255);
  EXPECT_EQ(Change(Bool(true), VT_R8).value.dblVal, -1.0);
  EXPECT_EQ(AsText(Bool(true)), "True");
  EXPECT_EQ(AsText(Bool(false)), "False");

  EXPECT_EQ(Change(I4(5), VT_BOOL).value.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Change(R8(0.0), VT_BOOL).value.boolVal, VARIANT_FALSE);
  EXPECT_EQ(Change(Text(u" TRUE "), VT_BOOL).value.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Change(Text(u"false"), VT_BOOL).value.boolVal, VARIANT_FALSE);
  EXPECT_EQ(Change(Text(u"0.5"), VT_BOOL).value.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Change(Text(u"0"), VT_BOOL).value.boolVal, VARIANT_FALSE);
  EXPECT_EQ(Change(Text(u"yes"), VT_BOOL).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Change(Text(u"True"), VT_I4).hr, DISP_E_TYPEMISMATCH);
}

TEST_F(VariantConversion, EmptyIsZeroAndNullIsNoNumber) {
  Var empty;
  EXPECT_TRUE(ConvertsToI4(empty, 0));
  EXPECT_EQ(Change(empty, VT_R8).value.dblVal, 0.0);
  EXPECT_EQ(Change(empty, VT_BOOL).value.boolVal, VARIANT_FALSE);
  Conversion text = Change(empty, VT_BSTR);
  ASSERT_EQ(text.hr, S_OK);
  ASSERT_NE(text.value.bstrVal, nullptr);
  EXPECT_EQ(SysStringLen(text.value.bstrVal), 0u);

  EXPECT_EQ(Change(Null(), VT_I4).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Change(Null(), VT_R8).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Change(Null(), VT_BSTR).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Change(Null(), VT_NULL).hr, S_OK);
  EXPECT_EQ(Change(I4(1), VT_NULL).hr, DISP_E_TYPEMISMATCH);

  Conversion cleared = Change(Text(u"gone"), VT_EMPTY);
  EXPECT_EQ(cleared.hr, S_OK);
  EXPECT_EQ(cleared.value.vt, VT_EMPTY);
}

TEST_F(VariantConversion, ByRefSourcesAreDereferenced) {
  LONG number = 7;
  EXPECT_EQ(Change(Ref(VT_I4, &number), VT_R8).value.dblVal, 7.0);

  BSTR text = SysAllocString(u" 12 ");
  EXPECT_TRUE(ConvertsToI4(Ref(VT_BSTR, &text), 12));
  Conversion copy = Change(Ref(VT_BSTR, &text), VT_BSTR);
  EXPECT_NE(copy.value.bstrVal, text);  // a copy the caller owns, not the referenced string
  EXPECT_EQ(Narrow(copy.value.bstrVal), " 12 ");
  SysFreeString(text);

  Var inner = R8(2.5);
  EXPECT_TRUE(ConvertsToI4(Ref(VT_VARIANT, &inner), 2));

  // In place: the reference itself is replaced, the referenced value stays.
  Var in_place = Ref(VT_I4, &number);
  EXPECT_EQ(VariantChangeType(&in_place, &in_place, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Narrow(in_place.bstrVal), "7");
  EXPECT_EQ(number, 7);

  Var dangling = Ref(VT_I4, nullptr);
  EXPECT_TRUE(FAILED(Change(dangling, VT_R8).hr));
}

TEST_F(VariantConversion, InPlaceConversionFreesTheOldString) {
  Var v = Text(u"  &H10 ");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 16);
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Narrow(v.bstrVal), "16");
}

TEST_F(VariantConversion, FailureLeavesTheDestinationAsItWas) {
  Var dest = Text(u"kept");
  Var null = Null();
  Var three = I4(3);
  EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Narrow(dest.bstrVal), "kept");
  EXPECT_EQ(VariantChangeType(&dest, &three, 0, static_cast<VARTYPE>(99)), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantChangeType(&dest, &three, 0, VT_BYREF | VT_I4), DISP_E_BADVARTYPE);
  EXPECT_EQ(Narrow(dest.bstrVal), "kept");
  // A successful conversion into it frees the old string.
  EXPECT_EQ(VariantChangeType(&dest, &three, 0, VT_I4), S_OK);
  EXPECT_EQ(dest.lVal, 3);
}

TEST_F(VariantLifetime, ClearFreesStringsAndEmpties) {
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(u"text");
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  // A reference owns nothing: clearing it leaves the string to its owner.
  BSTR owned = SysAllocString(u"owned");
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = &owned;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(Narrow(owned), "owned");
  SysFreeString(owned);
  v.vt = 99;
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
}

TEST_F(VariantLifetime, CopyDuplicatesStrings) {
  const OLECHAR with_zero[] = u"a\0b";
  Var src;
  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(with_zero, 3);
  Var dest = Text(u"replaced");
  ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
  ASSERT_EQ(dest.vt, VT_BSTR);
  EXPECT_NE(dest.bstrVal, src.bstrVal);
  EXPECT_EQ(SysStringLen(dest.bstrVal), 3u);
  EXPECT_EQ(dest.bstrVal[2], u'b');
  EXPECT_EQ(VariantCopy(&dest, &dest), S_OK);
  EXPECT_EQ(SysStringLen(dest.bstrVal), 3u);

  Var null_text;
  null_text.vt = VT_BSTR;
  null_text.bstrVal = nullptr;
  ASSERT_EQ(VariantCopy(&dest, &null_text), S_OK);
  EXPECT_EQ(dest.vt, VT_BSTR);
  EXPECT_EQ(dest.bstrVal, nullptr);

  Var bad;
  bad.vt = 99;
  EXPECT_EQ(VariantCopy(&dest, &bad), DISP_E_BADVARTYPE);
  bad.vt = VT_EMPTY;
}

}  // namespace
}  // namespace vx::test
