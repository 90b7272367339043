// The profile CMYK pictures without one of their own are converted with: offset printing
// on coated paper, modelled from the FOGRA39 characterisation data (Fogra's measurements
// of 1617 printed patches, as Debian's icc-profiles-free ships them in FOGRA39L.ti3, zlib
// licence). The model is Yule-Nielsen modified Neugebauer (n = 2): the 16 overprints of
// solid inks and the paper as measured, and each ink's tone value increase taken from its
// measured ramp. It is built in lcms2 as a CMYK to Lab table, relative to the paper white.
#pragma once

#include <lcms2.h>

namespace vx {

// A new profile in `context`, or null when lcms2 could not make it.
cmsHPROFILE CreateGenericCmykProfile(cmsContext context);

}  // namespace vx
