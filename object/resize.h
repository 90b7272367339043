// CResize: the Resize object. It holds one source picture in a memory device context and
// the settings that the watermark and output operations read.
#pragma once

#include <atomic>

#include "object/error_texts.h"
#include "object/iresize.h"
#include "platform/gdi.h"

// The module makes objects of classes derived from it (plain or aggregated), so the
// destructor is virtual.
class CResize : public IResize {
 public:
  CResize();
  CResize(const CResize&) = delete;
  CResize& operator=(const CResize&) = delete;

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // IResize
  HRESULT LoadSourceImage(BSTR strImageFile) override;
  HRESULT AddImageMark(BSTR strMarkImageFile, LONG lPosX, LONG lPosY) override;
  HRESULT MakeThumbImage(BSTR strTargetImageFile, double dWidth, double dHeight,
                         LONG lThumbType) override;
  HRESULT AddTextMark(BSTR strText, LONG lPosX, LONG lPosY) override;
  HRESULT MakeMarkImage(BSTR strTargetImageFile) override;
  HRESULT get_TextMarkBold(LONG* pVal) override;
  HRESULT put_TextMarkBold(LONG newVal) override;
  HRESULT get_TextMarkColor(OLE_COLOR* pVal) override;
  HRESULT put_TextMarkColor(OLE_COLOR newVal) override;
  HRESULT get_TextMarkHeight(LONG* pVal) override;
  HRESULT put_TextMarkHeight(LONG newVal) override;
  HRESULT get_TextMarkItatic(LONG* pVal) override;
  HRESULT put_TextMarkItatic(LONG newVal) override;
  HRESULT get_TextMarkUnderline(LONG* pVal) override;
  HRESULT put_TextMarkUnderline(LONG newVal) override;
  HRESULT get_TextMarkFontName(BSTR* pVal) override;
  HRESULT put_TextMarkFontName(BSTR newVal) override;
  HRESULT get_MarkTransparent(LONG* pVal) override;
  HRESULT put_MarkTransparent(LONG newVal) override;
  HRESULT get_TextMarkAreaWidth(LONG* pVal) override;
  HRESULT put_TextMarkAreaWidth(LONG newVal) override;
  HRESULT MakeCropImage(BSTR strTargetImage, LONG lPosX, LONG lPosY, LONG lWidth,
                        LONG lHeight) override;
  HRESULT GetErrorInfo(BSTR* pstrErrorInfo) override;
  HRESULT get_MarkPos(LONG* pVal) override;
  HRESULT put_MarkPos(LONG newVal) override;
  HRESULT get_MarkPosOffsetX(LONG* pVal) override;
  HRESULT put_MarkPosOffsetX(LONG newVal) override;
  HRESULT get_MarkPosOffsetY(LONG* pVal) override;
  HRESULT put_MarkPosOffsetY(LONG newVal) override;
  HRESULT get_TextMarkShadowColor(OLE_COLOR* pVal) override;
  HRESULT put_TextMarkShadowColor(OLE_COLOR newVal) override;
  HRESULT get_TextMarkShadowVisible(LONG* pVal) override;
  HRESULT put_TextMarkShadowVisible(LONG newVal) override;
  HRESULT get_TextMarkShadowDistance(LONG* pVal) override;
  HRESULT put_TextMarkShadowDistance(LONG newVal) override;
  HRESULT get_TextMarkShadowAngle(LONG* pVal) override;
  HRESULT put_TextMarkShadowAngle(LONG newVal) override;
  HRESULT get_TextMarkShadowSize(LONG* pVal) override;
  HRESULT put_TextMarkShadowSize(LONG newVal) override;
  HRESULT get_TextMarkShadowTransparent(LONG* pVal) override;
  HRESULT put_TextMarkShadowTransparent(LONG newVal) override;
  HRESULT get_Quality(LONG* pVal) override;
  HRESULT put_Quality(LONG newVal) override;
  HRESULT get_TextMarkRotate(LONG* pVal) override;
  HRESULT put_TextMarkRotate(LONG newVal) override;
  HRESULT GetSourceImageWidth(LONG* pVal) override;
  HRESULT GetSourceImageHeight(LONG* pVal) override;

 protected:
  virtual ~CResize();

 private:
  void ReleaseSource();
  // Writes the bitmap selected into dc as a JPEG file at Quality; false (with ErrorText
  // set) when nothing was written.
  bool SaveJpegImage(BSTR path, HDC dc, HBITMAP bitmap, LONG width, LONG height);
  // Writes a width x height copy that `draw(dc)` puts on a new bitmap (black to start with)
  // in a temporary context compatible with SourceDC; S_FALSE when nothing was written.
  template <class Draw>
  HRESULT SaveDrawnCopy(BSTR path, LONG width, LONG height, Draw draw);
  // Whether an output of this size can be made at all; sets ErrorText when not, so that
  // no temporary bitmap is made for a picture the writer would refuse.
  bool OutputSizeAcceptable(LONG width, LONG height);

  std::atomic<ULONG> references_{1};

  HDC SourceDC = nullptr;
  HBITMAP SourceBitmap = nullptr;
  HGDIOBJ PreviousBitmap = nullptr;
  const OLECHAR* ErrorText = u"";
  LONG SourceWidth = -1;
  LONG SourceHeight = -1;
  BYTE* FileBuffer = nullptr;
  LONG TextMarkAreaWidth = -1;
  OLE_COLOR TextMarkColor = 0;  // black
  HFONT TextMarkFont = nullptr;
  HGDIOBJ PreviousFont = nullptr;
  LONG TextMarkHeight = 12;
  LONG TextMarkBold = 0;
  LONG TextMarkItatic = 0;
  LONG TextMarkUnderline = 0;
  LONG TextMarkRotate = 0;
  OLECHAR TextMarkFontName[32] = {};  // the empty name: the base font
  LONG MarkPos = -1;
  LONG MarkPosOffsetX = 0;
  LONG MarkPosOffsetY = 0;
  LONG MarkTransparent = 100;
  LONG TextMarkShadowAngle = 0;
  OLE_COLOR TextMarkShadowColor = 0;
  LONG TextMarkShadowDistance = 0;
  LONG TextMarkShadowSize = 5;
  LONG TextMarkShadowTransparent = 100;
  bool TextMarkShadowVisible = false;
  LONG Quality = 80;
};
