#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "base/utf8.h"
#include "base/whole_file.h"

namespace vx {

WholeFile ReadWholeFile(const WideChar* path, std::uint64_t most_bytes) {
  WholeFile file;
  const std::optional<std::string> name = path ? Utf8PathFromWide(path) : std::nullopt;
  const int fd = name ? open(name->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    file.failure = FileReadFailure::kCannotOpen;
  } else if (TakeFileBytes(static_cast<std::uint64_t>(info.st_size), most_bytes, &file)) {
    std::size_t done = 0;
    while (done < file.size) {
      const ssize_t got = read(fd, file.bytes.get() + done, file.size - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += std::size_t(got);
    }
    if (done != file.size) file.failure = FileReadFailure::kCannotOpen;  // it shrank
  }
  if (fd >= 0) close(fd);
  if (file.failure != FileReadFailure::kNone) file = WholeFile{nullptr, 0, file.failure};
  return file;
}

}  // namespace vx
