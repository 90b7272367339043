// The text watermark is not built yet: it answers E_NOTIMPL and changes nothing.
#include "object/resize.h"

HRESULT CResize::AddTextMark(BSTR, LONG, LONG) { return E_NOTIMPL; }
