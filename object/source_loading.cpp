// LoadSourceImage: reads a picture file into the object's source context.
//
// JPEG, GIF and BMP files go through the picture service from a copy of the file in
// memory; PNG files through CPngReader, whose pixels are laid over a new black bitmap.
// The file's extension alone chooses the path.
#include <sys/stat.h>

#include <cstdio>
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
constexpr long kMaxFileBytes = 1L << 32;

bool SizeAcceptable(LONG width, LONG height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         std::int64_t{width} * height <= kMaxPixels;
}

struct FileContents {
  BYTE* bytes = nullptr;
  std::size_t size = 0;
  const OLECHAR* error = nullptr;  // set when the file could not be read
};

// The whole file. It is opened for reading only: a read-only file loads too.
FileContents ReadWholeFile(BSTR path) {
  FileContents contents;
  FILE* file = _wfopen(path, u"rb");
  if (!file) {
    contents.error = vx::error_text::kSourceOpenFailed;
    return contents;
  }
  long size = -1;
  struct stat info {};
  // Only plain files are read: a folder or a device has no picture in it.
  if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && std::fseek(file, 0, SEEK_END) == 0)
    size = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  if (size < 0) {
    contents.error = vx::error_text::kSourceOpenFailed;
  } else if (size > kMaxFileBytes || !(contents.bytes = new (std::nothrow) BYTE[size ? size : 1])) {
    contents.error = vx::error_text::kNoMemory;
  } else if (std::fread(contents.bytes, 1, std::size_t(size), file) != std::size_t(size)) {
    contents.error = vx::error_text::kSourceOpenFailed;  // the file shrank while being read
  }
  std::fclose(file);
  if (contents.error) {
    delete[] contents.bytes;
    contents.bytes = nullptr;
  } else {
    contents.size = std::size_t(size);
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

  ~ServicePicture() {
    if (picture) picture->Release();
    if (stream) stream->Release();  // frees the global block
  }

  void Open(const BYTE* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return;
    std::copy(bytes, bytes + size, static_cast<BYTE*>(GlobalLock(block)));
    GlobalUnlock(block);
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
      GlobalFree(block);
      return;
    }
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture)))) {
      picture = nullptr;
      return;
    }
    picture->get_Width(&hm_width);
    picture->get_Height(&hm_height);
  }
};

// The path as libpng opens it: in the ANSI code page.
std::string AnsiPath(BSTR path) {
  const int bytes = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(bytes > 0 ? std::size_t(bytes) : 1, '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, path, -1, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
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
    header_read = png.Begin(AnsiPath(strImageFile).c_str());
    width = png.width();
    height = png.height();
  } else {
    service.Open(file.bytes, file.size);
    header_read = service.picture != nullptr;
    width = MulDiv(service.hm_width, GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch);
    height = MulDiv(service.hm_height, GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch);
  }
  if (header_read && !SizeAcceptable(width, height)) {
    ReleaseDC(nullptr, screen);
    delete[] file.bytes;
    ErrorText = vx::error_text::kNoMemory;
    return S_FALSE;
  }

  ReleaseSource();
  FileBuffer = file.bytes;
  SourceDC = CreateCompatibleDC(screen);
  SetBkMode(SourceDC, TRANSPARENT);

  HRESULT result = S_OK;
  if (is_png) {
    // The reader's size even when the file is no PNG (0 x 0 then).
    SourceWidth = width;
    SourceHeight = height;
  }
  if (header_read) {
    SourceBitmap = CreateCompatibleBitmap(screen, width, height);
    if (!SourceBitmap) {
      ErrorText = vx::error_text::kNoMemory;
      result = S_FALSE;
    } else {
      PreviousBitmap = SelectObject(SourceDC, SourceBitmap);
      SourceWidth = width;
      SourceHeight = height;
      if (is_png) {
        png.Finish();
        png.Draw(SourceDC, 0, 0);
      } else {
        // HIMETRIC y runs upward: start at the far edge and come back to draw upright.
        service.picture->Render(SourceDC, 0, 0, width, height, 0, service.hm_height,
                                service.hm_width, -service.hm_height, nullptr);
      }
    }
  }
  png.Free();
  ReleaseDC(nullptr, screen);
  return result;
}
