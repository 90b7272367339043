// GDI: wingdi.h, part of windows.h.
#pragma once

#include "win_types.h"
