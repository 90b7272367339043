// The body of CvxGDI::ShadeColors: vx::ShadeColorsInline, which the drawing layer's text
// uses too, so it lives below gdi/.
#pragma once

#include "platform/color_mix.h"
