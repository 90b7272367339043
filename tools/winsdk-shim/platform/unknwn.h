// COM's identity types, IUnknown and IClassFactory.
#pragma once

#include "win_types.h"

#include <unknwn.h>
