// CResize: the Resize object's work. It holds one source picture in a memory device
// context and the settings that the loads, the watermark and the output operations read,
// and has a member function for each member of IResize and IResize2 with the same
// signature; the module's COM object answers both interfaces by calling them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "object/error_texts.h"
#include "object/picture_metadata.h"
#include "platform/gdi.h"
#include "platform/oleauto.h"
#include "platform/olectl.h"

class CResize {
 public:
  CResize();
  ~CResize();
  CResize(const CResize&) = delete;
  CResize& operator=(const CResize&) = delete;

  HRESULT LoadSourceImage(BSTR strImageFile);
  HRESULT AddImageMark(BSTR strMarkImageFile, LONG lPosX, LONG lPosY);
  HRESULT MakeThumbImage(BSTR strTargetImageFile, double dWidth, double dHeight,
                         LONG lThumbType);
  HRESULT AddTextMark(BSTR strText, LONG lPosX, LONG lPosY);
  HRESULT MakeMarkImage(BSTR strTargetImageFile);
  HRESULT get_TextMarkBold(LONG* pVal);
  HRESULT put_TextMarkBold(LONG newVal);
  HRESULT get_TextMarkColor(OLE_COLOR* pVal);
  HRESULT put_TextMarkColor(OLE_COLOR newVal);
  HRESULT get_TextMarkHeight(LONG* pVal);
  HRESULT put_TextMarkHeight(LONG newVal);
  HRESULT get_TextMarkItatic(LONG* pVal);
  HRESULT put_TextMarkItatic(LONG newVal);
  HRESULT get_TextMarkUnderline(LONG* pVal);
  HRESULT put_TextMarkUnderline(LONG newVal);
  HRESULT get_TextMarkFontName(BSTR* pVal);
  HRESULT put_TextMarkFontName(BSTR newVal);
  HRESULT get_MarkTransparent(LONG* pVal);
  HRESULT put_MarkTransparent(LONG newVal);
  HRESULT get_TextMarkAreaWidth(LONG* pVal);
  HRESULT put_TextMarkAreaWidth(LONG newVal);
  HRESULT MakeCropImage(BSTR strTargetImage, LONG lPosX, LONG lPosY, LONG lWidth,
                        LONG lHeight);
  HRESULT GetErrorInfo(BSTR* pstrErrorInfo);
  HRESULT get_MarkPos(LONG* pVal);
  HRESULT put_MarkPos(LONG newVal);
  HRESULT get_MarkPosOffsetX(LONG* pVal);
  HRESULT put_MarkPosOffsetX(LONG newVal);
  HRESULT get_MarkPosOffsetY(LONG* pVal);
  HRESULT put_MarkPosOffsetY(LONG newVal);
  HRESULT get_TextMarkShadowColor(OLE_COLOR* pVal);
  HRESULT put_TextMarkShadowColor(OLE_COLOR newVal);
  HRESULT get_TextMarkShadowVisible(LONG* pVal);
  HRESULT put_TextMarkShadowVisible(LONG newVal);
  HRESULT get_TextMarkShadowDistance(LONG* pVal);
  HRESULT put_TextMarkShadowDistance(LONG newVal);
  HRESULT get_TextMarkShadowAngle(LONG* pVal);
  HRESULT put_TextMarkShadowAngle(LONG newVal);
  HRESULT get_TextMarkShadowSize(LONG* pVal);
  HRESULT put_TextMarkShadowSize(LONG newVal);
  HRESULT get_TextMarkShadowTransparent(LONG* pVal);
  HRESULT put_TextMarkShadowTransparent(LONG newVal);
  HRESULT get_Quality(LONG* pVal);
  HRESULT put_Quality(LONG newVal);
  HRESULT get_TextMarkRotate(LONG* pVal);
  HRESULT put_TextMarkRotate(LONG newVal);
  HRESULT GetSourceImageWidth(LONG* pVal);
  HRESULT GetSourceImageHeight(LONG* pVal);

