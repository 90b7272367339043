#include "module/dispatch.h"
namespace vx {
HRESULT ResizeGetIDsOfNames(OLECHAR**, UINT, DISPID*) { return E_NOTIMPL; }
HRESULT ResizeInvoke(IResize*, DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }
}
