// The file functions of base/: a file read whole without waiting, and an output file that
// replaces its target whole or not at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/utf8.h"
#include "base/whole_file.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class BaseFilesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  WideString Wide(const std::string& name) const { return WideFromUtf8(Path(name)); }
  // Writes `text` through an AtomicFile and commits it.
  bool WriteWhole(const std::string& name, const std::string& text) {
    AtomicFile file;
    if (!file.Open(Wide(name).c_str())) return false;
    std::fputs(text.c_str(), file.stream());
    return file.Commit();
  }
  std::string Text(const std::string& name) const {
    const std::vector<std::uint8_t> bytes = ReadBytes(Path(name));
    return std::string(bytes.begin(), bytes.end());
  }
  TempDir dir_;
};

TEST_F(BaseFilesTest, ReadingTakesTheWholeFileOfAnyPermissions) {
  WriteBytes(Path("ro.bin"), {1, 2, 3, 4, 5});
  ASSERT_EQ(chmod(Path("ro.bin").c_str(), 0444), 0);
  const WholeFile file = ReadWholeFile(Wide("ro.bin").c_str(), 5);
  ASSERT_EQ(file.failure, FileReadFailure::kNone);
  ASSERT_EQ(file.size, 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.bytes.get(), file.bytes.get() + 5),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));

  WriteBytes(Path("empty.bin"), {});
  const WholeFile empty = ReadWholeFile(Wide("empty.bin").c_str(), 5);
  EXPECT_EQ(empty.failure, FileReadFailure::kNone);
  EXPECT_EQ(empty.size, 0u);
  EXPECT_NE(empty.bytes, nullptr);
}

TEST_F(BaseFilesTest, ReadingRefusesWhatIsNoPlainFileOrTooLarge) {
  WriteBytes(Path("six.bin"), {1, 2, 3, 4, 5, 6});
  const WholeFile large = ReadWholeFile(Wide("six.bin").c_str(), 5);
  EXPECT_EQ(large.failure, FileReadFailure::kTooLarge);
  EXPECT_EQ(large.bytes, nullptr);
  EXPECT_EQ(large.size, 0u);
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  for (const char* name : {"missing.bin", "folder", "nowhere/x.bin"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadWholeFile(Wide(name).c_str(), 100).failure, FileReadFailure::kCannotOpen);
  }
  EXPECT_EQ(ReadWholeFile(nullptr, 100).failure, FileReadFailure::kCannotOpen);
  EXPECT_EQ(ReadWholeFile(u"", 100).failure, FileReadFailure::kCannotOpen);
  // No UTF-8 name carries an unpaired surrogate; "a?.bin" is another file.
  WriteBytes(Path("a?.bin"), {1});
  EXPECT_EQ(ReadWholeFile((Wide("a") + u"\xD800.bin").c_str(), 100).failure, FileReadFailure::kCannotOpen);
}

TEST_F(BaseFilesTest, ReadingAPipeThatNobodyWritesDoesNotWait) {
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  std::future<FileReadFailure> read =
      std::async(std::launch::async, [&] { return ReadWholeFile(Wide("pipe").c_str(), 100).failure; });
  if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "ReadWholeFile waited for a writer";
    const int writer = open(Path("pipe").c_str(), O_WRONLY | O_NONBLOCK);  // lets it go on
    if (writer >= 0) close(writer);
  }
  EXPECT_EQ(read.get(), FileReadFailure::kCannotOpen);
}

TEST_F(BaseFilesTest, ACommittedFileReplacesItsTargetAndKeepsItsPermissions) {
  WriteBytes(Path("t.txt"), {'o', 'l', 'd'});
  ASSERT_EQ(chmod(Path("t.txt").c_str(), 0640), 0);
  ASSERT_TRUE(WriteWhole("t.txt", "new contents"));
  EXPECT_EQ(Text("t.txt"), "new contents");
  struct stat info {};
  ASSERT_EQ(stat(Path("t.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_TRUE(WriteWhole("fresh.txt", "made"));
  EXPECT_EQ(Text("fresh.txt"), "made");
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"fresh.txt", "t.txt"}));
}

TEST_F(BaseFilesTest, AnAbandonedFileLeavesTheTargetAsItWas) {
  WriteBytes(Path("t.txt"), {'o', 'l', 'd'});
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(Wide("t.txt").c_str()));
    std::fputs("half", file.stream());
    std::fflush(file.stream());
    EXPECT_EQ(Text("t.txt"), "old");
  }  // abandoned
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(Wide("t.txt").c_str()));
    std::fputs("half", file.stream());
    file.Abandon();
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(Text("t.txt"), "old");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"t.txt"});
}

TEST_F(BaseFilesTest, TargetsThatCannotBeWrittenAreRefusedAtOpen) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  for (const char* name : {"nowhere/t.txt", "folder", "folder/", ""}) {
    SCOPED_TRACE(name);
    AtomicFile file;
    EXPECT_FALSE(file.Open(Wide(name).c_str()));
    EXPECT_EQ(file.stream(), nullptr);
  }
  AtomicFile file;
  EXPECT_FALSE(file.Open(nullptr));
  EXPECT_FALSE(file.Open((Wide("t") + u"\xDC00.txt").c_str()));
  if (geteuid() != 0) {  // root writes read-only files
    WriteBytes(Path("ro.txt"), {'o'});
    ASSERT_EQ(chmod(Path("ro.txt").c_str(), 0444), 0);
    EXPECT_FALSE(file.Open(Wide("ro.txt").c_str()));
  }
  EXPECT_FALSE(FileExists(Path("nowhere")));
  EXPECT_EQ(dir_.Names().size(), geteuid() != 0 ? 2u : 1u);  // the folder (and ro.txt)
}

// A file system that runs out of room: the data fails to go out, and the target stays.
TEST_F(BaseFilesTest, AFullDiskIsAFailedCommitThatLeavesNothingBehind) {
  WriteBytes(Path("t.txt"), {'o', 'l', 'd'});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Files may grow to 16 bytes; the write past that fails instead of stopping us.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{16, 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(WriteWhole("t.txt", std::string(4096, 'x')) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the commit succeeded";
  EXPECT_EQ(Text("t.txt"), "old");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"t.txt"});

  // A device is written directly, and a full one fails the commit.
  struct stat info {};
  if (stat("/dev/full", &info) == 0) {
    AtomicFile full;
    ASSERT_TRUE(full.Open(u"/dev/full"));
    std::fputs(std::string(8192, 'x').c_str(), full.stream());
    EXPECT_FALSE(full.Commit());
  }
}

}  // namespace
}  // namespace vx::testing
