// LoadSourceImage: reads a picture file into the object's source context.
//
// JPEG, GIF and BMP files go through the picture service from a copy of the file in
// memory; PNG files through CPngReader, which decodes the file's bytes straight into a
// new black bitmap. The file's extension alone chooses the path. A load either gives a
// picture (all of it, or the rows a broken file holds) or fails with an error text.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "object/extension_rule.h"
#include "object/png_reader.h"
#include "object/resize.h"
#include "platform/olectl.h"
#include "platform/stringapiset.h"

namespace {

constexpr int kHimetricPerInch = 2540;
// The largest picture the object takes: 65 500 pixels a side (what a JPEG can hold) and
// 2^29 pixels (2 GiB of bitmap) in all. A header that claims more is refused before
// anything is allocated for it.
constexpr LONG kMaxSide = 65500;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 29;
// No picture file of a size we accept comes near this.
constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 32;

bool SizeAcceptable(LONG width, LONG height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         std::int64_t{width} * height <= kMaxPixels;
}

struct FileContents {
  BYTE* bytes = nullptr;
  std::size_t size = 0;
  const OLECHAR* error = nullptr;  // set when the file could not be read
};

// The whole file. It is opened for reading only, so a read-only file loads too, and
// without blocking, so a pipe that nobody writes is refused at once: only plain files
// are read, since a folder or a device has no picture in it.
FileContents ReadWholeFile(BSTR path) {
  FileContents contents;
  const std::optional<std::string> name = vx::Utf8PathFromWide(path);
  const int fd = name ? open(name->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    contents.error = vx::error_text::kSourceOpenFailed;
  } else if (info.st_size > kMaxFileBytes ||
             !(contents.bytes = new (std::nothrow) BYTE[info.st_size ? std::size_t(info.st_size) : 1])) {
    contents.error = vx::error_text::kNoMemory;
  } else {
    contents.size = std::size_t(info.st_size);
    std::size_t done = 0;
    while (done < contents.size) {
      const ssize_t got = read(fd, contents.bytes + done, contents.size - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += std::size_t(got);
    }
    if (done != contents.size) contents.error = vx::error_text::kSourceOpenFailed;  // it shrank
  }
  if (fd >= 0) close(fd);
  if (contents.error) {
    delete[] contents.bytes;
    contents = {nullptr, 0, contents.error};
  }
  return contents;
}

// The picture service's view of the file: a stream over a global copy of the bytes and
// the picture decoded from it, or no picture when the data is not one.
struct ServicePicture {
  IStream* stream = nullptr;
  IPicture* picture = nullptr;
  OLE_XSIZE_HIMETRIC hm_width = 0;
  OLE_YSIZE_HIMETRIC hm_height = 0;
  bool out_of_memory = false;  // the data may be a picture, but there was no memory to tell

  ~ServicePicture() {
    if (picture) picture->Release();
    if (stream) stream->Release();  // frees the global block
  }

  void Open(const BYTE* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) {
      out_of_memory = true;
      return;
    }
    std::copy(bytes, bytes + size, static_cast<BYTE*>(GlobalLock(block)));
    GlobalUnlock(block);
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
      GlobalFree(block);
      out_of_memory = true;
      return;
    }
    const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                          reinterpret_cast<void**>(&picture));
    if (FAILED(loaded)) {
      picture = nullptr;
      out_of_memory = loaded == E_OUTOFMEMORY;
      return;
    }
    picture->get_Width(&hm_width);
    picture->get_Height(&hm_height);
  }

  // Null when the picture was drawn, else the error text that says why not.
  const OLECHAR* Render(HDC dc, LONG width, LONG height) {
    // HIMETRIC y runs upward: start at the far edge and come back to draw upright.
    const HRESULT drawn = picture->Render(dc, 0, 0, width, height, 0, hm_height, hm_width, -hm_height, nullptr);
    if (drawn == E_OUTOFMEMORY) return vx::error_text::kNoMemory;
    return FAILED(drawn) ? vx::error_text::kUnsupportedFormat : nullptr;
  }
};

// A bitmap whose pixels the PNG reader decodes into directly: black 32-bit words, top row
// first, with no gap between rows.
HBITMAP NewPngBitmap(HDC screen, LONG width, LONG height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Null when the PNG's pixels were decoded, else the error text that says why not.
const OLECHAR* DecodePng(CPngReader& png, void* bits) {
  switch (png.DecodeOverBlack(static_cast<std::uint32_t*>(bits))) {
    case CPngReader::Rows::kNone: return vx::error_text::kUnsupportedFormat;
    case CPngReader::Rows::kOutOfMemory: return vx::error_text::kNoMemory;
    case CPngReader::Rows::kSome:
    case CPngReader::Rows::kAll: break;
  }
  return nullptr;
}

}  // namespace

HRESULT CResize::LoadSourceImage(BSTR strImageFile) {
  OLECHAR extension[vx::kExtensionField];
  vx::TakeExtension(strImageFile, extension);
  const std::u16string_view ext(extension);
  const bool is_png = ext == u"png";
  if (!is_png && ext != u"jpg" && ext != u"jpeg" && ext != u"gif" && ext != u"bmp") {
    ErrorText = vx::error_text::kUnsupportedFormat;
    return S_FALSE;
  }

  FileContents file = ReadWholeFile(strImageFile);
  if (file.error) {
    ErrorText = file.error;
    return S_FALSE;
  }

  // The new picture's size is known before the old one is let go, so that a picture too
  // large to hold leaves the old one loaded.
  HDC screen = GetDC(nullptr);
  ServicePicture service;
  CPngReader png;
  LONG width = 0, height = 0;
  bool header_read = false;
  if (is_png) {
    png.Clear();
    header_read = png.Begin(file.bytes, file.size);
    width = png.width();
    height = png.height();
  } else {
    service.Open(file.bytes, file.size);
    header_read = service.picture != nullptr;
    width = MulDiv(service.hm_width, GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch);
    height = MulDiv(service.hm_height, GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch);
  }
  if (service.out_of_memory || (header_read && !SizeAcceptable(width, height))) {
    ReleaseDC(nullptr, screen);
    delete[] file.bytes;
    ErrorText = vx::error_text::kNoMemory;
    return S_FALSE;
  }

  // From here the old picture is gone, also when the new one cannot be shown.
  ReleaseSource();
  FileBuffer = file.bytes;
  SourceDC = CreateCompatibleDC(screen);
  const OLECHAR* failure = header_read ? nullptr : vx::error_text::kUnsupportedFormat;
  void* bits = nullptr;
  if (!failure) {
    SourceBitmap = is_png ? NewPngBitmap(screen, width, height, &bits)
                          : CreateCompatibleBitmap(screen, width, height);
    if (!SourceDC || !SourceBitmap) failure = vx::error_text::kNoMemory;
  }
  if (!failure) {
    SetBkMode(SourceDC, TRANSPARENT);
    PreviousBitmap = SelectObject(SourceDC, SourceBitmap);
    failure = is_png ? DecodePng(png, bits) : service.Render(SourceDC, width, height);
  }
  ReleaseDC(nullptr, screen);
  if (failure) {
    // No picture came of the file: the object is as before any load.
    ReleaseSource();
    ErrorText = failure;
    return S_FALSE;
  }
  SourceWidth = width;
  SourceHeight = height;
  return S_OK;
}
