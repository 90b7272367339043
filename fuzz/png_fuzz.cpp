// Fuzz target: PNG data loaded as a source picture, the whole path from the file through
// the PNG reader to the bitmap, and then written out as a thumbnail.
#include <cstdint>
#include <string>

#include "fuzz/png_input.h"
#include "object/iresize.h"
#include "platform/stringapiset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (vx::PngClaimsManyPixels(data, size)) return 0;
  static const std::string input = vx::ShmPath(".png");
  if (!vx::WriteInputFile(input, data, size)) return 0;

  IResize* resize = nullptr;
  if (CreateResize(IID_IResize, reinterpret_cast<void**>(&resize)) != S_OK) return 0;
  const std::u16string path = vx::WideFromUtf8(input);
  BSTR source = SysAllocString(path.c_str());
  BSTR target = SysAllocString(vx::WideFromUtf8(input + ".jpg").c_str());
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
