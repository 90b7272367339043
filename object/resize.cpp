// The Resize object's identity, its properties, its error text and its lifetime.
#include "object/resize.h"

#include <algorithm>
#include <new>

#include "module/dispatch.h"

HRESULT CreateResize(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  CResize* resize = new (std::nothrow) CResize;
  if (!resize) return E_OUTOFMEMORY;
  HRESULT hr = resize->QueryInterface(riid, object);
  resize->Release();  // the new object's own reference; QueryInterface took another
  return hr;
}

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
  delete[] FileBuffer;
  FileBuffer = nullptr;
}

// IUnknown

HRESULT CResize::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IResize) {
    *object = static_cast<IResize*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CResize::AddRef() { return ++references_; }

ULONG CResize::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

// IDispatch

HRESULT CResize::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT CResize::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;  // the member table answers names and calls; there is no ITypeInfo
}

HRESULT CResize::GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID, DISPID* ids) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return vx::ResizeGetIDsOfNames(names, count, ids);
}

HRESULT CResize::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return vx::ResizeInvoke(this, id, flags, params, result, exception, arg_error);
}

// Properties: setters store the value as given; getters hand it back.

#define VX_LONG_PROPERTY(Name)                       \
  HRESULT CResize::get_##Name(LONG* pVal) {          \
    if (!pVal) return E_POINTER;                     \
    *pVal = Name;                                    \
    return S_OK;                                     \
  }                                                  \
  HRESULT CResize::put_##Name(LONG newVal) {         \
    Name = newVal;                                   \
    return S_OK;                                     \
  }

VX_LONG_PROPERTY(TextMarkBold)
VX_LONG_PROPERTY(TextMarkHeight)
VX_LONG_PROPERTY(TextMarkItatic)
VX_LONG_PROPERTY(TextMarkUnderline)
VX_LONG_PROPERTY(MarkTransparent)
VX_LONG_PROPERTY(TextMarkAreaWidth)
VX_LONG_PROPERTY(MarkPos)
VX_LONG_PROPERTY(MarkPosOffsetX)
VX_LONG_PROPERTY(MarkPosOffsetY)
VX_LONG_PROPERTY(TextMarkShadowDistance)
VX_LONG_PROPERTY(TextMarkShadowAngle)
VX_LONG_PROPERTY(TextMarkShadowSize)
VX_LONG_PROPERTY(TextMarkShadowTransparent)
VX_LONG_PROPERTY(Quality)
VX_LONG_PROPERTY(TextMarkRotate)
#undef VX_LONG_PROPERTY

HRESULT CResize::get_TextMarkColor(OLE_COLOR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = TextMarkColor;
  return S_OK;
}

HRESULT CResize::put_TextMarkColor(OLE_COLOR newVal) {
  TextMarkColor = newVal;
  return S_OK;
}

HRESULT CResize::get_TextMarkShadowColor(OLE_COLOR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = TextMarkShadowColor;
  return S_OK;
}

HRESULT CResize::put_TextMarkShadowColor(OLE_COLOR newVal) {
  TextMarkShadowColor = newVal;
  return S_OK;
}

HRESULT CResize::get_TextMarkShadowVisible(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = TextMarkShadowVisible ? 1 : 0;
  return S_OK;
}

HRESULT CResize::put_TextMarkShadowVisible(LONG newVal) {
  TextMarkShadowVisible = newVal != 0;
  return S_OK;
}

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

HRESULT CResize::GetSourceImageWidth(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = SourceWidth;
  return S_OK;
}

HRESULT CResize::GetSourceImageHeight(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = SourceHeight;
  return S_OK;
}
