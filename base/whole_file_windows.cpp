#include <windows.h>

#include <algorithm>

#include "base/whole_file.h"

namespace vx {

WholeFile ReadWholeFile(const WideChar* path, std::uint64_t most_bytes) {
  WholeFile file;
  // Others may go on reading, writing or renaming it meanwhile, as on POSIX systems. A
  // folder does not open without FILE_FLAG_BACKUP_SEMANTICS.
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE handle =
      path ? CreateFileW(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
           : INVALID_HANDLE_VALUE;
  LARGE_INTEGER size{};
  // Pipes and character devices (FILE_TYPE_PIPE, FILE_TYPE_CHAR) are refused unread.
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) ||
      size.QuadPart < 0) {
    file.failure = FileReadFailure::kCannotOpen;
  } else if (TakeFileBytes(static_cast<std::uint64_t>(size.QuadPart), most_bytes, &file)) {
    std::size_t done = 0;
    while (done < file.size) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(file.size - done, DWORD{1} << 30));
      DWORD got = 0;
      if (!ReadFile(handle, file.bytes.get() + done, want, &got, nullptr) || got == 0) break;
      done += got;
    }
    if (done != file.size) file.failure = FileReadFailure::kCannotOpen;  // it shrank
  }
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  if (file.failure != FileReadFailure::kNone) file = WholeFile{nullptr, 0, file.failure};
  return file;
}

}  // namespace vx
