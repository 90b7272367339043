// Zeroed blocks for pixels: every block starts zeroed, and the last big blocks freed (one a
// core) are kept only for next ones of their size, only for a moment and only up to a size.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/zeroed_memory.h"

namespace vx::testing {
namespace {

// Whether the page holding `address` is mapped in this process.
bool Mapped(const void* address) {
  const auto page_size = std::uintptr_t(sysconf(_SC_PAGESIZE));
  void* page = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address) / page_size * page_size);
  unsigned char resident = 0;
  return mincore(page, 1, &resident) == 0 || errno != ENOMEM;
}

bool AllZero(const ZeroedMemory& block) {
  const auto* bytes = static_cast<const unsigned char*>(block.data());
  return std::all_of(bytes, bytes + block.size(), [](unsigned char b) { return b == 0; });
}

constexpr std::size_t kBlock = 3 * kPagedBlockBytes + 12345;

class ZeroedMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { KeepFreedPagesFor(std::chrono::seconds(2)); }
  void TearDown() override { KeepFreedPagesFor(std::chrono::seconds(2)); }
};

TEST_F(ZeroedMemoryTest, AFreedBlockComesBackClearedForTheSameSize) {
  ZeroedMemory first(kBlock);
  ASSERT_NE(first.data(), nullptr);
  EXPECT_TRUE(AllZero(first));
  std::memset(first.data(), 0xAB, kBlock);
  void* const pages = first.data();
  first = ZeroedMemory();
  ZeroedMemory second(kBlock);
  EXPECT_EQ(second.data(), pages);
  EXPECT_EQ(second.size(), kBlock);
  EXPECT_TRUE(AllZero(second));
}

// A batch's workers free their pictures at about the same time: each gets its own back.
TEST_F(ZeroedMemoryTest, BlocksFreedByConcurrentWorkersAreAllKept) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one block is kept on one core";
  ZeroedMemory first(kBlock), second(kBlock);
  std::memset(first.data(), 0x11, kBlock);
  std::memset(second.data(), 0x22, kBlock);
  void* const pages[2] = {first.data(), second.data()};
  first = ZeroedMemory();
  second = ZeroedMemory();
  ZeroedMemory again[2] = {ZeroedMemory(kBlock), ZeroedMemory(kBlock)};
  // The newest freed comes back first.
  EXPECT_EQ(again[0].data(), pages[1]);
  EXPECT_EQ(again[1].data(), pages[0]);
  EXPECT_TRUE(AllZero(again[0]) && AllZero(again[1]));
}

TEST_F(ZeroedMemoryTest, AKeptBlockIsLetGoBeforeABlockOfAnotherSizeIsMade) {
  ZeroedMemory first(kBlock);
  std::memset(first.data(), 0xCD, kBlock);
  const unsigned char* first_byte = static_cast<unsigned char*>(first.data());
  const unsigned char* last_byte = first_byte + kBlock - 1;
  first = ZeroedMemory();
  EXPECT_TRUE(Mapped(first_byte) && Mapped(last_byte));  // kept
  ZeroedMemory smaller(kBlock / 2);
  ASSERT_NE(smaller.data(), nullptr);
  EXPECT_TRUE(AllZero(smaller));
  // Wherever the smaller block lies, it cannot cover both ends of the old one.
  EXPECT_FALSE(Mapped(first_byte) && Mapped(last_byte));
}

TEST_F(ZeroedMemoryTest, AKeptBlockIsLetGoSoonAfter) {
  KeepFreedPagesFor(std::chrono::milliseconds(20));
  ZeroedMemory block(kBlock);
  std::memset(block.data(), 1, kBlock);
  const void* pages = block.data();
  block = ZeroedMemory();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Mapped(pages) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(Mapped(pages));
}

TEST_F(ZeroedMemoryTest, NothingIsKeptWhenToldSoOrPastTheSizeKept) {
  KeepFreedPagesFor(std::chrono::milliseconds(0));
  ZeroedMemory block(kBlock);
  const void* pages = block.data();
  block = ZeroedMemory();
  EXPECT_FALSE(Mapped(pages));

  KeepFreedPagesFor(std::chrono::seconds(2));
  ZeroedMemory huge(std::size_t{200} << 20);  // mapped, never touched
  ASSERT_NE(huge.data(), nullptr);
  const void* huge_pages = huge.data();
  huge = ZeroedMemory();
  EXPECT_FALSE(Mapped(huge_pages));
}

TEST_F(ZeroedMemoryTest, SmallBlocksAreZeroedToo) {
  for (std::size_t bytes : {std::size_t{1}, std::size_t{4096}, kPagedBlockBytes - 1}) {
    ZeroedMemory block(bytes);
    ASSERT_NE(block.data(), nullptr);
    EXPECT_TRUE(AllZero(block));
  }
  EXPECT_EQ(ZeroedMemory(0).data(), nullptr);
}

}  // namespace
}  // namespace vx::testing
