// Helpers for tests that make regions: an owning handle and the rectangles of a region.
#pragma once

#include <cstring>
#include <ostream>
#include <vector>

#include "platform/gdi.h"

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace vx::testing {

// A region deleted at the end of its scope (unless a call consumed it first).
class OwnedRegion {
 public:
  explicit OwnedRegion(HRGN region) : region_(region) {}
  ~OwnedRegion() {
    if (region_) DeleteObject(region_);
  }
  OwnedRegion(const OwnedRegion&) = delete;
  OwnedRegion& operator=(const OwnedRegion&) = delete;
  operator HRGN() const { return region_; }

 private:
  HRGN region_;
};

// The rectangles of a region, in the order GetRegionData gives them.
inline std::vector<RECT> Rects(HRGN region) {
  std::vector<char> bytes(GetRegionData(region, 0, nullptr));
  if (bytes.size() < sizeof(RGNDATAHEADER)) return {};
  auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
  if (GetRegionData(region, DWORD(bytes.size()), data) != bytes.size()) return {};
  std::vector<RECT> rects(data->rdh.nCount);
  if (!rects.empty()) std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
  return rects;
}

}  // namespace vx::testing
