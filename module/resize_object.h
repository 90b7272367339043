// The Resize object as COM clients see it: IResize2, IResize, IDispatch and IUnknown on one
// pointer,
// over a CResize that does the work. The module makes it plain or aggregated
// (module_object.h).
#pragma once

#include "module/iresize.h"
#include "object/resize.h"
#include "platform/com_object.h"

// The members of IResize in the order of its vtable: METHOD(name, (parameters),
// (arguments)) for a method, PROPERTY(type, name) for a property's get_ and put_ pair.
#define VX_RESIZE_MEMBERS(METHOD, PROPERTY)                                                     \
  METHOD(LoadSourceImage, (BSTR strImageFile), (strImageFile))                                  \
  METHOD(AddImageMark, (BSTR strMarkImageFile, LONG lPosX, LONG lPosY),                         \
         (strMarkImageFile, lPosX, lPosY))                                                      \
  METHOD(MakeThumbImage, (BSTR strTargetImageFile, double dWidth, double dHeight, LONG lThumbType), \
         (strTargetImageFile, dWidth, dHeight, lThumbType))                                     \
  METHOD(AddTextMark, (BSTR strText, LONG lPosX, LONG lPosY), (strText, lPosX, lPosY))          \
  METHOD(MakeMarkImage, (BSTR strTargetImageFile), (strTargetImageFile))                        \
  PROPERTY(LONG, TextMarkBold)                                                                  \
  PROPERTY(OLE_COLOR, TextMarkColor)                                                            \
  PROPERTY(LONG, TextMarkHeight)                                                                \
  PROPERTY(LONG, TextMarkItatic)                                                                \
  PROPERTY(LONG, TextMarkUnderline)                                                             \
  PROPERTY(BSTR, TextMarkFontName)                                                              \
  PROPERTY(LONG, MarkTransparent)                                                               \
  PROPERTY(LONG, TextMarkAreaWidth)                                                             \
  METHOD(MakeCropImage, (BSTR strTargetImage, LONG lPosX, LONG lPosY, LONG lWidth, LONG lHeight), \
         (strTargetImage, lPosX, lPosY, lWidth, lHeight))                                       \
  METHOD(GetErrorInfo, (BSTR* pstrErrorInfo), (pstrErrorInfo))                                  \
  PROPERTY(LONG, MarkPos)                                                                       \
  PROPERTY(LONG, MarkPosOffsetX)                                                                \
  PROPERTY(LONG, MarkPosOffsetY)                                                                \
  PROPERTY(OLE_COLOR, TextMarkShadowColor)                                                      \
  PROPERTY(LONG, TextMarkShadowVisible)                                                         \
  PROPERTY(LONG, TextMarkShadowDistance)                                                        \
  PROPERTY(LONG, TextMarkShadowAngle)                                                           \
  PROPERTY(LONG, TextMarkShadowSize)                                                            \
  PROPERTY(LONG, TextMarkShadowTransparent)                                                     \
  PROPERTY(LONG, Quality)                                                                       \
  PROPERTY(LONG, TextMarkRotate)                                                                \
  METHOD(GetSourceImageWidth, (LONG* pVal), (pVal))                                             \
  METHOD(GetSourceImageHeight, (LONG* pVal), (pVal))

// The members IResize2 adds, in the same form.
#define VX_RESIZE2_MEMBERS(METHOD, PROPERTY)                                                    \
  PROPERTY(LONG, AutoOrient)                                                                    \
  PROPERTY(LONG, ResampleFilter)                                                                \
  PROPERTY(LONG, LoadMinWidth)                                                                  \
  PROPERTY(LONG, LoadMinHeight)                                                                 \
  METHOD(GetSourceFileWidth, (LONG* pVal), (pVal))                                              \
  METHOD(GetSourceFileHeight, (LONG* pVal), (pVal))                                             \
  PROPERTY(OLE_COLOR, BackgroundColor)                                                          \
  METHOD(MakeFitImage, (BSTR strTargetImageFile, LONG lWidth, LONG lHeight),                    \
         (strTargetImageFile, lWidth, lHeight))                                                 \
  METHOD(MakeFillImage, (BSTR strTargetImageFile, LONG lWidth, LONG lHeight),                   \
         (strTargetImageFile, lWidth, lHeight))                                                 \
  METHOD(ClearErrorInfo, (), ())                                                                \
  PROPERTY(LONG, ColorManage)                                                                   \
  PROPERTY(LONG, KeepMetadata)                                                                  \
  PROPERTY(LONG, Progressive)                                                                   \
  PROPERTY(LONG, ChromaSubsampling)                                                             \
  PROPERTY(LONG, OptimizeCoding)

namespace vx {

class ResizeComObject : public ComObject<IResize2, IID_IDispatch, IID_IResize, IID_IResize2> {
 public:
  // IDispatch: from the registered type library on Windows (resize_dispatch_windows.cpp),
  // from the member table elsewhere (resize_dispatch_posix.cpp).
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // IResize and IResize2: each member is CResize's of the same name. A member missing here or named
  // differently there does not compile (override, and the class would stay abstract).
#define VX_FORWARD_METHOD(Name, Parameters, Arguments) \
  HRESULT STDMETHODCALLTYPE Name Parameters override { return resize_.Name Arguments; }
#define VX_FORWARD_PROPERTY(Type, Name)                \
  VX_FORWARD_METHOD(get_##Name, (Type* pVal), (pVal)) \
  VX_FORWARD_METHOD(put_##Name, (Type newVal), (newVal))
  VX_RESIZE_MEMBERS(VX_FORWARD_METHOD, VX_FORWARD_PROPERTY)
  VX_RESIZE2_MEMBERS(VX_FORWARD_METHOD, VX_FORWARD_PROPERTY)
#undef VX_FORWARD_PROPERTY
#undef VX_FORWARD_METHOD

 private:
  CResize resize_;
};

}  // namespace vx
