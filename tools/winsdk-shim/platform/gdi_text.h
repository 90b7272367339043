// GDI's text calls: wingdi.h and winuser.h (DrawTextW), parts of windows.h.
#pragma once

#include "win_types.h"
