// The member table of IResize2, IResize's members first. DISPIDs, names and help strings
// are those of the type library; the order is that of the vtable.
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
constexpr MemberParameter kGetterParameters[] = {{OLESTR("pVal"), kTypeOf<T>, kRetval}};
template <typename T>
constexpr MemberParameter kSetterParameters[] = {{OLESTR("newVal"), kTypeOf<T>, kIn}};

// getter and setter: pointers to members of IResize or IResize2.
template <typename T, auto getter>
HRESULT CallGetter(IResize2* object, const VARIANT* args) {
  return (object->*getter)(static_cast<T*>(args[0].byref));
}

template <typename T, auto setter>
HRESULT CallSetter(IResize2* object, const VARIANT* args) {
  return (object->*setter)(ValueOf<T>(args[0]));
}

template <typename T, auto getter>
constexpr Member Getter(OleStringView name, DISPID id, OleStringView help) {
  return {name, id, kPropertyGet, kGetterParameters<T>, help, &CallGetter<T, getter>};
}

template <typename T, auto setter>
constexpr Member Setter(OleStringView name, DISPID id, OleStringView help) {
  return {name, id, kPropertyPut, kSetterParameters<T>, help, &CallSetter<T, setter>};
}

// The two rows of a property: its getter, then its setter.
#define VX_PROPERTY_ROWS(Type, Name, id, help)                    \
  Getter<Type, &IResize2::get_##Name>(OLESTR(#Name), id, help), \
      Setter<Type, &IResize2::put_##Name>(OLESTR(#Name), id, help)

constexpr MemberParameter kLoadSourceImage[] = {{OLESTR("strImageFile"), VT_BSTR, kIn}};
constexpr MemberParameter kAddImageMark[] = {{OLESTR("strMarkImageFile"), VT_BSTR, kIn},
                                             {OLESTR("lPosX"), VT_I4, kIn},
                                             {OLESTR("lPosY"), VT_I4, kIn}};
constexpr MemberParameter kMakeThumbImage[] = {{OLESTR("strTargetImageFile"), VT_BSTR, kIn},
                                               {OLESTR("dWidth"), VT_R8, kIn},
                                               {OLESTR("dHeight"), VT_R8, kIn},
                                               {OLESTR("lThumbType"), VT_I4, kIn}};
constexpr MemberParameter kAddTextMark[] = {{OLESTR("strText"), VT_BSTR, kIn},
                                            {OLESTR("lPosX"), VT_I4, kIn},
                                            {OLESTR("lPosY"), VT_I4, kIn}};
constexpr MemberParameter kMakeMarkImage[] = {{OLESTR("strTargetImageFile"), VT_BSTR, kIn}};
constexpr MemberParameter kMakeCropImage[] = {{OLESTR("strTargetImage"), VT_BSTR, kIn},
                                              {OLESTR("lPosX"), VT_I4, kIn},
                                              {OLESTR("lPosY"), VT_I4, kIn},
                                              {OLESTR("lWidth"), VT_I4, kIn},
                                              {OLESTR("lHeight"), VT_I4, kIn}};
constexpr MemberParameter kGetErrorInfo[] = {{OLESTR("pstrErrorInfo"), VT_BSTR, kRetval, true}};
constexpr MemberParameter kBoxImage[] = {{OLESTR("strTargetImageFile"), VT_BSTR, kIn},
                                         {OLESTR("lWidth"), VT_I4, kIn},
                                         {OLESTR("lHeight"), VT_I4, kIn}};

