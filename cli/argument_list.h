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

  // Appends an argument that refers to a string the member fills in (a BSTR* parameter).
  void AddOutText();
  // The string the member filled in; the list keeps ownership.
  BSTR out_text() const { return out_text_; }

  // For a property put, the one argument is named DISPID_PROPERTYPUT.
  DISPPARAMS Params(bool property_put);

 private:
  std::vector<VARIANT> reversed_;  // rgvarg: the last argument first
  BSTR out_text_ = nullptr;
  DISPID put_name_ = DISPID_PROPERTYPUT;
};

}  // namespace vx::cli
