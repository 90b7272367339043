// Counters of the text calls that tests use to hold their work to the text's size; not
// part of the Windows API.
#pragma once

namespace vx {

struct TextWork {
  long long shapings = 0;     // texts turned into glyphs
  long long glyph_loads = 0;  // glyphs loaded and hinted to be drawn
};

// The work done by the text calls of the process so far.
TextWork TextWorkDone();

}  // namespace vx
