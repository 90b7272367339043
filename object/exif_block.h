// An Exif block (TIFF-structured: byte order mark, 42, first directory offset) made fit to
// travel with an output picture: the orientation set back to upright when the picture was
// turned, and the embedded thumbnail dropped, since it shows the source before any mark or
// crop.
//
// The block is edited in place, never rebuilt: every offset of the directories and of
// maker notes (which often count from the block's start) stays what it was. The thumbnail's
// directory is unlinked; when it and its data lie past everything the kept directories
// point at, as cameras write them, the block is cut there, else their bytes are zeroed.
// The block comes from files of any origin: every offset and count is checked against its
// size before it is followed, each directory is visited once, and a block whose first
// directory is not whole is refused.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// The block ready to be written, or empty when it is no valid Exif block.
std::vector<std::uint8_t> ExifBlockForOutput(std::span<const std::uint8_t> tiff, bool reset_orientation);

}  // namespace vx
