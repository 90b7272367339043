// Fuzz target: PNG data loaded as a source picture, the whole path from the file through
// the PNG reader to the bitmap, and then written out as a thumbnail.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "object/iresize.h"
#include "platform/stringapiset.h"

namespace {

// The reader opens files by name, so each input goes through a file in memory-backed /dev/shm.
std::string InputPath() {
  static const std::string path = "/dev/shm/vximage-png-fuzz-" + std::to_string(getpid()) + ".png";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Large pictures are the loader's size checks, tested elsewhere; here they would only
  // make each run slow.
  if (size >= 24) {
    auto be32 = [&](std::size_t i) {
      return std::uint64_t{data[i]} << 24 | data[i + 1] << 16 | data[i + 2] << 8 | data[i + 3];
    };
    if (be32(16) * be32(20) > (std::uint64_t{1} << 22)) return 0;
  }
  FILE* file = std::fopen(InputPath().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  IResize* resize = nullptr;
  if (CreateResize(IID_IResize, reinterpret_cast<void**>(&resize)) != S_OK) return 0;
  const std::u16string path = vx::WideFromUtf8(InputPath());
  BSTR source = SysAllocString(path.c_str());
  BSTR target = SysAllocString(vx::WideFromUtf8(InputPath() + ".jpg").c_str());
  LONG width = 0, height = 0;
  resize->LoadSourceImage(source);
  resize->GetSourceImageWidth(&width);
  resize->GetSourceImageHeight(&height);
  resize->MakeThumbImage(target, 16, 16, 0);
  SysFreeString(source);
  SysFreeString(target);
  resize->Release();
  return 0;
}
