// Says in words why IDispatch::Invoke refused or failed a statement's call.
#pragma once

#include <string>

#include "cli/statement.h"
#include "platform/oleauto.h"

namespace vx::cli {

struct CallFailure {
  const Statement& statement;
  DISPID id;
  WORD flags;             // the DISPATCH_ flags of the call
  UINT argument_count;    // as passed, an added out-text reference included
  HRESULT hr;             // Invoke's answer
  SCODE scode;            // the member's own failure behind DISP_E_EXCEPTION
  UINT arg_error;         // index in rgvarg of an argument that did not convert
};

std::string ExplainCallFailure(const CallFailure& failure);

}  // namespace vx::cli
