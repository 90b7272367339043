#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <random>

#include "base/atomic_file.h"
#include "base/utf8.h"

namespace vx {

namespace {

constexpr int kNameAttempts = 16;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  return std::to_string(getpid()) + "-" + std::to_string(seed) + "-" + std::to_string(++counter);
}

// A name beside the target that no one else uses: hidden, and marked as a part.
std::string TemporaryName(const std::string& target) {
  return FolderOf(target) + "/." + NameOf(target) + ".part-" + UniqueSuffix();
}

// Creates a named temporary file beside the target: its descriptor, or -1 with
// *temporary empty.
int CreateNamedTemporary(const std::string& target, std::string* temporary) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *temporary = TemporaryName(target);
    const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  temporary->clear();
  return -1;
}

// Links the unnamed file open in `stream` in beside the target as *temporary; false (with
// *temporary empty) when that fails.
bool NameUnnamed(FILE* stream, const std::string& target, std::string* temporary) {
  const std::string self = "/proc/self/fd/" + std::to_string(fileno(stream));
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *temporary = TemporaryName(target);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary->c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  temporary->clear();
  return false;
}

}  // namespace

bool AtomicFile::Open(const WideChar* path) {
  Abandon();
  const std::optional<std::string> name = path ? Utf8PathFromWide(path) : std::nullopt;
  if (!name || name->empty() || name->back() == '/') return false;
  target_ = *name;
  struct stat existing {};
  const bool exists = stat(target_.c_str(), &existing) == 0;
  if (exists) {
    // The target must be one we may write; a link is written through to what it names.
    // Without blocking: a pipe that nobody reads is refused at once instead of waiting.
    const int probe = open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0) return false;
    if (!S_ISREG(existing.st_mode)) {
      // A device or a pipe is written directly: it cannot be replaced, nor should it be.
      const int flags = fcntl(probe, F_GETFL);
      if (flags == -1 || fcntl(probe, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
          !(stream_ = fdopen(probe, "wb"))) {
        close(probe);
        return false;
      }
      direct_ = true;
      return true;
    }
    close(probe);
    if (char* resolved = realpath(target_.c_str(), nullptr)) {
      target_ = resolved;
      std::free(resolved);
    }
  }
  // An unnamed file vanishes with the process that writes it, however that ends; a named
  // one is the fallback for file systems that cannot make unnamed files.
  // 0666 and the process's umask, as for a file the C library creates.
  // The unnamed file is named through /proc when it is complete.
  static const bool can_name_unnamed = access("/proc/self/fd", F_OK) == 0;
  int fd = can_name_unnamed ? open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
  unnamed_ = fd >= 0;
  if (!unnamed_) fd = CreateNamedTemporary(target_, &temporary_);
  if (fd < 0) return false;
  if (exists) {
    // The replacement keeps the old file's permissions (and owner, where allowed).
    fchmod(fd, existing.st_mode & 07777);
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Not permitted for other users' files: the new file is ours.
    }
  }
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    close(fd);
    Abandon();
    return false;
  }
  return true;
}

bool AtomicFile::Commit() {
  if (!stream_) return false;
  bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
  // The unnamed file gets a name beside the target only now, for the rename over it.
  if (written && unnamed_) written = NameUnnamed(stream_, target_, &temporary_);
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (direct_) {
    direct_ = false;
    return written && closed;
  }
  const bool replaced = written && closed && std::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!replaced && !temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  unnamed_ = false;
  return replaced;
}

void AtomicFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);  // an unnamed file is gone with it
    stream_ = nullptr;
  }
  direct_ = false;
  unnamed_ = false;
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace vx
