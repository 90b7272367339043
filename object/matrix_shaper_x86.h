// The matrix-shaper conversion's loop over DIB words in AVX2, for x86 and x64 processors
// that have it (the caller asks the processor first).
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VX_MATRIX_SHAPER_X86 1

#include <cstddef>
#include <cstdint>

#include "object/matrix_shaper_conversion.h"

namespace vx {

// Converts the words eight at a time, exactly as the plain loop would; answers how many
// it converted (a multiple of eight), the rest being the caller's.
std::size_t ConvertWordsAvx2(const MatrixShaperConversion::Tables& tables, const std::uint32_t* in,
                             std::uint32_t* out, std::size_t count);

}  // namespace vx
#endif
