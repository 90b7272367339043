// The watermark operations are not built yet: they answer E_NOTIMPL and change nothing.
#include "object/resize.h"

HRESULT CResize::AddImageMark(BSTR, LONG, LONG) { return E_NOTIMPL; }
HRESULT CResize::AddTextMark(BSTR, LONG, LONG) { return E_NOTIMPL; }
