// VARIANT lifetime and conversion between the automation types this system uses.
//
// A conversion first reads the source as one of three shapes: nothing (VT_EMPTY), a
// number (an exact integer or a double) or text, and then writes that shape as the target
// type. Numbers that come from a bit pattern (booleans, &H and &O text) may wrap into a
// target of the same width but other signedness, as automation does (&HFFFFFFFF is -1 as
// a long, VARIANT_TRUE is 255 as a byte).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "platform/oleauto.h"

namespace {

bool IsKnownBaseType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8:
    case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN:
    case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

bool IsValidType(VARTYPE vt) {
  if (vt & VT_BYREF) {
    const VARTYPE base = vt & ~VT_BYREF;
    return base == VT_VARIANT || (base != VT_EMPTY && base != VT_NULL && IsKnownBaseType(base));
  }
  return IsKnownBaseType(vt);
}

// The value a VT_BYREF variant points at, as a plain variant that owns nothing.
HRESULT Dereference(const VARIANT& src, VARIANT* view) {
  *view = src;
  if (!(src.vt & VT_BYREF)) return S_OK;
  if (!src.byref) return E_INVALIDARG;
  const VARTYPE base = src.vt & ~VT_BYREF;
  view->vt = base;
  switch (base) {
    case VT_VARIANT:
      if (src.pvarVal->vt == (VT_BYREF | VT_VARIANT)) return DISP_E_BADVARTYPE;
      return Dereference(*src.pvarVal, view);
    case VT_I2: view->iVal = *src.piVal; break;
    case VT_I4: view->lVal = *src.plVal; break;
    case VT_R4: view->fltVal = *static_cast<float*>(src.byref); break;
    case VT_R8: view->dblVal = *src.pdblVal; break;
    case VT_BSTR: view->bstrVal = *src.pbstrVal; break;
    case VT_BOOL: view->boolVal = *src.pboolVal; break;
    case VT_ERROR: view->scode = *static_cast<SCODE*>(src.byref); break;
    case VT_DISPATCH: view->pdispVal = *static_cast<IDispatch**>(src.byref); break;
    case VT_UNKNOWN: view->punkVal = *static_cast<IUnknown**>(src.byref); break;
    case VT_I1: view->cVal = *static_cast<CHAR*>(src.byref); break;
    case VT_UI1: view->bVal = *static_cast<BYTE*>(src.byref); break;
    case VT_UI2: view->uiVal = *static_cast<USHORT*>(src.byref); break;
    case VT_UI4: view->ulVal = *src.pulVal; break;
    case VT_INT: view->intVal = *static_cast<INT*>(src.byref); break;
    case VT_UINT: view->uintVal = *static_cast<UINT*>(src.byref); break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// A number read from a source value.
struct Number {
  bool is_real = false;
  double real = 0;
  std::int64_t integer = 0;
  bool bit_pattern = false;  // from a boolean, &H or &O: may wrap into the target's width
};

// --- Text to number -------------------------------------------------------------------

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// "&H1F" or "&O17" (the prefix already checked): an unsigned bit pattern.
HRESULT ParseRadix(std::u16string_view digits, unsigned radix, Number* out) {
  if (digits.empty()) return DISP_E_TYPEMISMATCH;
  std::uint64_t value = 0;
  for (char16_t c : digits) {
    unsigned digit;
    if (IsDigit(c)) digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return DISP_E_TYPEMISMATCH;
    if (digit >= radix) return DISP_E_TYPEMISMATCH;
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / radix) return DISP_E_OVERFLOW;
    value = value * radix + digit;
  }
  if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return DISP_E_OVERFLOW;
  *out = Number{false, 0, static_cast<std::int64_t>(value), true};
  return S_OK;
}

// [sign] digits [. digits] [E [sign] digits], at least one mantissa digit.
HRESULT ParseDecimal(std::u16string_view text, Number* out) {
  std::string ascii;  // the same text in ASCII, without a leading '+', for from_chars
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii += '-';
    ++i;
  }
  int integer_digits = 0;     // after leading zeros
  int fraction_zeros = 0;     // leading zeros of the fraction when the integer part is 0
  bool any_digit = false, nonzero_seen = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    any_digit = true;
    nonzero_seen = nonzero_seen || text[i] != u'0';
    if (nonzero_seen) ++integer_digits;
    ascii += static_cast<char>(text[i]);
  }
  if (i < text.size() && text[i] == u'.') {
    ascii += '.';
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      any_digit = true;
      if (!nonzero_seen && text[i] == u'0') ++fraction_zeros;
      nonzero_seen = nonzero_seen || text[i] != u'0';
      ascii += static_cast<char>(text[i]);
    }
  }
  if (!any_digit) return DISP_E_TYPEMISMATCH;
  long exponent = 0;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ascii += 'e';
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      negative = text[i] == u'-';
      ascii += static_cast<char>(text[i]);
      ++i;
    }
    if (i == text.size()) return DISP_E_TYPEMISMATCH;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - u'0');
      ascii += static_cast<char>(text[i]);
    }
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return DISP_E_TYPEMISMATCH;

  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a double: the decimal magnitude tells which.
    const long magnitude = integer_digits > 0 ? integer_digits + exponent : exponent - fraction_zeros;
    if (magnitude > 0) return DISP_E_OVERFLOW;
    value = 0;
  } else if (error != std::errc() || end != ascii.data() + ascii.size()) {
    return DISP_E_TYPEMISMATCH;
  }
  *out = Number{true, value, 0, false};
  return S_OK;
}

