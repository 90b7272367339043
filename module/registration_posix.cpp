// Registration on a system without a registry: there is nowhere to write the keys of
// vximage.rgs or the type library, so both answer E_NOTIMPL and change nothing. Clients
// reach the class through DllGetClassObject or CreateResize instead.
#include "platform/olectl.h"

STDAPI DllRegisterServer() { return E_NOTIMPL; }

STDAPI DllUnregisterServer() { return E_NOTIMPL; }
