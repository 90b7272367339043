// Not a look-alike: the drawing layer's IUnknown template is written in COM's names alone
// and serves the module's objects over the system's IUnknown as well.
#pragma once

#include "../../../platform/com_object.h"
