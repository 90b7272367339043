// The entry points of an in-process server: DllGetClassObject, DllCanUnloadNow.
#pragma once

#include "win_types.h"

#include <objbase.h>
