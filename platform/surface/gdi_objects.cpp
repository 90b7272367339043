#include "platform/surface/gdi_objects.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/surface/gdi_diagnostics.h"

namespace vx::gdi {

namespace {

struct Slot {
  std::uint32_t generation = 1;
  std::unique_ptr<Object> object;
};

// A handle is (generation << 32) | (slot index + 1), so that it is never null.
struct Table {
  std::mutex lock;
  std::vector<Slot> slots;
  std::vector<std::uint32_t> free_slots;
  long live[6] = {};
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: handles may be used until exit
  return *table;
}

std::uint64_t Token(HGDIOBJ handle) { return reinterpret_cast<std::uintptr_t>(handle); }

Slot* SlotOf(Table& t, HGDIOBJ handle) {
  const std::uint64_t token = Token(handle);
  const std::uint64_t index = (token & 0xFFFFFFFFu);
  if (index == 0 || index > t.slots.size()) return nullptr;
  Slot& slot = t.slots[index - 1];
  if (!slot.object || slot.generation != (token >> 32)) return nullptr;
  return &slot;
}

}  // namespace

HGDIOBJ AddObject(std::unique_ptr<Object> object) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  std::uint32_t index;
  if (!t.free_slots.empty()) {
    index = t.free_slots.back();
    t.free_slots.pop_back();
  } else {
    t.slots.emplace_back();
    index = static_cast<std::uint32_t>(t.slots.size() - 1);
  }
  Slot& slot = t.slots[index];
  if (!object->stock) ++t.live[static_cast<int>(object->kind)];
  slot.object = std::move(object);
  const std::uint64_t token = (std::uint64_t{slot.generation} << 32) | (index + 1);
  return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(token));
}

Object* FindObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  Slot* slot = SlotOf(t, handle);
  return slot ? slot->object.get() : nullptr;
}

std::unique_ptr<Object> RemoveObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  Slot* slot = SlotOf(t, handle);
  if (!slot) return nullptr;
  std::unique_ptr<Object> object = std::move(slot->object);
  if (!object->stock) --t.live[static_cast<int>(object->kind)];
  ++slot->generation;
  if (slot->generation == 0) slot->generation = 1;
  t.free_slots.push_back(static_cast<std::uint32_t>(slot - t.slots.data()));
  return object;
}

HBITMAP DefaultBitmap() {
  static HBITMAP stock = [] {
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->stock = true;
    bitmap->width = 1;
    bitmap->height = 1;
    bitmap->memory = ZeroedMemory(sizeof(std::uint32_t));
    bitmap->pixels = static_cast<std::uint32_t*>(bitmap->memory.data());
    bitmap->row_step = 1;
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
  }();
  return stock;
}

Surface SurfaceOf(const Dc& dc) {
  Bitmap* bitmap = FindBitmap(dc.bitmap);
  if (dc.screen || !bitmap || !bitmap->pixels) return {};
  return {bitmap->pixels, bitmap->width, bitmap->height, !bitmap->stock, bitmap->row_step};
}

HBITMAP NewBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (std::int64_t{width} * height > kMaxPicturePixels) return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  const std::size_t bytes = std::size_t(width) * std::size_t(height) * sizeof(std::uint32_t);
  bitmap->memory = ZeroedMemory(bytes);
  if (!bitmap->memory.data()) return nullptr;
  bitmap->pixels = static_cast<std::uint32_t*>(bitmap->memory.data());
  bitmap->row_step = width;
  bitmap->width = width;
  bitmap->height = height;
  return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

}  // namespace vx::gdi

namespace vx {

// Pixels, and the writer's rows, are zeroed memory.
void FailPixelMemoryAfter(int blocks, int refusals) { FailZeroedMemoryAfter(blocks, refusals); }

GdiObjectCounts LiveGdiObjects() {
  gdi::Table& t = gdi::TheTable();
  GdiObjectCounts counts;
  {
    std::lock_guard guard(t.lock);
    counts.dcs = t.live[static_cast<int>(gdi::Kind::kDc)];
    counts.bitmaps = t.live[static_cast<int>(gdi::Kind::kBitmap)];
    counts.brushes = t.live[static_cast<int>(gdi::Kind::kBrush)];
    counts.pens = t.live[static_cast<int>(gdi::Kind::kPen)];
    counts.fonts = t.live[static_cast<int>(gdi::Kind::kFont)];
    counts.regions = t.live[static_cast<int>(gdi::Kind::kRegion)];
  }
  return counts;
}

}  // namespace vx
