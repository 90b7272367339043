#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <string>

#include "base/atomic_file.h"

namespace vx {

namespace {

constexpr int kNameAttempts = 16;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Where the file name starts: after the last "\", "/" or drive colon.
std::size_t NameStart(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

std::wstring UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}() ^ static_cast<unsigned>(GetTickCount64());
  return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(seed) + L"-" +
         std::to_wstring(++counter);
}

// A name beside the target that no one else uses, marked as a part.
std::wstring TemporaryName(const std::wstring& target) {
  const std::size_t name = NameStart(target);
  return target.substr(0, name) + L"." + target.substr(name) + L".part-" + UniqueSuffix();
}

// A C stream over a file handle, which it then owns; null (the handle closed) on failure.
FILE* StreamOver(HANDLE handle) {
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE* stream = _fdopen(fd, "wb");
  if (!stream) _close(fd);
  return stream;
}

// The path of an open file with every link resolved, so that a link is written through
// to what it names rather than replaced; the path given when that cannot be told.
std::wstring FinalPath(HANDLE handle, const std::wstring& given) {
  const DWORD length = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (length == 0) return given;
  std::wstring path(length, L'\0');
  const DWORD written = GetFinalPathNameByHandleW(handle, path.data(), length, FILE_NAME_NORMALIZED);
  if (written == 0 || written >= length) return given;
  path.resize(written);
  return path;
}

}  // namespace

bool AtomicFile::Open(const WideChar* path) {
  Abandon();
  if (!path || !*path) return false;
  target_ = path;
  if (NameStart(target_) == target_.size()) return false;  // a folder's name
  // The target must be one we may write (not read-only, not a folder). Devices and pipes
  // are written directly: they cannot be replaced, nor should they be.
  const HANDLE probe =
      CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // also a missing folder
  } else if (GetFileType(probe) != FILE_TYPE_DISK) {
    stream_ = StreamOver(probe);
    direct_ = stream_ != nullptr;
    return direct_;
  } else {
    target_ = FinalPath(probe, target_);
    CloseHandle(probe);
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary_ = TemporaryName(target_);
    const HANDLE file =
        CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      stream_ = StreamOver(file);
      break;
    }
    const DWORD error = GetLastError();
    temporary_.clear();  // the name is not ours to remove
    if (error != ERROR_FILE_EXISTS) break;
  }
  if (!stream_) {
    Abandon();
    return false;
  }
  return true;
}

bool AtomicFile::Commit() {
  if (!stream_) return false;
  const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (direct_) {
    direct_ = false;
    return written && closed;
  }
  const bool replaced =
      written && closed &&
      MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) DeleteFileW(temporary_.c_str());
  temporary_.clear();
  return replaced;
}

void AtomicFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  direct_ = false;
  if (!temporary_.empty()) {
    DeleteFileW(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace vx
