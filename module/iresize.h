// The dual interfaces of the Resize object, IResize and IResize2 (which adds its members
// after IResize's), in the order of their virtual slots after IUnknown and IDispatch, and
// the identifiers of the class, the interfaces and the type library. Compiled clients rely
// on this order and these signatures. The comment on each member gives its DISPID.
#pragma once

#include "platform/oleauto.h"
#include "platform/olectl.h"  // OLE_COLOR, a COLORREF: 0x00BBGGRR

inline constexpr CLSID CLSID_Resize = {
    0x53AC3439, 0xFB62, 0x4007, {0x80, 0xDB, 0x50, 0x3A, 0x87, 0xF6, 0x33, 0x0A}};
inline constexpr IID IID_IResize = {
    0x54F8D524, 0xD233, 0x48EE, {0x9D, 0x62, 0xB9, 0xB4, 0x6F, 0xA0, 0x71, 0x9F}};
inline constexpr IID IID_IResize2 = {
    0xCF1FB8FB, 0x6EBC, 0x4238, {0xB8, 0x5E, 0x8B, 0xEE, 0x52, 0xD4, 0xAE, 0x32}};
inline constexpr GUID LIBID_vxImage = {
    0xBBDB5833, 0x9237, 0x4417, {0xBD, 0x1C, 0x0F, 0x89, 0x93, 0x12, 0x56, 0x2C}};

struct IResize : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE LoadSourceImage(BSTR strImageFile) = 0;                          // 1
  virtual HRESULT STDMETHODCALLTYPE AddImageMark(BSTR strMarkImageFile, LONG lPosX, LONG lPosY) = 0; // 2
  virtual HRESULT STDMETHODCALLTYPE MakeThumbImage(BSTR strTargetImageFile, double dWidth,
                                                   double dHeight, LONG lThumbType) = 0;             // 3
  virtual HRESULT STDMETHODCALLTYPE AddTextMark(BSTR strText, LONG lPosX, LONG lPosY) = 0;           // 4
  virtual HRESULT STDMETHODCALLTYPE MakeMarkImage(BSTR strTargetImageFile) = 0;                      // 5
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkBold(LONG* pVal) = 0;                                // 6
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkBold(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkColor(OLE_COLOR* pVal) = 0;                          // 7
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkColor(OLE_COLOR newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkHeight(LONG* pVal) = 0;                              // 8
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkHeight(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkItatic(LONG* pVal) = 0;                              // 9
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkItatic(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkUnderline(LONG* pVal) = 0;                           // 10
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkUnderline(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkFontName(BSTR* pVal) = 0;                            // 11
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkFontName(BSTR newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MarkTransparent(LONG* pVal) = 0;                             // 12
  virtual HRESULT STDMETHODCALLTYPE put_MarkTransparent(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkAreaWidth(LONG* pVal) = 0;                           // 13
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkAreaWidth(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE MakeCropImage(BSTR strTargetImage, LONG lPosX, LONG lPosY,
                                                  LONG lWidth, LONG lHeight) = 0;                    // 14
  virtual HRESULT STDMETHODCALLTYPE GetErrorInfo(BSTR* pstrErrorInfo) = 0;                           // 15
  virtual HRESULT STDMETHODCALLTYPE get_MarkPos(LONG* pVal) = 0;                                     // 17
  virtual HRESULT STDMETHODCALLTYPE put_MarkPos(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MarkPosOffsetX(LONG* pVal) = 0;                              // 18
  virtual HRESULT STDMETHODCALLTYPE put_MarkPosOffsetX(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MarkPosOffsetY(LONG* pVal) = 0;                              // 19
  virtual HRESULT STDMETHODCALLTYPE put_MarkPosOffsetY(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowColor(OLE_COLOR* pVal) = 0;                    // 20
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowColor(OLE_COLOR newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowVisible(LONG* pVal) = 0;                       // 21
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowVisible(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowDistance(LONG* pVal) = 0;                      // 22
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowDistance(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowAngle(LONG* pVal) = 0;                         // 23
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowAngle(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowSize(LONG* pVal) = 0;                          // 24
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowSize(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkShadowTransparent(LONG* pVal) = 0;                   // 25
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkShadowTransparent(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Quality(LONG* pVal) = 0;                                     // 27
  virtual HRESULT STDMETHODCALLTYPE put_Quality(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextMarkRotate(LONG* pVal) = 0;                              // 28
  virtual HRESULT STDMETHODCALLTYPE put_TextMarkRotate(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSourceImageWidth(LONG* pVal) = 0;                             // 29
  virtual HRESULT STDMETHODCALLTYPE GetSourceImageHeight(LONG* pVal) = 0;                            // 30

 protected:
  ~IResize() = default;
};

// IResize and what a Resize object does beyond it: pictures turned upright, thumbnails
// resampled by a proper filter, JPEG files decoded smaller, a background for transparent
// pixels, box thumbnails and an error text that can be cleared. DISPIDs from 100 on.
struct IResize2 : IResize {
  virtual HRESULT STDMETHODCALLTYPE get_AutoOrient(LONG* pVal) = 0;                                 // 100
  virtual HRESULT STDMETHODCALLTYPE put_AutoOrient(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ResampleFilter(LONG* pVal) = 0;                             // 101
  virtual HRESULT STDMETHODCALLTYPE put_ResampleFilter(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LoadMinWidth(LONG* pVal) = 0;                               // 102
  virtual HRESULT STDMETHODCALLTYPE put_LoadMinWidth(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LoadMinHeight(LONG* pVal) = 0;                              // 103
  virtual HRESULT STDMETHODCALLTYPE put_LoadMinHeight(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSourceFileWidth(LONG* pVal) = 0;                             // 104
  virtual HRESULT STDMETHODCALLTYPE GetSourceFileHeight(LONG* pVal) = 0;                            // 105
  virtual HRESULT STDMETHODCALLTYPE get_BackgroundColor(OLE_COLOR* pVal) = 0;                       // 106
  virtual HRESULT STDMETHODCALLTYPE put_BackgroundColor(OLE_COLOR newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE MakeFitImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight) = 0;   // 107
  virtual HRESULT STDMETHODCALLTYPE MakeFillImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight) = 0;  // 108
  virtual HRESULT STDMETHODCALLTYPE ClearErrorInfo() = 0;                                           // 109
  virtual HRESULT STDMETHODCALLTYPE get_ColorManage(LONG* pVal) = 0;                                // 110
  virtual HRESULT STDMETHODCALLTYPE put_ColorManage(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_KeepMetadata(LONG* pVal) = 0;                               // 111
  virtual HRESULT STDMETHODCALLTYPE put_KeepMetadata(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Progressive(LONG* pVal) = 0;                                // 112
  virtual HRESULT STDMETHODCALLTYPE put_Progressive(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ChromaSubsampling(LONG* pVal) = 0;                          // 113
  virtual HRESULT STDMETHODCALLTYPE put_ChromaSubsampling(LONG newVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OptimizeCoding(LONG* pVal) = 0;                             // 114
  virtual HRESULT STDMETHODCALLTYPE put_OptimizeCoding(LONG newVal) = 0;

 protected:
  ~IResize2() = default;
};

// Creates a new Resize object through the class object (as DllGetClassObject and
// IClassFactory::CreateInstance do) and answers riid on it (IResize2, IResize, IDispatch or
// IUnknown) with one reference. E_POINTER for a null out pointer, E_NOINTERFACE otherwise.
HRESULT CreateResize(REFIID riid, void** object);
