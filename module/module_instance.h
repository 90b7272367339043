// The library's own instance handle, recorded when it is loaded: its file name and its
// resources are found through it.
#pragma once

#include "platform/win_types.h"

#include "module/ole_text.h"

namespace vx {

HINSTANCE ModuleInstance();

// The module's full file name as the loader knows it. A failure of the system call comes
// back as its HRESULT, with *path empty.
HRESULT ModuleFileName(OleString* path);

// The folder part of a path: up to and with its last "\", "/" or ":" (empty without one).
OleString FolderOf(const OleString& path);

}  // namespace vx
