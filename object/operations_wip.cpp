#include "object/resize.h"
HRESULT CResize::LoadSourceImage(BSTR) { return E_NOTIMPL; }
HRESULT CResize::MakeThumbImage(BSTR, double, double, LONG) { return E_NOTIMPL; }
HRESULT CResize::MakeMarkImage(BSTR) { return E_NOTIMPL; }
HRESULT CResize::MakeCropImage(BSTR, LONG, LONG, LONG, LONG) { return E_NOTIMPL; }
bool CResize::SaveJpegImage(BSTR, HDC, HBITMAP, LONG, LONG) { return false; }
bool CResize::OutputSizeAcceptable(LONG, LONG) { return false; }
