// libFuzzer target for pictures held in memory: CvxGDI::GetJPGSize and DrawJPG, which
// hand any bytes to the picture service and draw the result scaled.
#include <cstdint>
#include <cstdlib>

#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"
#include "platform/surface/gdi_diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 24)) return 0;
  const vx::GdiObjectCounts before = vx::LiveGdiObjects();
  void* bytes = const_cast<std::uint8_t*>(data);
  int width = -1, height = -1;
  CvxGDI::GetJPGSize(bytes, static_cast<int>(size), &width, &height);
  if (width < 0 || height < 0 || (width == 0) != (height == 0)) std::abort();
  // Drawing decodes the whole picture; pictures far larger than the fuzzer's memory are the
  // loader's limits to test, not this target's.
  if (width > 0 && std::int64_t{width} * height <= (std::int64_t{1} << 22)) {
    HDC screen = GetDC(nullptr);
    {
      vx::ScratchSurface target(screen, 40, 30);
      CvxGDI::DrawJPG(target.dc(), -3, 2, 37, 61, bytes, static_cast<int>(size));
      CvxGDI::DrawJPG(target.dc(), 0, 0, width, height, bytes, static_cast<int>(size));
    }
    ReleaseDC(nullptr, screen);
  }
  if (!(vx::LiveGdiObjects() == before)) std::abort();  // every call releases what it made
  return 0;
}
