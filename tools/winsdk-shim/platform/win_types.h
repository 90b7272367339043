// The Windows SDK in the place of the drawing layer's look-alike headers: with this
// folder ahead of the sources on the include path, the same #include "platform/..." of
// gdi/, object/ and module/ reaches the system's own declarations.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max, not the SDK's macros
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN  // what is used is included by name below
#endif
#include <windows.h>
#include <wtypes.h>  // OLECHAR and OLESTR
