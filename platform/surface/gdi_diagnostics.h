// Counters and settings of the drawing layer that tests use; not part of the Windows API.
#pragma once

namespace vx {

struct GdiObjectCounts {
  long dcs = 0;  // memory contexts and screen contexts not yet released
  long bitmaps = 0;
  long brushes = 0;
  long pens = 0;
  long fonts = 0;
  long regions = 0;

  long total() const { return dcs + bitmaps + brushes + pens + fonts + regions; }
  bool operator==(const GdiObjectCounts&) const = default;
};

// Live objects created by callers (stock objects are not counted).
GdiObjectCounts LiveGdiObjects();

// Makes memory for pixels run out, for tests of what a routine does then: after `blocks`
// more blocks of pixel memory (bitmaps, the writer's rows) have been handed out, the next
// `refusals` are refused (every further one when negative), until this is called again; a
// negative count of blocks lifts the limit.
void FailPixelMemoryAfter(int blocks, int refusals = -1);

// Dots per inch that the screen reports through GetDeviceCaps (96 unless changed).
void SetScreenDpi(int dpi);
int ScreenDpi();

}  // namespace vx
