// The Resize object's properties, its error text and its lifetime.
#include "object/resize.h"

#include <algorithm>
#include <iterator>

CResize::CResize() = default;

CResize::~CResize() {
  if (TextMarkFont) {
    DeleteObject(TextMarkFont);
    TextMarkFont = nullptr;
  }
  ReleaseSource();
}

void CResize::ReleaseSource() {
  if (SourceBitmap) {
    SelectObject(SourceDC, PreviousBitmap);
    DeleteObject(SourceBitmap);
    SourceBitmap = nullptr;
  }
  if (SourceDC) {
    DeleteDC(SourceDC);
    SourceDC = nullptr;
  }
  SourceWords = nullptr;
  SourceSegments = {};
  // Without a picture there is no size, as before any load.
  SourceWidth = -1;
  SourceHeight = -1;
  SourceFileWidth = -1;
  SourceFileHeight = -1;
}

namespace {

// What every getter does: the value into the caller's variable, when it gave one.
template <class T>
HRESULT Answer(T* out, T value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

}  // namespace

// Properties: setters store the value as given; getters hand it back.

#define VX_PROPERTY(Type, Name)                                          \
  HRESULT CResize::get_##Name(Type* pVal) { return Answer(pVal, Name); } \
  HRESULT CResize::put_##Name(Type newVal) {                             \
    Name = newVal;                                                       \
    return S_OK;                                                         \
  }

VX_PROPERTY(LONG, TextMarkBold)
VX_PROPERTY(LONG, TextMarkHeight)
VX_PROPERTY(LONG, TextMarkItatic)
VX_PROPERTY(LONG, TextMarkUnderline)
VX_PROPERTY(LONG, MarkTransparent)
VX_PROPERTY(LONG, TextMarkAreaWidth)
VX_PROPERTY(LONG, MarkPos)
VX_PROPERTY(LONG, MarkPosOffsetX)
VX_PROPERTY(LONG, MarkPosOffsetY)
VX_PROPERTY(LONG, TextMarkShadowDistance)
VX_PROPERTY(LONG, TextMarkShadowAngle)
VX_PROPERTY(LONG, TextMarkShadowSize)
VX_PROPERTY(LONG, TextMarkShadowTransparent)
VX_PROPERTY(LONG, Quality)
VX_PROPERTY(LONG, TextMarkRotate)
VX_PROPERTY(OLE_COLOR, TextMarkColor)
VX_PROPERTY(OLE_COLOR, TextMarkShadowColor)
VX_PROPERTY(LONG, LoadMinWidth)
VX_PROPERTY(LONG, LoadMinHeight)
VX_PROPERTY(OLE_COLOR, BackgroundColor)
#undef VX_PROPERTY

// A switch: any value but 0 turns it on, and it reads back as 1.
#define VX_SWITCH(Name)                                                                \
  HRESULT CResize::get_##Name(LONG* pVal) { return Answer<LONG>(pVal, Name ? 1 : 0); } \
  HRESULT CResize::put_##Name(LONG newVal) {                                           \
    Name = newVal != 0;                                                                \
    return S_OK;                                                                       \
  }

VX_SWITCH(TextMarkShadowVisible)
VX_SWITCH(AutoOrient)
VX_SWITCH(ColorManage)
VX_SWITCH(KeepMetadata)
VX_SWITCH(Progressive)
VX_SWITCH(OptimizeCoding)
#undef VX_SWITCH

// One of the values 0 to `last`: a script that asks for another hears of it at once, by
// the failure and the error text, instead of getting outputs it did not ask for.
#define VX_CHOICE(Name, last)                                            \
  HRESULT CResize::get_##Name(LONG* pVal) { return Answer(pVal, Name); } \
  HRESULT CResize::put_##Name(LONG newVal) {                             \
    if (newVal < 0 || newVal > last) {                                   \
      ErrorText = vx::error_text::kBad##Name;                            \
      return E_INVALIDARG;                                               \
    }                                                                    \
    Name = newVal;                                                       \
    return S_OK;                                                         \
  }

VX_CHOICE(ResampleFilter, 2)     // today's pick, area averaging, Lanczos-3
VX_CHOICE(ChromaSubsampling, 2)  // 4:4:4, 4:2:2, 4:2:0
#undef VX_CHOICE

HRESULT CResize::get_TextMarkFontName(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = SysAllocString(TextMarkFontName);
  return *pVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT CResize::put_TextMarkFontName(BSTR newVal) {
  // The field holds a face name of up to 31 characters; a longer name is cut there.
  std::size_t length = 0;
  while (newVal && newVal[length] && length < std::size(TextMarkFontName) - 1) ++length;
  std::copy(newVal, newVal + length, TextMarkFontName);
  TextMarkFontName[length] = 0;
  return S_OK;
}

// Errors and sizes.

HRESULT CResize::GetErrorInfo(BSTR* pstrErrorInfo) {
  if (!pstrErrorInfo) return E_POINTER;
  *pstrErrorInfo = SysAllocString(ErrorText);
  return *pstrErrorInfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT CResize::ClearErrorInfo() {
  ErrorText = OLESTR("");
  return S_OK;
}

HRESULT CResize::GetSourceImageWidth(LONG* pVal) { return Answer(pVal, SourceWidth); }

HRESULT CResize::GetSourceImageHeight(LONG* pVal) { return Answer(pVal, SourceHeight); }

HRESULT CResize::GetSourceFileWidth(LONG* pVal) { return Answer(pVal, SourceFileWidth); }

HRESULT CResize::GetSourceFileHeight(LONG* pVal) { return Answer(pVal, SourceFileHeight); }
