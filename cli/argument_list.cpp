#include "cli/argument_list.h"

#include <new>
#include <type_traits>

namespace vx::cli {
namespace {

VARIANT ToVariant(const Literal& literal) {
  VARIANT v;
  VariantInit(&v);
  std::visit(
      [&v](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, NullValue>) {
          v.vt = VT_NULL;
        } else if constexpr (std::is_same_v<T, bool>) {
          v.vt = VT_BOOL;
          v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          v.vt = VT_I4;
          v.lVal = value;
        } else if constexpr (std::is_same_v<T, std::uint32_t>) {
          v.vt = VT_UI4;
          v.ulVal = value;
        } else if constexpr (std::is_same_v<T, double>) {
          v.vt = VT_R8;
          v.dblVal = value;
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          v.vt = VT_BSTR;
          v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
          if (!v.bstrVal) throw std::bad_alloc();
        }
      },
      literal.value);
  return v;
}

}  // namespace

ArgumentList::ArgumentList(const std::vector<Literal>& literals) {
  reversed_.reserve(literals.size());
  try {
    for (auto it = literals.rbegin(); it != literals.rend(); ++it) reversed_.push_back(ToVariant(*it));
  } catch (...) {
    for (VARIANT& v : reversed_) VariantClear(&v);
    throw;
  }
}

ArgumentList::~ArgumentList() {
  for (VARIANT& v : reversed_) VariantClear(&v);
}

DISPPARAMS ArgumentList::Params(bool property_put) {
  return DISPPARAMS{reversed_.data(), property_put ? &put_name_ : nullptr, static_cast<UINT>(reversed_.size()),
                    property_put ? 1u : 0u};
}

}  // namespace vx::cli
