// The resampler's inner loops in AVX2, for x86 and x64 processors that have it (the caller
// asks the processor first).
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VX_RESAMPLE_X86 1

#include "object/resample_kernels.h"

namespace vx::resample {

const RowKernels& Avx2Kernels();

}  // namespace vx::resample
#endif
