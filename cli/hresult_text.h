// HRESULTs as people read them: "0x80004001 (E_NOTIMPL)".
#pragma once

#include <string>

#include "platform/win_types.h"

namespace vx::cli {

std::string HresultText(HRESULT hr);

}  // namespace vx::cli
