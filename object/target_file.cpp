#include "object/target_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace vx {

namespace {

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

}  // namespace

bool TargetFile::Open(const std::string& path) {
  Abandon();
  if (path.empty() || path.back() == '/') return false;
  target_ = path;
  struct stat existing {};
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (exists) {
    // The target must be one we may write; a link is written through to what it names.
    const int probe = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return false;
    close(probe);
    if (!S_ISREG(existing.st_mode)) {
      // A device or a pipe is written directly: it cannot be replaced, nor should it be.
      stream_ = std::fopen(path.c_str(), "wb");
      return stream_ != nullptr;
    }
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      target_ = resolved;
      std::free(resolved);
    }
  }
  const std::string folder = FolderOf(target_);
  for (int attempt = 0; attempt < 16 && !stream_; ++attempt) {
    temporary_ = folder + "/." + NameOf(target_) + ".part-" + UniqueSuffix();
    // 0666 and the process's umask, as for a file the C library creates.
    const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      temporary_.clear();
      return false;
    }
    if (exists) {
      // The replacement keeps the old file's permissions (and owner, where allowed).
      fchmod(fd, existing.st_mode & 07777);
      if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Not permitted for other users' files: the new file is ours.
      }
    }
    stream_ = fdopen(fd, "wb");
    if (!stream_) close(fd);
  }
  if (!stream_) {
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  return true;
}

bool TargetFile::Commit() {
  if (!stream_) return false;
  const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (temporary_.empty()) return written && closed;  // written in place
  if (!written || !closed || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void TargetFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace vx
