// The member table of IResize. DISPIDs, names and help strings are those of the type
// library; the order is that of the vtable.
#include "module/member_table.h"

#include <algorithm>

namespace vx {
namespace {

using enum MemberKind;
using enum ParameterPassing;

// The automation type of a property's value.
template <typename T> constexpr VARTYPE kTypeOf = VT_EMPTY;
template <> constexpr VARTYPE kTypeOf<LONG> = VT_I4;
template <> constexpr VARTYPE kTypeOf<OLE_COLOR> = VT_UI4;
template <> constexpr VARTYPE kTypeOf<BSTR> = VT_BSTR;

template <typename T> T ValueOf(const VARIANT& v);
template <> LONG ValueOf<LONG>(const VARIANT& v) { return v.lVal; }
template <> OLE_COLOR ValueOf<OLE_COLOR>(const VARIANT& v) { return v.ulVal; }
template <> BSTR ValueOf<BSTR>(const VARIANT& v) { return v.bstrVal; }

template <typename T>
constexpr MemberParameter kGetterParameters[] = {{u"pVal", kTypeOf<T>, kRetval}};
template <typename T>
constexpr MemberParameter kSetterParameters[] = {{u"newVal", kTypeOf<T>, kIn}};

template <typename T, HRESULT (IResize::*getter)(T*)>
HRESULT CallGetter(IResize* object, const VARIANT* args) {
  return (object->*getter)(static_cast<T*>(args[0].byref));
}

template <typename T, HRESULT (IResize::*setter)(T)>
HRESULT CallSetter(IResize* object, const VARIANT* args) {
  return (object->*setter)(ValueOf<T>(args[0]));
}

template <typename T, HRESULT (IResize::*getter)(T*)>
constexpr Member Getter(std::u16string_view name, DISPID id, std::u16string_view help) {
  return {name, id, kPropertyGet, kGetterParameters<T>, help, &CallGetter<T, getter>};
}

template <typename T, HRESULT (IResize::*setter)(T)>
constexpr Member Setter(std::u16string_view name, DISPID id, std::u16string_view help) {
  return {name, id, kPropertyPut, kSetterParameters<T>, help, &CallSetter<T, setter>};
}

constexpr MemberParameter kLoadSourceImage[] = {{u"strImageFile", VT_BSTR, kIn}};
constexpr MemberParameter kAddImageMark[] = {
    {u"strMarkImageFile", VT_BSTR, kIn}, {u"lPosX", VT_I4, kIn}, {u"lPosY", VT_I4, kIn}};
constexpr MemberParameter kMakeThumbImage[] = {{u"strTargetImageFile", VT_BSTR, kIn},
                                               {u"dWidth", VT_R8, kIn},
                                               {u"dHeight", VT_R8, kIn},
                                               {u"lThumbType", VT_I4, kIn}};
constexpr MemberParameter kAddTextMark[] = {
    {u"strText", VT_BSTR, kIn}, {u"lPosX", VT_I4, kIn}, {u"lPosY", VT_I4, kIn}};
constexpr MemberParameter kMakeMarkImage[] = {{u"strTargetImageFile", VT_BSTR, kIn}};
constexpr MemberParameter kMakeCropImage[] = {{u"strTargetImage", VT_BSTR, kIn},
                                              {u"lPosX", VT_I4, kIn},
                                              {u"lPosY", VT_I4, kIn},
                                              {u"lWidth", VT_I4, kIn},
                                              {u"lHeight", VT_I4, kIn}};
constexpr MemberParameter kGetErrorInfo[] = {{u"pstrErrorInfo", VT_BSTR, kInOut}};

constexpr Member kMembers[] = {
    {u"LoadSourceImage", 1, kMethod, kLoadSourceImage, u"method LoadImage",
     [](IResize* o, const VARIANT* a) { return o->LoadSourceImage(a[0].bstrVal); }},
    {u"AddImageMark", 2, kMethod, kAddImageMark, u"method LoadMarkImage",
     [](IResize* o, const VARIANT* a) { return o->AddImageMark(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {u"MakeThumbImage", 3, kMethod, kMakeThumbImage, u"method MakeThumbImage",
     [](IResize* o, const VARIANT* a) {
       return o->MakeThumbImage(a[0].bstrVal, a[1].dblVal, a[2].dblVal, a[3].lVal);
     }},
    {u"AddTextMark", 4, kMethod, kAddTextMark, u"method AddTextMark",
     [](IResize* o, const VARIANT* a) { return o->AddTextMark(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {u"MakeMarkImage", 5, kMethod, kMakeMarkImage, u"method MakeMarkImage",
     [](IResize* o, const VARIANT* a) { return o->MakeMarkImage(a[0].bstrVal); }},
    Getter<LONG, &IResize::get_TextMarkBold>(u"TextMarkBold", 6, u"property TextMarkBold"),
    Setter<LONG, &IResize::put_TextMarkBold>(u"TextMarkBold", 6, u"property TextMarkBold"),
    Getter<OLE_COLOR, &IResize::get_TextMarkColor>(u"TextMarkColor", 7, u"property TextMarkColor"),
    Setter<OLE_COLOR, &IResize::put_TextMarkColor>(u"TextMarkColor", 7, u"property TextMarkColor"),
    Getter<LONG, &IResize::get_TextMarkHeight>(u"TextMarkHeight", 8, u"property TextMarkHeight"),
    Setter<LONG, &IResize::put_TextMarkHeight>(u"TextMarkHeight", 8, u"property TextMarkHeight"),
    Getter<LONG, &IResize::get_TextMarkItatic>(u"TextMarkItatic", 9, u"property TextMarkItatic"),
    Setter<LONG, &IResize::put_TextMarkItatic>(u"TextMarkItatic", 9, u"property TextMarkItatic"),
    Getter<LONG, &IResize::get_TextMarkUnderline>(u"TextMarkUnderline", 10, u"property TextMarkUnderline"),
    Setter<LONG, &IResize::put_TextMarkUnderline>(u"TextMarkUnderline", 10, u"property TextMarkUnderline"),
    Getter<BSTR, &IResize::get_TextMarkFontName>(u"TextMarkFontName", 11, u"property TextMarkFontName"),
    Setter<BSTR, &IResize::put_TextMarkFontName>(u"TextMarkFontName", 11, u"property TextMarkFontName"),
    Getter<LONG, &IResize::get_MarkTransparent>(u"MarkTransparent", 12, u"property MarkTransparent"),
    Setter<LONG, &IResize::put_MarkTransparent>(u"MarkTransparent", 12, u"property MarkTransparent"),
    Getter<LONG, &IResize::get_TextMarkAreaWidth>(u"TextMarkAreaWidth", 13, u"property TextMarkWidth"),
    Setter<LONG, &IResize::put_TextMarkAreaWidth>(u"TextMarkAreaWidth", 13, u"property TextMarkWidth"),
    {u"MakeCropImage", 14, kMethod, kMakeCropImage, u"method MakeCropImage",
     [](IResize* o, const VARIANT* a) {
       return o->MakeCropImage(a[0].bstrVal, a[1].lVal, a[2].lVal, a[3].lVal, a[4].lVal);
     }},
    {u"GetErrorInfo", 15, kMethod, kGetErrorInfo, u"method GetErrorInfo",
     [](IResize* o, const VARIANT* a) { return o->GetErrorInfo(a[0].pbstrVal); }},
    Getter<LONG, &IResize::get_MarkPos>(u"MarkPos", 17, u"property MarkPos"),
    Setter<LONG, &IResize::put_MarkPos>(u"MarkPos", 17, u"property MarkPos"),
    Getter<LONG, &IResize::get_MarkPosOffsetX>(u"MarkPosOffsetX", 18, u"property MarkPosOffsetX"),
    Setter<LONG, &IResize::put_MarkPosOffsetX>(u"MarkPosOffsetX", 18, u"property MarkPosOffsetX"),
    Getter<LONG, &IResize::get_MarkPosOffsetY>(u"MarkPosOffsetY", 19, u"property MarkPosOffsetY"),
    Setter<LONG, &IResize::put_MarkPosOffsetY>(u"MarkPosOffsetY", 19, u"property MarkPosOffsetY"),
    Getter<OLE_COLOR, &IResize::get_TextMarkShadowColor>(u"TextMarkShadowColor", 20,
                                                         u"property TextMarkShadowColor"),
    Setter<OLE_COLOR, &IResize::put_TextMarkShadowColor>(u"TextMarkShadowColor", 20,
                                                         u"property TextMarkShadowColor"),
    Getter<LONG, &IResize::get_TextMarkShadowVisible>(u"TextMarkShadowVisible", 21,
                                                      u"property TextMarkShadowVisible"),
    Setter<LONG, &IResize::put_TextMarkShadowVisible>(u"TextMarkShadowVisible", 21,
                                                      u"property TextMarkShadowVisible"),
    Getter<LONG, &IResize::get_TextMarkShadowDistance>(u"TextMarkShadowDistance", 22,
                                                       u"property TextMarkShadowDistance"),
    Setter<LONG, &IResize::put_TextMarkShadowDistance>(u"TextMarkShadowDistance", 22,
                                                       u"property TextMarkShadowDistance"),
    Getter<LONG, &IResize::get_TextMarkShadowAngle>(u"TextMarkShadowAngle", 23, u"property TextMarkShadowAngle"),
    Setter<LONG, &IResize::put_TextMarkShadowAngle>(u"TextMarkShadowAngle", 23, u"property TextMarkShadowAngle"),
    Getter<LONG, &IResize::get_TextMarkShadowSize>(u"TextMarkShadowSize", 24, u"property TextMarkShadowSize"),
    Setter<LONG, &IResize::put_TextMarkShadowSize>(u"TextMarkShadowSize", 24, u"property TextMarkShadowSize"),
    Getter<LONG, &IResize::get_TextMarkShadowTransparent>(u"TextMarkShadowTransparent", 25,
                                                          u"property TextMarkShadowOpacity"),
    Setter<LONG, &IResize::put_TextMarkShadowTransparent>(u"TextMarkShadowTransparent", 25,
                                                          u"property TextMarkShadowOpacity"),
    Getter<LONG, &IResize::get_Quality>(u"Quality", 27, u"property Quality"),
    Setter<LONG, &IResize::put_Quality>(u"Quality", 27, u"property Quality"),
    Getter<LONG, &IResize::get_TextMarkRotate>(u"TextMarkRotate", 28, u"property TextMarkRotate"),
    Setter<LONG, &IResize::put_TextMarkRotate>(u"TextMarkRotate", 28, u"property TextMarkRotate"),
    {u"GetSourceImageWidth", 29, kMethod, kGetterParameters<LONG>, u"method GetSourceImageWidth",
     &CallGetter<LONG, &IResize::GetSourceImageWidth>},
    {u"GetSourceImageHeight", 30, kMethod, kGetterParameters<LONG>, u"method GetSourceImageHeight",
     &CallGetter<LONG, &IResize::GetSourceImageHeight>},
};

constexpr bool ParameterListsFit() {
  return std::ranges::all_of(kMembers, [](const Member& m) { return m.parameters.size() <= kMostParameters; });
}
static_assert(ParameterListsFit());

}  // namespace

std::span<const Member> ResizeMembers() { return kMembers; }

const Member* FindMember(DISPID id, WORD flags) {
  const auto asked = [flags](MemberKind kind) {
    switch (kind) {
      case kMethod: return (flags & DISPATCH_METHOD) != 0;
      case kPropertyGet: return (flags & DISPATCH_PROPERTYGET) != 0;
      case kPropertyPut: return (flags & DISPATCH_PROPERTYPUT) != 0;
    }
    return false;
  };
  for (const Member& m : kMembers) {
    if (m.id == id && asked(m.kind)) return &m;
  }
  return nullptr;
}

std::size_t ArgumentCount(const Member& member) {
  return std::ranges::count_if(member.parameters, [](const MemberParameter& p) { return p.passing != kRetval; });
}

const MemberParameter* RetvalParameter(const Member& member) {
  const auto it = std::ranges::find(member.parameters, kRetval, &MemberParameter::passing);
  return it == member.parameters.end() ? nullptr : &*it;
}

}  // namespace vx
