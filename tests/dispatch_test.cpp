// Late binding of IResize2 (IResize's members and its own): names to DISPIDs, and Invoke with its argument conversion,
// result and error paths, on the real object and on a recording stand-in.
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "module/dispatch.h"
#include "module/member_table.h"
#include "tests/variant_test_util.h"

namespace vx::test {
namespace {

struct Outcome {
  HRESULT hr = E_FAIL;
  Var result;
  EXCEPINFO exception{};
  UINT arg_error = 999;
};

// Invokes with the arguments in call order; like every caller, passes them last first.
Outcome Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<const VARIANT*> args,
               std::vector<DISPID> named = {}) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);
  DISPPARAMS params{reversed.data(), named.data(), static_cast<UINT>(reversed.size()),
                    static_cast<UINT>(named.size())};
  Outcome out;
  out.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &out.result, &out.exception, &out.arg_error);
  return out;
}

Outcome Get(IDispatch* object, DISPID id) { return Invoke(object, id, DISPATCH_PROPERTYGET, {}); }

Outcome Put(IDispatch* object, DISPID id, const VARIANT& value) {
  return Invoke(object, id, DISPATCH_PROPERTYPUT, {&value}, {DISPID_PROPERTYPUT});
}

DISPID IdOf(IDispatch* object, const char16_t* name) {
  OLECHAR* names[] = {const_cast<OLECHAR*>(name)};
  DISPID id = 12345;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  EXPECT_EQ(hr, id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
  return id;
}

// A new Resize object, released at the end of the test.
class DispatchTest : public BstrLeakCheck {
 protected:
  void SetUp() override {
    BstrLeakCheck::SetUp();
    ASSERT_EQ(CreateResize(IID_IResize2, reinterpret_cast<void**>(&object_)), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(object_->Release(), 0u);
    BstrLeakCheck::TearDown();
  }
  IResize2* object_ = nullptr;
};

// The interface as clients know it: name, DISPID, property or method, arguments a
// caller passes, help string.
struct Known {
  const char16_t* name;
  DISPID id;
  bool property;
  UINT arguments;
  std::u16string_view help;
};

constexpr Known kInterface[] = {
    {u"LoadSourceImage", 1, false, 1, u"method LoadImage"},
    {u"AddImageMark", 2, false, 3, u"method LoadMarkImage"},
    {u"MakeThumbImage", 3, false, 4, u"method MakeThumbImage"},
    {u"AddTextMark", 4, false, 3, u"method AddTextMark"},
    {u"MakeMarkImage", 5, false, 1, u"method MakeMarkImage"},
    {u"TextMarkBold", 6, true, 0, u"property TextMarkBold"},
    {u"TextMarkColor", 7, true, 0, u"property TextMarkColor"},
    {u"TextMarkHeight", 8, true, 0, u"property TextMarkHeight"},
    {u"TextMarkItatic", 9, true, 0, u"property TextMarkItatic"},
    {u"TextMarkUnderline", 10, true, 0, u"property TextMarkUnderline"},
    {u"TextMarkFontName", 11, true, 0, u"property TextMarkFontName"},
    {u"MarkTransparent", 12, true, 0, u"property MarkTransparent"},
    {u"TextMarkAreaWidth", 13, true, 0, u"property TextMarkWidth"},
    {u"MakeCropImage", 14, false, 5, u"method MakeCropImage"},
    {u"GetErrorInfo", 15, false, 0, u"method GetErrorInfo"},
    {u"MarkPos", 17, true, 0, u"property MarkPos"},
    {u"MarkPosOffsetX", 18, true, 0, u"property MarkPosOffsetX"},
    {u"MarkPosOffsetY", 19, true, 0, u"property MarkPosOffsetY"},
    {u"TextMarkShadowColor", 20, true, 0, u"property TextMarkShadowColor"},
    {u"TextMarkShadowVisible", 21, true, 0, u"property TextMarkShadowVisible"},
    {u"TextMarkShadowDistance", 22, true, 0, u"property TextMarkShadowDistance"},
    {u"TextMarkShadowAngle", 23, true, 0, u"property TextMarkShadowAngle"},
    {u"TextMarkShadowSize", 24, true, 0, u"property TextMarkShadowSize"},
    {u"TextMarkShadowTransparent", 25, true, 0, u"property TextMarkShadowOpacity"},
    {u"Quality", 27, true, 0, u"property Quality"},
    {u"TextMarkRotate", 28, true, 0, u"property TextMarkRotate"},
    {u"GetSourceImageWidth", 29, false, 0, u"method GetSourceImageWidth"},
    {u"GetSourceImageHeight", 30, false, 0, u"method GetSourceImageHeight"},
    // IResize2
    {u"AutoOrient", 100, true, 0,
     u"property AutoOrient: 1 turns each picture loaded after it upright by its EXIF orientation; 0 (default) "
     u"loads it as stored"},
    {u"ResampleFilter", 101, true, 0,
     u"property ResampleFilter: how thumbnails are resized; 0 (default) drops or repeats pixels, 1 averages the "
     u"covered area, 2 Lanczos-3"},
    {u"LoadMinWidth", 102, true, 0,
     u"property LoadMinWidth: smallest width needed of the next picture loaded; a JPEG is decoded at the smallest "
     u"n/8 scale that keeps it; 0 (default) loads the full size"},
    {u"LoadMinHeight", 103, true, 0,
     u"property LoadMinHeight: smallest height needed of the next picture loaded; a JPEG is decoded at the "
     u"smallest n/8 scale that keeps it; 0 (default) loads the full size"},
    {u"GetSourceFileWidth", 104, false, 0,
     u"method GetSourceFileWidth: width of the loaded picture as the file holds it, before any shrink on load "
     u"(upright when AutoOrient turned it)"},
    {u"GetSourceFileHeight", 105, false, 0,
     u"method GetSourceFileHeight: height of the loaded picture as the file holds it, before any shrink on load "
     u"(upright when AutoOrient turned it)"},
    {u"BackgroundColor", 106, true, 0,
     u"property BackgroundColor: colour that transparent PNG and GIF pixels are laid on at the next load; black "
     u"(0) by default"},
    {u"MakeFitImage", 107, false, 3,
     u"method MakeFitImage: writes a JPEG thumbnail that fits inside lWidth x lHeight keeping the picture's "
     u"proportions, never enlarged"},
    {u"MakeFillImage", 108, false, 3,
     u"method MakeFillImage: writes a JPEG thumbnail of exactly lWidth x lHeight that the picture fills, the "
     u"overflow cut off evenly on both sides"},
    {u"ClearErrorInfo", 109, false, 0, u"method ClearErrorInfo: empties the error text that GetErrorInfo returns"},
    {u"ColorManage", 110, true, 0,
     u"property ColorManage: 1 converts each picture loaded after it to sRGB by its ICC profile (PNG "
     u"gAMA and cHRM; CMYK JPEG files by a press profile when they have none); 0 (default) takes the "
     u"colours as stored"},
    {u"KeepMetadata", 111, true, 0,
     u"property KeepMetadata: 1 keeps the EXIF, XMP, IPTC and ICC profile of each picture loaded after "
     u"it in every JPEG written from it (EXIF orientation upright, its thumbnail dropped); 0 (default) "
     u"writes none"},
    {u"Progressive", 112, true, 0,
     u"property Progressive: 1 writes progressive JPEG files; 0 (default) baseline"},
    {u"ChromaSubsampling", 113, true, 0,
     u"property ChromaSubsampling: colour detail of the JPEG files written; 0 (default) full (4:4:4), "
     u"1 half the width (4:2:2), 2 half the width and height (4:2:0)"},
    {u"OptimizeCoding", 114, true, 0,
     u"property OptimizeCoding: 1 makes Huffman tables for each JPEG file written (smaller files); 0 "
     u"(default) the standard tables"},
};

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// --- Names and the table -----------------------------------------------------------------

using DispatchNames = DispatchTest;

TEST_F(DispatchNames, EveryMemberHasItsDispid) {
  for (const Known& k : kInterface) {
    EXPECT_EQ(IdOf(object_, k.name), k.id) << Narrow(k.name);
  }
}

TEST_F(DispatchNames, NamesMatchWithoutRegardToCase) {
  EXPECT_EQ(IdOf(object_, u"quality"), 27);
  EXPECT_EQ(IdOf(object_, u"TEXTMARKITATIC"), 9);
  EXPECT_EQ(IdOf(object_, u"getERRORinfo"), 15);
}

TEST_F(DispatchNames, UnknownNamesAreRefused) {
  for (const char16_t* name : {u"Qualityx", u"Qualit", u"TextMarkItalic", u"", u"Quality "}) {
    EXPECT_EQ(IdOf(object_, name), DISPID_UNKNOWN) << Narrow(name);
  }
  OLECHAR* none[] = {nullptr};
  DISPID id = 0;
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, none, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(DispatchNames, ParameterNamesAreNotAnswered) {
  OLECHAR* names[] = {const_cast<OLECHAR*>(u"AddTextMark"), const_cast<OLECHAR*>(u"lPosX"),
                      const_cast<OLECHAR*>(u"strText")};
  DISPID ids[3] = {0, 0, 0};
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 4);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
}

TEST_F(DispatchNames, TableRowsFollowTheInterface) {
  // One row a vtable slot: a method has one, a property two (getter first).
  std::size_t row = 0;
  const auto rows = ResizeMembers();
  for (const Known& k : kInterface) {
    ASSERT_LT(row, rows.size());
    const Member& first = rows[row++];
    EXPECT_EQ(first.name, k.name);
    EXPECT_EQ(first.id, k.id);
    EXPECT_EQ(first.help, k.help) << Narrow(k.name);
    EXPECT_EQ(first.kind, k.property ? MemberKind::kPropertyGet : MemberKind::kMethod);
    EXPECT_EQ(ArgumentCount(first), k.arguments) << Narrow(k.name);
    if (k.property) {
      ASSERT_LT(row, rows.size());
      const Member& setter = rows[row++];
      EXPECT_EQ(setter.id, k.id);
      EXPECT_EQ(setter.kind, MemberKind::kPropertyPut);
      EXPECT_EQ(setter.help, k.help);
      EXPECT_EQ(ArgumentCount(setter), 1u);
      EXPECT_EQ(RetvalParameter(first)->type, setter.parameters[0].type);
    }
  }
  EXPECT_EQ(row, rows.size());
}

TEST_F(DispatchNames, ParameterTypesAreTheAutomationTypes) {
  const auto find = [](DISPID id, MemberKind kind) -> const Member& {
    for (const Member& m : ResizeMembers()) {
      if (m.id == id && m.kind == kind) return m;
    }
    throw std::runtime_error("no such row");
  };
  const Member& thumb = find(3, MemberKind::kMethod);
  ASSERT_EQ(thumb.parameters.size(), 4u);
  EXPECT_EQ(thumb.parameters[1].type, VT_R8);
  EXPECT_EQ(thumb.parameters[1].name, u"dWidth");
  EXPECT_EQ(thumb.parameters[3].type, VT_I4);
  EXPECT_EQ(find(7, MemberKind::kPropertyPut).parameters[0].type, VT_UI4);
  EXPECT_EQ(find(11, MemberKind::kPropertyPut).parameters[0].type, VT_BSTR);
  const Member& error_info = find(15, MemberKind::kMethod);
  EXPECT_EQ(RetvalParameter(error_info), &error_info.parameters[0]);
  EXPECT_TRUE(error_info.parameters[0].reference_accepted);
  EXPECT_EQ(RetvalParameter(find(29, MemberKind::kMethod))->passing, ParameterPassing::kRetval);
}

// --- Kinds, counts and argument errors ---------------------------------------------------

using DispatchErrors = DispatchTest;

TEST_F(DispatchErrors, EachMemberAnswersOnlyItsKindAndCount) {
  const Var extra = I4(0);
  for (const Known& k : kInterface) {
    SCOPED_TRACE(Narrow(k.name));
    if (k.id == 15) continue;  // may take one argument more: see DispatchErrorInfo below
    if (k.property) {
      EXPECT_EQ(Invoke(object_, k.id, DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
      EXPECT_EQ(Invoke(object_, k.id, DISPATCH_PROPERTYGET, {&extra}).hr, DISP_E_BADPARAMCOUNT);
      EXPECT_EQ(Invoke(object_, k.id, DISPATCH_PROPERTYPUT, {&extra, &extra}, {DISPID_PROPERTYPUT}).hr,
                DISP_E_BADPARAMCOUNT);
    } else {
      EXPECT_EQ(Put(object_, k.id, extra).hr, DISP_E_MEMBERNOTFOUND);
      std::vector<const VARIANT*> too_many(k.arguments + 1, &extra);
      EXPECT_EQ(Invoke(object_, k.id, DISPATCH_METHOD, too_many).hr, DISP_E_BADPARAMCOUNT);
      if (k.arguments > 0) {
        std::vector<const VARIANT*> too_few(k.arguments - 1, &extra);
        EXPECT_EQ(Invoke(object_, k.id, DISPATCH_METHOD, too_few).hr, DISP_E_BADPARAMCOUNT);
      }
    }
  }
}

TEST_F(DispatchErrors, UnknownDispidsAndFlags) {
  for (DISPID id : {0, 16, 26, 31, -1, 1000}) {
    EXPECT_EQ(Get(object_, id).hr, DISP_E_MEMBERNOTFOUND) << id;
  }
  EXPECT_EQ(Invoke(object_, 27, 0, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(object_, 27, DISPATCH_PROPERTYPUTREF, {}).hr, DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchErrors, ArgumentsThatDoNotConvertAreNamed) {
  const Var file = Text(u"t.jpg");
  const Var word = Text(u"wide");
  const Var one = I4(1);
  const Var huge = R8(3e10);
  // Arguments in rgvarg run last first: the second of three sits at index 1.
  Outcome mismatch = Invoke(object_, 4, DISPATCH_METHOD, {&file, &word, &one});
  EXPECT_EQ(mismatch.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(mismatch.arg_error, 1u);
  Outcome overflow = Invoke(object_, 3, DISPATCH_METHOD, {&file, &one, &one, &huge});
  EXPECT_EQ(overflow.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(overflow.arg_error, 0u);
  Outcome first = Invoke(object_, 14, DISPATCH_METHOD, {&file, &word, &one, &one, &one});
  EXPECT_EQ(first.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(first.arg_error, 3u);
  Outcome null_put = Put(object_, 27, Null());
  EXPECT_EQ(null_put.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(null_put.arg_error, 0u);
  Outcome negative_colour = Put(object_, 7, I4(-1));
  EXPECT_EQ(negative_colour.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(negative_colour.arg_error, 0u);
}

TEST_F(DispatchErrors, NamedArguments) {
  const Var value = I4(90);
  EXPECT_EQ(Invoke(object_, 27, DISPATCH_PROPERTYPUT, {&value}).hr, DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Invoke(object_, 27, DISPATCH_PROPERTYPUT, {&value}, {0}).hr, DISP_E_NONAMEDARGS);
  const Var path = Text(u"a.jpg");
  EXPECT_EQ(Invoke(object_, 5, DISPATCH_METHOD, {&path}, {0}).hr, DISP_E_NONAMEDARGS);
  EXPECT_EQ(Invoke(object_, 5, DISPATCH_METHOD, {&path}, {DISPID_PROPERTYPUT}).hr, DISP_E_NONAMEDARGS);
  // More names than arguments: refused before any name is read, also when the count of
  // names runs far past the array that holds them.
  EXPECT_EQ(Invoke(object_, 27, DISPATCH_PROPERTYPUT, {&value}, {DISPID_PROPERTYPUT, DISPID_PROPERTYPUT}).hr,
            DISP_E_BADPARAMCOUNT);
  DISPID one_name = DISPID_PROPERTYPUT;
  VARIANT argument = value;
  for (UINT names : {2u, 1000u, 0xFFFFFFFFu}) {
    DISPPARAMS params{&argument, &one_name, 1, names};
    EXPECT_EQ(object_->Invoke(27, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT)
        << names;
  }
  DISPPARAMS no_arguments{nullptr, &one_name, 0, 1};
  EXPECT_EQ(object_->Invoke(27, IID_NULL, 0, DISPATCH_PROPERTYPUT, &no_arguments, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  LONG quality = 0;
  object_->get_Quality(&quality);
  EXPECT_EQ(quality, 80);  // none of these reached the object
}

TEST_F(DispatchErrors, MissingParametersOrRiid) {
  UINT arg_error = 0;
  EXPECT_EQ(object_->Invoke(27, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, &arg_error),
            E_INVALIDARG);
  DISPPARAMS no_array{nullptr, nullptr, 1, 0};
  EXPECT_EQ(object_->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &no_array, nullptr, nullptr, nullptr), E_INVALIDARG);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(object_->Invoke(27, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

// --- Values through Invoke on the real object --------------------------------------------

using DispatchValues = DispatchTest;

TEST_F(DispatchValues, PropertiesRoundTrip) {
  EXPECT_EQ(Put(object_, 21, I4(5)).hr, S_OK);
  Outcome visible = Get(object_, 21);
  EXPECT_EQ(visible.result.vt, VT_I4);
  EXPECT_EQ(visible.result.lVal, 1);

  EXPECT_EQ(Put(object_, 27, I4(250)).hr, S_OK);
  EXPECT_EQ(Get(object_, 27).result.lVal, 250);
  EXPECT_EQ(Put(object_, 27, Text(u" -3 ")).hr, S_OK);  // converted, not clamped
  EXPECT_EQ(Get(object_, 27).result.lVal, -3);
  EXPECT_EQ(Put(object_, 27, R8(2.5)).hr, S_OK);
  EXPECT_EQ(Get(object_, 27).result.lVal, 2);

  EXPECT_EQ(Put(object_, 7, UI4(0x00FF8040)).hr, S_OK);
  Outcome colour = Get(object_, 7);
  EXPECT_EQ(colour.result.vt, VT_UI4);
  EXPECT_EQ(colour.result.ulVal, 0x00FF8040u);
  EXPECT_EQ(Put(object_, 20, Text(u"&HFFFFFFFF")).hr, S_OK);
  EXPECT_EQ(Get(object_, 20).result.ulVal, 0xFFFFFFFFu);

  // IResize2: a switch reads back 0 or 1; a filter that does not exist is refused.
  EXPECT_EQ(Put(object_, 100, I4(7)).hr, S_OK);
  EXPECT_EQ(Get(object_, 100).result.lVal, 1);
  EXPECT_EQ(Put(object_, 101, I4(2)).hr, S_OK);
  Outcome refused = Put(object_, 101, I4(3));
  EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(refused.exception.scode, E_INVALIDARG);
  EXPECT_EQ(Get(object_, 101).result.lVal, 2);
  EXPECT_EQ(Put(object_, 106, UI4(0x00336699)).hr, S_OK);
  EXPECT_EQ(Get(object_, 106).result.ulVal, 0x00336699u);
}

TEST_F(DispatchValues, FontNameIsCopiedBothWays) {
  Var name = Text(u"DejaVu Sans");
  EXPECT_EQ(Put(object_, 11, name).hr, S_OK);
  Outcome read = Get(object_, 11);
  ASSERT_EQ(read.result.vt, VT_BSTR);
  EXPECT_NE(read.result.bstrVal, name.bstrVal);
  EXPECT_EQ(Narrow(read.result.bstrVal), "DejaVu Sans");
  // A number is converted to its text for a BSTR parameter, and that text freed after.
  EXPECT_EQ(Put(object_, 11, R8(1.5)).hr, S_OK);
  EXPECT_EQ(Narrow(Get(object_, 11).result.bstrVal), "1.5");
}

// --- GetErrorInfo: its result, or the variable of the older call shape --------------------

using DispatchErrorInfo = DispatchTest;

void FailALoad(IDispatch* object) {
  const Var missing = Text(u"/nonexistent/dir/photo.jpg");
  ASSERT_EQ(Invoke(object, 1, DISPATCH_METHOD, {&missing}).hr, S_FALSE);
}

TEST_F(DispatchErrorInfo, ReturnsTheTextAsItsResult) {
  for (WORD flags : {WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET), DISPATCH_METHOD}) {
    Outcome empty = Invoke(object_, 15, flags, {});
    EXPECT_EQ(empty.hr, S_OK);
    ASSERT_EQ(empty.result.vt, VT_BSTR);
    ASSERT_NE(empty.result.bstrVal, nullptr);  // a new string, though empty
    EXPECT_EQ(SysStringLen(empty.result.bstrVal), 0u);
  }
  FailALoad(object_);
  Outcome first = Invoke(object_, 15, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
  Outcome second = Invoke(object_, 15, DISPATCH_METHOD, {});
  EXPECT_EQ(Narrow(first.result.bstrVal), "Source image file open failed!");
  EXPECT_EQ(Narrow(second.result.bstrVal), "Source image file open failed!");
  EXPECT_NE(first.result.bstrVal, second.result.bstrVal);
  // A caller that takes no result gets none, and nothing is left behind.
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(object_->Invoke(15, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  // Only a method: it is no property.
  EXPECT_EQ(Get(object_, 15).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Put(object_, 15, Text(u"x")).hr, DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchErrorInfo, FillsAStringPassedByReference) {
  FailALoad(object_);
  BSTR callers = SysAllocString(u"the caller's");
  BSTR slot = callers;
  Var ref = Ref(VT_BSTR, &slot);
  Outcome call = Invoke(object_, 15, DISPATCH_METHOD, {&ref});
  EXPECT_EQ(call.hr, S_OK);
  EXPECT_EQ(call.result.vt, VT_EMPTY);
  ASSERT_NE(slot, callers);
  EXPECT_EQ(Narrow(slot), "Source image file open failed!");
  EXPECT_EQ(Narrow(callers), "the caller's");  // overwritten in the slot, not freed
  SysFreeString(slot);
  SysFreeString(callers);
}

TEST_F(DispatchErrorInfo, AssignsAVariantPassedByReference) {
  FailALoad(object_);
  // A script's variable: empty, or holding a string of its own that the assignment replaces.
  Var empty;
  Var holding = Text(u"old value");
  for (Var* variable : {&empty, &holding}) {
    Var ref = Ref(VT_VARIANT, static_cast<VARIANT*>(variable));
    Outcome call = Invoke(object_, 15, DISPATCH_METHOD, {&ref});
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.result.vt, VT_EMPTY);
    ASSERT_EQ(variable->vt, VT_BSTR);
    EXPECT_EQ(Narrow(variable->bstrVal), "Source image file open failed!");
  }
  // A variable that itself refers elsewhere is assigned without touching what it referred to.
  LONG number = 7;
  Var referring = Ref(VT_I4, &number);
  Var ref = Ref(VT_VARIANT, static_cast<VARIANT*>(&referring));
  EXPECT_EQ(Invoke(object_, 15, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {&ref}).hr, S_OK);
  EXPECT_EQ(referring.vt, VT_BSTR);
  EXPECT_EQ(number, 7);
}

TEST_F(DispatchErrorInfo, RefusesOtherArguments) {
  const Var by_value = Text(u"");
  Outcome plain = Invoke(object_, 15, DISPATCH_METHOD, {&by_value});
  EXPECT_EQ(plain.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(plain.arg_error, 0u);
  EXPECT_EQ(plain.result.vt, VT_EMPTY);
  EXPECT_EQ(by_value.vt, VT_BSTR);  // still the caller's, freed by it
  LONG number = 0;
  Var long_ref = Ref(VT_I4, &number);
  EXPECT_EQ(Invoke(object_, 15, DISPATCH_METHOD, {&long_ref}).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(number, 0);
  BSTR text = nullptr;
  Var ref = Ref(VT_BSTR, &text);
  EXPECT_EQ(Invoke(object_, 15, DISPATCH_METHOD, {&ref, &ref}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(text, nullptr);
  // A null reference reaches the member, which refuses it.
  for (VARTYPE type : {VT_BSTR, VT_VARIANT}) {
    Var null_ref = Ref(type, nullptr);
    Outcome call = Invoke(object_, 15, DISPATCH_METHOD, {&null_ref});
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, E_POINTER);
  }
}

TEST_F(DispatchValues, ErrorTextAfterAFailedLoad) {
  const Var missing = Text(u"/nonexistent/dir/photo.jpg");
  EXPECT_EQ(Invoke(object_, 1, DISPATCH_METHOD, {&missing}).hr, S_FALSE);
  BSTR text = nullptr;
  Var ref = Ref(VT_BSTR, &text);
  EXPECT_EQ(Invoke(object_, 15, DISPATCH_METHOD, {&ref}).hr, S_OK);
  EXPECT_EQ(Narrow(text), "Source image file open failed!");
  SysFreeString(text);
}

TEST_F(DispatchValues, RetvalMethodsAnswerScripts) {
  // Scripts ask for a method with a value as method and property get at once.
  Outcome width = Invoke(object_, 29, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(width.hr, S_OK);
  EXPECT_EQ(width.result.vt, VT_I4);
  EXPECT_EQ(width.result.lVal, -1);
  EXPECT_EQ(Invoke(object_, 30, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}).result.lVal, -1);
  EXPECT_EQ(Invoke(object_, 27, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}).result.lVal, 80);
  // Without a result VARIANT the value is dropped, also a string.
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(object_->Invoke(11, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(DispatchValues, MemberFailuresBecomeExceptions) {
  Var null_ref = Ref(VT_BSTR, nullptr);
  Outcome call = Invoke(object_, 15, DISPATCH_METHOD, {&null_ref});
  EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(call.exception.scode, E_POINTER);
  DISPPARAMS params{&null_ref, nullptr, 1, 0};
  EXPECT_EQ(object_->Invoke(15, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_EXCEPTION);
}

// --- Every slot through a recording stand-in ---------------------------------------------

std::string Show(BSTR v) { return vx::test::Narrow(v); }
template <typename T>
std::string Show(T v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

template <typename... Args>
std::string Describe(const char* member, Args... args) {
  std::string text = std::string(member) + "(";
  ((text += Show(args) + ","), ...);
  if (text.back() == ',') text.pop_back();
  return text + ")";
}

// Records each call as "Member(arg,...)", and answers with `answer`; getters hand out
// a value, BSTR getters a new string.
class RecordingResize final : public IResize2 {
 public:
  HRESULT answer = S_OK;
  std::string last_call;

  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, OLECHAR** names, UINT count, LCID, DISPID* ids) override {
    return ResizeGetIDsOfNames(names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* arg_error) override {
    return ResizeInvoke(this, id, flags, params, result, exception, arg_error);
  }

  HRESULT LoadSourceImage(BSTR a) override { return Record(Describe("LoadSourceImage", a)); }
  HRESULT AddImageMark(BSTR a, LONG b, LONG c) override { return Record(Describe("AddImageMark", a, b, c)); }
  HRESULT MakeThumbImage(BSTR a, double b, double c, LONG d) override {
    return Record(Describe("MakeThumbImage", a, b, c, d));
  }
  HRESULT AddTextMark(BSTR a, LONG b, LONG c) override { return Record(Describe("AddTextMark", a, b, c)); }
  HRESULT MakeMarkImage(BSTR a) override { return Record(Describe("MakeMarkImage", a)); }
  HRESULT MakeCropImage(BSTR a, LONG b, LONG c, LONG d, LONG e) override {
    return Record(Describe("MakeCropImage", a, b, c, d, e));
  }
  HRESULT GetErrorInfo(BSTR* a) override {
    *a = SysAllocString(u"recorded");
    return Record("GetErrorInfo");
  }
  HRESULT GetSourceImageWidth(LONG* a) override { *a = 640; return Record("GetSourceImageWidth"); }
  HRESULT GetSourceImageHeight(LONG* a) override { *a = 480; return Record("GetSourceImageHeight"); }
  HRESULT GetSourceFileWidth(LONG* a) override { *a = 6000; return Record("GetSourceFileWidth"); }
  HRESULT GetSourceFileHeight(LONG* a) override { *a = 4000; return Record("GetSourceFileHeight"); }
  HRESULT MakeFitImage(BSTR a, LONG b, LONG c) override { return Record(Describe("MakeFitImage", a, b, c)); }
  HRESULT MakeFillImage(BSTR a, LONG b, LONG c) override { return Record(Describe("MakeFillImage", a, b, c)); }
  HRESULT ClearErrorInfo() override { return Record("ClearErrorInfo"); }

#define VX_RECORDED_PROPERTY(Name, Type, sample)                                    \
  HRESULT get_##Name(Type* value) override { *value = sample; return Record("get_" #Name); } \
  HRESULT put_##Name(Type value) override { return Record(Describe("put_" #Name, value)); }
  VX_RECORDED_PROPERTY(TextMarkBold, LONG, 6)
  VX_RECORDED_PROPERTY(TextMarkColor, OLE_COLOR, 7)
  VX_RECORDED_PROPERTY(TextMarkHeight, LONG, 8)
  VX_RECORDED_PROPERTY(TextMarkItatic, LONG, 9)
  VX_RECORDED_PROPERTY(TextMarkUnderline, LONG, 10)
  VX_RECORDED_PROPERTY(TextMarkFontName, BSTR, SysAllocString(u"eleven"))
  VX_RECORDED_PROPERTY(MarkTransparent, LONG, 12)
  VX_RECORDED_PROPERTY(TextMarkAreaWidth, LONG, 13)
  VX_RECORDED_PROPERTY(MarkPos, LONG, 17)
  VX_RECORDED_PROPERTY(MarkPosOffsetX, LONG, 18)
  VX_RECORDED_PROPERTY(MarkPosOffsetY, LONG, 19)
  VX_RECORDED_PROPERTY(TextMarkShadowColor, OLE_COLOR, 20)
  VX_RECORDED_PROPERTY(TextMarkShadowVisible, LONG, 21)
  VX_RECORDED_PROPERTY(TextMarkShadowDistance, LONG, 22)
  VX_RECORDED_PROPERTY(TextMarkShadowAngle, LONG, 23)
  VX_RECORDED_PROPERTY(TextMarkShadowSize, LONG, 24)
  VX_RECORDED_PROPERTY(TextMarkShadowTransparent, LONG, 25)
  VX_RECORDED_PROPERTY(Quality, LONG, 27)
  VX_RECORDED_PROPERTY(TextMarkRotate, LONG, 28)
  VX_RECORDED_PROPERTY(AutoOrient, LONG, 100)
  VX_RECORDED_PROPERTY(ResampleFilter, LONG, 101)
  VX_RECORDED_PROPERTY(LoadMinWidth, LONG, 102)
  VX_RECORDED_PROPERTY(LoadMinHeight, LONG, 103)
  VX_RECORDED_PROPERTY(BackgroundColor, OLE_COLOR, 106)
  VX_RECORDED_PROPERTY(ColorManage, LONG, 110)
  VX_RECORDED_PROPERTY(KeepMetadata, LONG, 111)
  VX_RECORDED_PROPERTY(Progressive, LONG, 112)
  VX_RECORDED_PROPERTY(ChromaSubsampling, LONG, 113)
  VX_RECORDED_PROPERTY(OptimizeCoding, LONG, 114)
#undef VX_RECORDED_PROPERTY

 private:
  HRESULT Record(std::string call) {
    last_call = std::move(call);
    return answer;
  }
};

using DispatchSlots = BstrLeakCheck;

TEST_F(DispatchSlots, MethodArgumentsArriveInDeclarationOrder) {
  RecordingResize object;
  const Var file = Text(u"out.jpg");
  const Var one = I4(1), two = Text(u"2"), three = R8(3.4), four = Bool(true);
  EXPECT_EQ(Invoke(&object, 14, DISPATCH_METHOD, {&file, &one, &two, &three, &four}).hr, S_OK);
  EXPECT_EQ(object.last_call, "MakeCropImage(out.jpg,1,2,3,-1)");
  EXPECT_EQ(Invoke(&object, 3, DISPATCH_METHOD, {&file, &three, &two, &one}).hr, S_OK);
  EXPECT_EQ(object.last_call, "MakeThumbImage(out.jpg,3.4,2,1)");
  EXPECT_EQ(Invoke(&object, 2, DISPATCH_METHOD, {&file, &two, &one}).hr, S_OK);
  EXPECT_EQ(object.last_call, "AddImageMark(out.jpg,2,1)");
  EXPECT_EQ(Invoke(&object, 4, DISPATCH_METHOD, {&one, &one, &two}).hr, S_OK);
  EXPECT_EQ(object.last_call, "AddTextMark(1,1,2)");
  EXPECT_EQ(Invoke(&object, 1, DISPATCH_METHOD, {&file}).hr, S_OK);
  EXPECT_EQ(object.last_call, "LoadSourceImage(out.jpg)");
  EXPECT_EQ(Invoke(&object, 5, DISPATCH_METHOD, {&file}).hr, S_OK);
  EXPECT_EQ(object.last_call, "MakeMarkImage(out.jpg)");
  EXPECT_EQ(Invoke(&object, 29, DISPATCH_METHOD, {}).result.lVal, 640);
  EXPECT_EQ(Invoke(&object, 30, DISPATCH_METHOD, {}).result.lVal, 480);
  EXPECT_EQ(Invoke(&object, 104, DISPATCH_METHOD, {}).result.lVal, 6000);
  EXPECT_EQ(Invoke(&object, 105, DISPATCH_METHOD, {}).result.lVal, 4000);
  EXPECT_EQ(Invoke(&object, 107, DISPATCH_METHOD, {&file, &one, &two}).hr, S_OK);
  EXPECT_EQ(object.last_call, "MakeFitImage(out.jpg,1,2)");
  EXPECT_EQ(Invoke(&object, 108, DISPATCH_METHOD, {&file, &two, &one}).hr, S_OK);
  EXPECT_EQ(object.last_call, "MakeFillImage(out.jpg,2,1)");
  EXPECT_EQ(Invoke(&object, 109, DISPATCH_METHOD, {}).hr, S_OK);
  EXPECT_EQ(object.last_call, "ClearErrorInfo");
}

TEST_F(DispatchSlots, EveryPropertyRowCallsItsOwnAccessor) {
  RecordingResize object;
  const Var value = I4(42);
  for (const Member& m : ResizeMembers()) {
    const std::string name = Narrow(m.name);
    if (m.kind == MemberKind::kPropertyGet) {
      Outcome got = Get(&object, m.id);
      EXPECT_EQ(object.last_call, "get_" + name);
      if (got.result.vt == VT_BSTR) {
        EXPECT_EQ(vx::test::Narrow(got.result.bstrVal), "eleven");
      } else {
        Var as_long;
        ASSERT_EQ(VariantChangeType(&as_long, &got.result, 0, VT_I4), S_OK);
        EXPECT_EQ(as_long.lVal, m.id) << name;
      }
    } else if (m.kind == MemberKind::kPropertyPut) {
      EXPECT_EQ(Put(&object, m.id, value).hr, S_OK);
      EXPECT_EQ(object.last_call, "put_" + name + "(42)");
    }
  }
}

TEST_F(DispatchSlots, SuccessCodesPassAndFailuresBecomeExceptions) {
  RecordingResize object;
  object.answer = S_FALSE;
  const Var file = Text(u"a.png");
  EXPECT_EQ(Invoke(&object, 1, DISPATCH_METHOD, {&file}).hr, S_FALSE);
  Outcome width = Invoke(&object, 29, DISPATCH_METHOD, {});
  EXPECT_EQ(width.hr, S_FALSE);
  EXPECT_EQ(width.result.lVal, 640);

  object.answer = E_NOTIMPL;
  Outcome failed = Invoke(&object, 4, DISPATCH_METHOD, {&file, &file, &file});
  EXPECT_EQ(failed.hr, DISP_E_TYPEMISMATCH);  // "a.png" is no long: stopped before the call
  const Var one = I4(1);
  Outcome called = Invoke(&object, 4, DISPATCH_METHOD, {&file, &one, &one});
  EXPECT_EQ(called.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(called.exception.scode, E_NOTIMPL);
  EXPECT_EQ(called.exception.bstrDescription, nullptr);
  // A failing getter's string is not handed out, and not leaked.
  Outcome font = Get(&object, 11);
  EXPECT_EQ(font.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(font.result.vt, VT_EMPTY);
  BSTR text = nullptr;
  Var ref = Ref(VT_BSTR, &text);
  EXPECT_EQ(Invoke(&object, 15, DISPATCH_METHOD, {&ref}).hr, DISP_E_EXCEPTION);
  SysFreeString(text);  // an in/out string belongs to the caller whatever the outcome
}

TEST_F(DispatchSlots, AFailedGetErrorInfoLeavesTheVariableAsItWas) {
  RecordingResize object;
  object.answer = E_NOTIMPL;  // after handing out a string, which must not leak
  Var variable = Text(u"kept");
  Var ref = Ref(VT_VARIANT, static_cast<VARIANT*>(&variable));
  EXPECT_EQ(Invoke(&object, 15, DISPATCH_METHOD, {&ref}).hr, DISP_E_EXCEPTION);
  ASSERT_EQ(variable.vt, VT_BSTR);
  EXPECT_EQ(vx::test::Narrow(variable.bstrVal), "kept");
  Outcome as_result = Invoke(&object, 15, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(as_result.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(as_result.result.vt, VT_EMPTY);
}

}  // namespace
}  // namespace vx::test