constexpr Member kMembers[] = {
    {OLESTR("LoadSourceImage"), 1, kMethod, kLoadSourceImage, OLESTR("method LoadImage"),
     [](IResize2* o, const VARIANT* a) { return o->LoadSourceImage(a[0].bstrVal); }},
    {OLESTR("AddImageMark"), 2, kMethod, kAddImageMark, OLESTR("method LoadMarkImage"),
     [](IResize2* o, const VARIANT* a) { return o->AddImageMark(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {OLESTR("MakeThumbImage"), 3, kMethod, kMakeThumbImage, OLESTR("method MakeThumbImage"),
     [](IResize2* o, const VARIANT* a) {
       return o->MakeThumbImage(a[0].bstrVal, a[1].dblVal, a[2].dblVal, a[3].lVal);
     }},
    {OLESTR("AddTextMark"), 4, kMethod, kAddTextMark, OLESTR("method AddTextMark"),
     [](IResize2* o, const VARIANT* a) { return o->AddTextMark(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {OLESTR("MakeMarkImage"), 5, kMethod, kMakeMarkImage, OLESTR("method MakeMarkImage"),
     [](IResize2* o, const VARIANT* a) { return o->MakeMarkImage(a[0].bstrVal); }},
    VX_PROPERTY_ROWS(LONG, TextMarkBold, 6, OLESTR("property TextMarkBold")),
    VX_PROPERTY_ROWS(OLE_COLOR, TextMarkColor, 7, OLESTR("property TextMarkColor")),
    VX_PROPERTY_ROWS(LONG, TextMarkHeight, 8, OLESTR("property TextMarkHeight")),
    VX_PROPERTY_ROWS(LONG, TextMarkItatic, 9, OLESTR("property TextMarkItatic")),
    VX_PROPERTY_ROWS(LONG, TextMarkUnderline, 10, OLESTR("property TextMarkUnderline")),
    VX_PROPERTY_ROWS(BSTR, TextMarkFontName, 11, OLESTR("property TextMarkFontName")),
    VX_PROPERTY_ROWS(LONG, MarkTransparent, 12, OLESTR("property MarkTransparent")),
    VX_PROPERTY_ROWS(LONG, TextMarkAreaWidth, 13, OLESTR("property TextMarkWidth")),
    {OLESTR("MakeCropImage"), 14, kMethod, kMakeCropImage, OLESTR("method MakeCropImage"),
     [](IResize2* o, const VARIANT* a) {
       return o->MakeCropImage(a[0].bstrVal, a[1].lVal, a[2].lVal, a[3].lVal, a[4].lVal);
     }},
    {OLESTR("GetErrorInfo"), 15, kMethod, kGetErrorInfo, OLESTR("method GetErrorInfo"),
     [](IResize2* o, const VARIANT* a) { return o->GetErrorInfo(a[0].pbstrVal); }},
    VX_PROPERTY_ROWS(LONG, MarkPos, 17, OLESTR("property MarkPos")),
    VX_PROPERTY_ROWS(LONG, MarkPosOffsetX, 18, OLESTR("property MarkPosOffsetX")),
    VX_PROPERTY_ROWS(LONG, MarkPosOffsetY, 19, OLESTR("property MarkPosOffsetY")),
    VX_PROPERTY_ROWS(OLE_COLOR, TextMarkShadowColor, 20, OLESTR("property TextMarkShadowColor")),
    VX_PROPERTY_ROWS(LONG, TextMarkShadowVisible, 21, OLESTR("property TextMarkShadowVisible")),
    VX_PROPERTY_ROWS(LONG, TextMarkShadowDistance, 22, OLESTR("property TextMarkShadowDistance")),
    VX_PROPERTY_ROWS(LONG, TextMarkShadowAngle, 23, OLESTR("property TextMarkShadowAngle")),
    VX_PROPERTY_ROWS(LONG, TextMarkShadowSize, 24, OLESTR("property TextMarkShadowSize")),
    VX_PROPERTY_ROWS(LONG, TextMarkShadowTransparent, 25, OLESTR("property TextMarkShadowOpacity")),
    VX_PROPERTY_ROWS(LONG, Quality, 27, OLESTR("property Quality")),
    VX_PROPERTY_ROWS(LONG, TextMarkRotate, 28, OLESTR("property TextMarkRotate")),
    {OLESTR("GetSourceImageWidth"), 29, kMethod, kGetterParameters<LONG>,
     OLESTR("method GetSourceImageWidth"), &CallGetter<LONG, &IResize::GetSourceImageWidth>},
    {OLESTR("GetSourceImageHeight"), 30, kMethod, kGetterParameters<LONG>,
     OLESTR("method GetSourceImageHeight"), &CallGetter<LONG, &IResize::GetSourceImageHeight>},
    // IResize2
    VX_PROPERTY_ROWS(LONG, AutoOrient, 100,
                     OLESTR("property AutoOrient: 1 turns each picture loaded after it upright by its EXIF "
                            "orientation; 0 (default) loads it as stored")),
    VX_PROPERTY_ROWS(LONG, ResampleFilter, 101,
                     OLESTR("property ResampleFilter: how thumbnails are resized; 0 (default) drops or repeats "
                            "pixels, 1 averages the covered area, 2 Lanczos-3")),
    VX_PROPERTY_ROWS(LONG, LoadMinWidth, 102,
                     OLESTR("property LoadMinWidth: smallest width needed of the next picture loaded; a JPEG is "
                            "decoded at the smallest n/8 scale that keeps it; 0 (default) loads the full size")),
    VX_PROPERTY_ROWS(LONG, LoadMinHeight, 103,
                     OLESTR("property LoadMinHeight: smallest height needed of the next picture loaded; a JPEG "
                            "is decoded at the smallest n/8 scale that keeps it; 0 (default) loads the full size")),
    {OLESTR("GetSourceFileWidth"), 104, kMethod, kGetterParameters<LONG>,
     OLESTR("method GetSourceFileWidth: width of the loaded picture as the file holds it, before any shrink on "
            "load (upright when AutoOrient turned it)"),
     &CallGetter<LONG, &IResize2::GetSourceFileWidth>},
    {OLESTR("GetSourceFileHeight"), 105, kMethod, kGetterParameters<LONG>,
     OLESTR("method GetSourceFileHeight: height of the loaded picture as the file holds it, before any shrink "
            "on load (upright when AutoOrient turned it)"),
     &CallGetter<LONG, &IResize2::GetSourceFileHeight>},
    VX_PROPERTY_ROWS(OLE_COLOR, BackgroundColor, 106,
                     OLESTR("property BackgroundColor: colour that transparent PNG and GIF pixels are laid on at "
                            "the next load; black (0) by default")),
    {OLESTR("MakeFitImage"), 107, kMethod, kBoxImage,
     OLESTR("method MakeFitImage: writes a JPEG thumbnail that fits inside lWidth x lHeight keeping the "
            "picture's proportions, never enlarged"),
     [](IResize2* o, const VARIANT* a) { return o->MakeFitImage(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {OLESTR("MakeFillImage"), 108, kMethod, kBoxImage,
     OLESTR("method MakeFillImage: writes a JPEG thumbnail of exactly lWidth x lHeight that the picture fills, "
            "the overflow cut off evenly on both sides"),
     [](IResize2* o, const VARIANT* a) { return o->MakeFillImage(a[0].bstrVal, a[1].lVal, a[2].lVal); }},
    {OLESTR("ClearErrorInfo"), 109, kMethod, {}, OLESTR("method ClearErrorInfo: empties the error text that "
                                                         "GetErrorInfo returns"),
     [](IResize2* o, const VARIANT*) { return o->ClearErrorInfo(); }},
    VX_PROPERTY_ROWS(LONG, ColorManage, 110,
                     OLESTR("property ColorManage: 1 converts each picture loaded after it to sRGB by its ICC profile (PNG "
                            "gAMA and cHRM; CMYK JPEG files by a press profile when they have none); 0 (default) takes the "
                            "colours as stored")),
    VX_PROPERTY_ROWS(LONG, KeepMetadata, 111,
                     OLESTR("property KeepMetadata: 1 keeps the EXIF, XMP, IPTC and ICC profile of each picture loaded after "
                            "it in every JPEG written from it (EXIF orientation upright, its thumbnail dropped); 0 (default) "
                            "writes none")),
    VX_PROPERTY_ROWS(LONG, Progressive, 112,
                     OLESTR("property Progressive: 1 writes progressive JPEG files; 0 (default) baseline")),
    VX_PROPERTY_ROWS(LONG, ChromaSubsampling, 113,
                     OLESTR("property ChromaSubsampling: colour detail of the JPEG files written; 0 (default) full (4:4:4), "
                            "1 half the width (4:2:2), 2 half the width and height (4:2:0)")),
    VX_PROPERTY_ROWS(LONG, OptimizeCoding, 114,
                     OLESTR("property OptimizeCoding: 1 makes Huffman tables for each JPEG file written (smaller files); 0 "
                            "(default) the standard tables")),
};

#undef VX_PROPERTY_ROWS

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
