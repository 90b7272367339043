// BSTR allocation: a 32-bit byte count, the UTF-16 text, a terminating zero.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/automation/bstr_count.h"
#include "platform/oleauto.h"

namespace {
std::atomic<long> g_live_bstrs{0};

std::uint32_t* Prefix(BSTR text) { return reinterpret_cast<std::uint32_t*>(text) - 1; }
}  // namespace

namespace vx {
long LiveBstrCount() { return g_live_bstrs; }
}  // namespace vx

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  // The byte count must fit the 32-bit prefix.
  if (length > (UINT32_MAX - sizeof(std::uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR)) return nullptr;
  const std::size_t bytes = std::size_t(length) * sizeof(OLECHAR);
  auto* block = static_cast<std::uint32_t*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  block[0] = static_cast<std::uint32_t>(bytes);
  BSTR result = reinterpret_cast<BSTR>(block + 1);
  if (text) {
    std::memcpy(result, text, bytes);
  } else {
    std::memset(result, 0, bytes);
  }
  result[length] = 0;
  ++g_live_bstrs;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  UINT length = 0;
  while (text[length]) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (!text) return;
  --g_live_bstrs;
  std::free(Prefix(text));
}

UINT SysStringByteLen(BSTR text) { return text ? *Prefix(text) : 0; }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }
