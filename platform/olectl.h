// The picture service: global memory blocks, a stream over one, and OleLoadPicture with
// the IPicture members that the system uses. Pictures are JPEG, GIF or BMP, told apart
// by their first bytes. A picture's natural size is given in HIMETRIC units (0.01 mm)
// at 96 dots per inch.
#pragma once

#include "platform/oleauto.h"

// Global memory.
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);  // null on success
SIZE_T GlobalSize(HGLOBAL block);

// Streams.
struct IStream : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG bytes, ULONG* read) = 0;

 protected:
  ~IStream() = default;
};
inline constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A stream that reads the block from its start. With delete_on_release the stream owns
// the block and frees it on its last Release.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL delete_on_release, IStream** stream);

// Pictures.
using OLE_COLOR = DWORD;  // a COLORREF: 0x00BBGGRR
using OLE_XPOS_HIMETRIC = LONG;
using OLE_YPOS_HIMETRIC = LONG;
using OLE_XSIZE_HIMETRIC = LONG;
using OLE_YSIZE_HIMETRIC = LONG;
using LPCRECT = const RECT*;

struct IPicture : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
  // Draws the source rectangle of the picture (HIMETRIC, y running upward from the
  // picture's bottom edge) into the target rectangle (pixels) of hdc.
  virtual HRESULT STDMETHODCALLTYPE Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy,
                                           OLE_XPOS_HIMETRIC x_src, OLE_YPOS_HIMETRIC y_src,
                                           OLE_XSIZE_HIMETRIC cx_src, OLE_YSIZE_HIMETRIC cy_src,
                                           LPCRECT wbounds) = 0;

 protected:
  ~IPicture() = default;
};
inline constexpr IID IID_IPicture = {
    0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

constexpr HRESULT CTL_E_INVALIDPICTURE = static_cast<HRESULT>(0x800A01E1);

// Reads `size` bytes from the stream and decodes them as a picture.
HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL run_mode, REFIID riid, LPVOID* picture);

// Self-registration of an in-process server: the server defines both.
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