HRESULT ParseNumber(std::u16string_view text, Number* out) {
  text = Trim(text);
  if (text.size() >= 2 && text[0] == u'&') {
    if (text[1] == u'H' || text[1] == u'h') return ParseRadix(text.substr(2), 16, out);
    if (text[1] == u'O' || text[1] == u'o') return ParseRadix(text.substr(2), 8, out);
  }
  return ParseDecimal(text, out);
}

std::u16string_view TextOf(BSTR text) { return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view(); }

// --- Reading a source as a number -----------------------------------------------------

HRESULT ReadNumber(const VARIANT& v, Number* out) {
  switch (v.vt) {
    case VT_EMPTY: *out = Number{}; return S_OK;
    case VT_NULL: return DISP_E_TYPEMISMATCH;
    case VT_I1: *out = Number{false, 0, v.cVal, false}; return S_OK;
    case VT_I2: *out = Number{false, 0, v.iVal, false}; return S_OK;
    case VT_I4: *out = Number{false, 0, v.lVal, false}; return S_OK;
    case VT_INT: *out = Number{false, 0, v.intVal, false}; return S_OK;
    case VT_UI1: *out = Number{false, 0, v.bVal, false}; return S_OK;
    case VT_UI2: *out = Number{false, 0, v.uiVal, false}; return S_OK;
    case VT_UI4: *out = Number{false, 0, v.ulVal, false}; return S_OK;
    case VT_UINT: *out = Number{false, 0, v.uintVal, false}; return S_OK;
    case VT_R4: *out = Number{true, v.fltVal, 0, false}; return S_OK;
    case VT_R8: *out = Number{true, v.dblVal, 0, false}; return S_OK;
    case VT_BOOL: *out = Number{false, 0, v.boolVal, true}; return S_OK;
    case VT_BSTR: return ParseNumber(TextOf(v.bstrVal), out);
    case VT_ERROR: case VT_DISPATCH: case VT_UNKNOWN: return DISP_E_TYPEMISMATCH;
    default: return DISP_E_BADVARTYPE;
  }
}

// An integer target: its range and its width in bits.
struct IntegerRange {
  std::int64_t min;
  std::int64_t max;
  int bits;
};

bool RangeOf(VARTYPE vt, IntegerRange* range) {
  switch (vt) {
    case VT_I1: *range = {INT8_MIN, INT8_MAX, 8}; return true;
    case VT_UI1: *range = {0, UINT8_MAX, 8}; return true;
    case VT_I2: *range = {INT16_MIN, INT16_MAX, 16}; return true;
    case VT_UI2: *range = {0, UINT16_MAX, 16}; return true;
    case VT_I4: case VT_INT: *range = {INT32_MIN, INT32_MAX, 32}; return true;
    case VT_UI4: case VT_UINT: *range = {0, UINT32_MAX, 32}; return true;
    default: return false;
  }
}

// Rounds half to even and checks the range.
HRESULT ToInteger(const Number& n, const IntegerRange& range, std::int64_t* out) {
  if (n.is_real) {
    if (!std::isfinite(n.real)) return DISP_E_OVERFLOW;
    const bool halfway = n.real - std::floor(n.real) == 0.5;
    const double rounded = halfway ? 2 * std::round(n.real / 2) : std::round(n.real);
    if (rounded < static_cast<double>(range.min) || rounded > static_cast<double>(range.max)) return DISP_E_OVERFLOW;
    *out = static_cast<std::int64_t>(rounded);
    return S_OK;
  }
  std::int64_t value = n.integer;
  if (n.bit_pattern && range.bits < 64) {
    const std::int64_t span = std::int64_t{1} << range.bits;
    if (value > range.max && value < span) value -= span;     // &HFFFF as a 16-bit signed
    else if (value < range.min && value >= -span / 2) value += span;  // True as a byte
  }
  if (value < range.min || value > range.max) return DISP_E_OVERFLOW;
  *out = value;
  return S_OK;
}

