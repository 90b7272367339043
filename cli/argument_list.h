// The arguments of one call as IDispatch::Invoke takes them: VARIANTs last first, made
// from a statement's literals, freed when the list goes.
#pragma once

#include <vector>

#include "cli/statement.h"
#include "platform/oleauto.h"

namespace vx::cli {

class ArgumentList {
 public:
  explicit ArgumentList(const std::vector<Literal>& literals);
  ~ArgumentList();
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;

  // For a property put, the one argument is named DISPID_PROPERTYPUT.
  DISPPARAMS Params(bool property_put);

 private:
  std::vector<VARIANT> reversed_;  // rgvarg: the last argument first
  DISPID put_name_ = DISPID_PROPERTYPUT;
};

}  // namespace vx::cli
