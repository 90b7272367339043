// Code-page conversion (part of windows.h) and _wfopen (the C library's).
#pragma once

#include <stdio.h>

#include "win_types.h"
