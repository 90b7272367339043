// Strings from SysAllocString and friends not yet freed, for tests of what a routine
// leaves behind; not part of the Windows API.
#pragma once

namespace vx {

long LiveBstrCount();

}  // namespace vx