HRESULT StoreInteger(std::int64_t value, VARTYPE vt, VARIANT* out) {
  out->vt = vt;
  switch (vt) {
    case VT_I1: out->cVal = static_cast<CHAR>(value); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(value); break;
    case VT_I2: out->iVal = static_cast<SHORT>(value); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(value); break;
    case VT_I4: out->lVal = static_cast<LONG>(value); break;
    case VT_INT: out->intVal = static_cast<INT>(value); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(value); break;
    case VT_UINT: out->uintVal = static_cast<UINT>(value); break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

double AsDouble(const Number& n) { return n.is_real ? n.real : static_cast<double>(n.integer); }

HRESULT ToNumberType(const VARIANT& src, VARTYPE vt, VARIANT* out) {
  Number n;
  if (vt == VT_BOOL && src.vt == VT_BSTR) {
    const std::u16string_view text = Trim(TextOf(src.bstrVal));
    const bool is_true = vx::SameIgnoringAsciiCase<char16_t>(text, u"true");
    if (is_true || vx::SameIgnoringAsciiCase<char16_t>(text, u"false")) {
      out->vt = VT_BOOL;
      out->boolVal = is_true ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  HRESULT hr = ReadNumber(src, &n);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_BOOL:
      out->vt = VT_BOOL;
      out->boolVal = AsDouble(n) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_R8:
      out->vt = VT_R8;
      out->dblVal = AsDouble(n);
      return S_OK;
    case VT_R4: {
      const double value = AsDouble(n);
      if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      out->vt = VT_R4;
      out->fltVal = static_cast<float>(value);
      return S_OK;
    }
    default: {
      IntegerRange range;
      if (!RangeOf(vt, &range)) return DISP_E_BADVARTYPE;
      std::int64_t value;
      hr = ToInteger(n, range, &value);
      if (FAILED(hr)) return hr;
      return StoreInteger(value, vt, out);
    }
  }
}

// --- Numbers to text ------------------------------------------------------------------

std::string RealText(double value, int digits) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
  std::string text = buffer;
  return text == "-0" ? "0" : text;
}

HRESULT ToText(const VARIANT& src, VARIANT* out) {
  std::string text;
  switch (src.vt) {
    case VT_EMPTY: break;
    case VT_BOOL: text = src.boolVal ? "True" : "False"; break;
    case VT_R4: text = RealText(src.fltVal, 7); break;
    case VT_R8: text = RealText(src.dblVal, 15); break;
    default: {
      Number n;
      const HRESULT hr = ReadNumber(src, &n);
      if (FAILED(hr)) return hr;
      text = std::to_string(n.integer);
    }
  }
  const std::u16string wide(text.begin(), text.end());
  BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!result) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = result;
  return S_OK;
}

// Converts a plain (dereferenced) source into a new value that out owns.
HRESULT Convert(const VARIANT& src, VARTYPE vt, VARIANT* out) {
  if (!IsKnownBaseType(src.vt)) return DISP_E_BADVARTYPE;
  if (src.vt == vt) return VariantCopy(out, &src);
  switch (vt) {
    case VT_EMPTY: return S_OK;
    case VT_NULL:
      if (src.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
      out->vt = VT_NULL;
      return S_OK;
    case VT_BSTR: return ToText(src, out);
    case VT_ERROR: case VT_DISPATCH: case VT_UNKNOWN: return DISP_E_TYPEMISMATCH;
    default: return ToNumberType(src, vt, out);
  }
}

}  // namespace

void VariantInit(VARIANT* v) {
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->dblVal = 0;  // the widest plain member: no stale pointer survives
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!IsValidType(v->vt)) return DISP_E_BADVARTYPE;
  switch (v->vt) {  // a VT_BYREF value owns nothing
    case VT_BSTR: SysFreeString(v->bstrVal); break;
    case VT_DISPATCH: case VT_UNKNOWN: if (v->punkVal) v->punkVal->Release(); break;
    default: break;
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
  const HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) return hr;
  if (src->vt == VT_BSTR && src->bstrVal) {
    BSTR copy = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!copy) return E_OUTOFMEMORY;
    dest->vt = VT_BSTR;
    dest->bstrVal = copy;
    return S_OK;
  }
  *dest = *src;
  if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) src->punkVal->AddRef();
  return S_OK;
}

// The flags (VARIANT_NOVALUEPROP and the like) concern objects and locales, which this
// system does not convert; they change nothing here.
HRESULT VariantChangeType(VARIANT* dest, VARIANT* src, USHORT, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
  if ((vt & VT_BYREF) || !IsKnownBaseType(vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = Dereference(*src, &view);
  if (FAILED(hr)) return hr;
  VARIANT value;
  VariantInit(&value);
  hr = Convert(view, vt, &value);
  if (FAILED(hr)) return hr;
  // Only now may dest go: when it is src, the conversion above still needed it.
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&value);
    return hr;
  }
  *dest = value;
  return S_OK;
}
