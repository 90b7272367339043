#include "gdi/shade_colors.h"

#include "gdi/vxgdi.h"

LONG CvxGDI::ShadeColors(LONG base, LONG overlay, int weight) {
  return static_cast<LONG>(vx::ShadeColorsInline(static_cast<std::uint32_t>(base),
                                                 static_cast<std::uint32_t>(overlay), weight));
}