  // IResize2. Every setting starts at the value that gives what IResize alone gives.
  HRESULT get_AutoOrient(LONG* pVal);
  HRESULT put_AutoOrient(LONG newVal);
  HRESULT get_ResampleFilter(LONG* pVal);
  HRESULT put_ResampleFilter(LONG newVal);
  HRESULT get_LoadMinWidth(LONG* pVal);
  HRESULT put_LoadMinWidth(LONG newVal);
  HRESULT get_LoadMinHeight(LONG* pVal);
  HRESULT put_LoadMinHeight(LONG newVal);
  HRESULT GetSourceFileWidth(LONG* pVal);
  HRESULT GetSourceFileHeight(LONG* pVal);
  HRESULT get_BackgroundColor(OLE_COLOR* pVal);
  HRESULT put_BackgroundColor(OLE_COLOR newVal);
  HRESULT MakeFitImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight);
  HRESULT MakeFillImage(BSTR strTargetImageFile, LONG lWidth, LONG lHeight);
  HRESULT ClearErrorInfo();
  HRESULT get_ColorManage(LONG* pVal);
  HRESULT put_ColorManage(LONG newVal);
  HRESULT get_KeepMetadata(LONG* pVal);
  HRESULT put_KeepMetadata(LONG newVal);
  HRESULT get_Progressive(LONG* pVal);
  HRESULT put_Progressive(LONG newVal);
  HRESULT get_ChromaSubsampling(LONG* pVal);
  HRESULT put_ChromaSubsampling(LONG newVal);
  HRESULT get_OptimizeCoding(LONG* pVal);
  HRESULT put_OptimizeCoding(LONG newVal);

 private:
  // A rectangle of the source picture in pixels, which may start and end between pixels.
  struct SourceArea {
    double x, y, width, height;
  };

  void ReleaseSource();
  // Writes the bitmap selected into dc as a JPEG file at Quality, with the output choices
  // and the kept metadata; false (with ErrorText set) when nothing was written. The one
  // place that calls the writer.
  bool SaveJpegImage(BSTR path, HDC dc, HBITMAP bitmap, LONG width, LONG height);
  // Writes a width x height copy that `draw(dc)` puts on a new bitmap (black to start with)
  // in a temporary context compatible with SourceDC; S_FALSE when nothing was written,
  // with "Memory is not enough in MakeMarkImage!" when the bitmap cannot be made or draw
  // returns false (it had no memory for its work).
  template <class Draw>
  HRESULT SaveDrawnCopy(BSTR path, LONG width, LONG height, Draw draw);
  // Whether an output of this size can be made at all; sets ErrorText when not, so that
  // no temporary bitmap is made for a picture the writer would refuse.
  bool OutputSizeAcceptable(LONG width, LONG height);
  // Writes `area` of the source resized to width x height by ResampleFilter (thumbnail.cpp).
  HRESULT SaveResizedCopy(BSTR path, LONG width, LONG height, SourceArea area);
  // Draws `area` resampled by `filter` (1 or 2) into dc; false without memory for it.
  bool DrawResampled(HDC dc, LONG width, LONG height, SourceArea area, int filter);

  // Loading (source_loading.cpp, jpeg_source_loading.cpp). Makes SourceDC with a new
  // black top-down 32-bit DIB section of width x height selected, its pixels in
  // SourceWords; the error text when it cannot be had.
  const OLECHAR* NewSourceSection(HDC screen, LONG width, LONG height);
  // Puts the section's picture, stored in the given orientation, upright (swapping its
  // sides for a quarter turn); the error text when it has no memory for that.
  const OLECHAR* TurnSourceUpright(int orientation);
  // Loads JPEG data with the object's own reader when LoadMinWidth, LoadMinHeight,
  // AutoOrient or ColorManage asks for what the picture service cannot do; S_FALSE with
  // the reader left unused (*used false) when the data needs none of it or is no JPEG the
  // reader can read. With KeepMetadata, *kept is what outputs keep of the file either way.
  HRESULT LoadJpegWithReader(const unsigned char* data, std::size_t size, bool* used, vx::PictureMetadata* kept);

  HDC SourceDC = nullptr;
  HBITMAP SourceBitmap = nullptr;
  HGDIOBJ PreviousBitmap = nullptr;
  const OLECHAR* ErrorText = OLESTR("");
  LONG SourceWidth = -1;
  LONG SourceHeight = -1;
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

  // IResize2's settings and what a load reports of the file.
  bool AutoOrient = false;
  LONG ResampleFilter = 0;
  LONG LoadMinWidth = 0;
  LONG LoadMinHeight = 0;
  OLE_COLOR BackgroundColor = 0;  // black
  LONG SourceFileWidth = -1;
  LONG SourceFileHeight = -1;
  // What loads do with colours and metadata, and what outputs are beyond their quality.
  bool ColorManage = false;
  bool KeepMetadata = false;
  bool Progressive = false;
  LONG ChromaSubsampling = 0;
  bool OptimizeCoding = false;
  // The segments every output of the loaded picture carries (KeepMetadata at its load).
  vx::OutputSegments SourceSegments;
  // The source's pixels when its bitmap is a DIB section of ours (SourceWidth words a
  // row, top row first); null when the picture service's bitmap holds them.
  std::uint32_t* SourceWords = nullptr;
};
