// Interlocked counters and critical sections: part of windows.h.
#pragma once

#include "win_types.h"
