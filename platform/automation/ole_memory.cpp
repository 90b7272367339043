// Global memory blocks and the stream that reads one.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/com_object.h"
#include "platform/olectl.h"

namespace {

struct GlobalBlock {
  SIZE_T size = 0;
  BYTE* data = nullptr;
};

class HGlobalStream final : public vx::ComObject<IStream, IID_IStream> {
 public:
  HGlobalStream(HGLOBAL block, bool owns) : block_(block), owns_(owns) {}
  ~HGlobalStream() override {
    if (owns_) GlobalFree(block_);
  }

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG bytes, ULONG* read) override {
    if (!buffer && bytes) return E_POINTER;
    auto* block = static_cast<GlobalBlock*>(block_);
    const SIZE_T available = block->size - position_;
    const ULONG n = static_cast<ULONG>(std::min<SIZE_T>(bytes, available));
    if (n) std::memcpy(buffer, block->data + position_, n);
    position_ += n;
    if (read) *read = n;
    return n == bytes ? S_OK : S_FALSE;
  }

 private:
  HGLOBAL block_;
  bool owns_;
  SIZE_T position_ = 0;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  auto* block = new (std::nothrow) GlobalBlock;
  if (!block) return nullptr;
  block->data = static_cast<BYTE*>((flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                                           : std::malloc(bytes ? bytes : 1));
  if (!block->data) {
    delete block;
    return nullptr;
  }
  block->size = bytes;
  return block;
}

LPVOID GlobalLock(HGLOBAL block) { return block ? static_cast<GlobalBlock*>(block)->data : nullptr; }

BOOL GlobalUnlock(HGLOBAL block) { return FALSE; }  // FALSE: no locks remain

HGLOBAL GlobalFree(HGLOBAL handle) {
  auto* block = static_cast<GlobalBlock*>(handle);
  if (block) {
    std::free(block->data);
    delete block;
  }
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) { return block ? static_cast<GlobalBlock*>(block)->size : 0; }

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL delete_on_release, IStream** stream) {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  if (!block) return E_INVALIDARG;  // a stream over new memory is not needed here
  *stream = new (std::nothrow) HGlobalStream(block, delete_on_release != FALSE);
  return *stream ? S_OK : E_OUTOFMEMORY;
}
