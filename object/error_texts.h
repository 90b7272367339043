// The error texts of the Resize object, as GetErrorInfo returns them.
#pragma once

#include "platform/win_types.h"

namespace vx::error_text {

inline constexpr const OLECHAR* kUnsupportedFormat = OLESTR("Source image file formate is not supported!");
inline constexpr const OLECHAR* kSourceOpenFailed = OLESTR("Source image file open failed!");
inline constexpr const OLECHAR* kNoMemory = OLESTR("Memory is not enough!");
inline constexpr const OLECHAR* kNoMemoryForOutput = OLESTR("Memory is not enough in MakeMarkImage!");
inline constexpr const OLECHAR* kTargetOpenFailed = OLESTR("Target image file open failed!");
// A failure of the JPEG library while writing: a picture of no size, a full disk.
inline constexpr const OLECHAR* kTargetWriteFailed = OLESTR("Target image file write failed!");
// A text mark longer than any caption needs (see kMaxTextMarkUnits), refused unmeasured.
inline constexpr const OLECHAR* kTextMarkTooLong = OLESTR("Text mark is too long!");
// A choice property set to a value it does not have; the old value is kept.
inline constexpr const OLECHAR* kBadResampleFilter = OLESTR("ResampleFilter must be 0, 1 or 2!");
inline constexpr const OLECHAR* kBadChromaSubsampling = OLESTR("ChromaSubsampling must be 0, 1 or 2!");

}  // namespace vx::error_text
