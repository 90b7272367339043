// The picture service (OleLoadPicture, IPicture, OLE_COLOR), global memory and streams,
// and self-registration.
#pragma once

#include "oleauto.h"

#include <olectl.h>
