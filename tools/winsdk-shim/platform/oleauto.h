// OLE automation: BSTR, VARIANT, IDispatch.
#pragma once

#include "win_types.h"

#include <ole2.h>
#include <oleauto.h>
