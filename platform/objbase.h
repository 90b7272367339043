// The entry points by which COM reaches an in-process server: its class objects and
// whether it may be unloaded. The server defines them; COM (or a client) calls them.
#pragma once

#include "platform/unknwn.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object);
STDAPI DllCanUnloadNow();
