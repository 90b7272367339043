// CPngReader: reads a PNG file into an RGBA pixel buffer with libpng's simplified API,
// and draws that buffer onto a device context.
#pragma once

#include <png.h>

#include "platform/gdi.h"

class CPngReader {
 public:
  CPngReader() = default;
  ~CPngReader();
  CPngReader(const CPngReader&) = delete;
  CPngReader& operator=(const CPngReader&) = delete;

  void Clear() { pixels_ = nullptr; }
  // Begin and then Finish.
  void Read(const char* path);
  // Reads the header: width and height are set when it could be read (0 otherwise).
  bool Begin(const char* path);
  // Decodes the pixels of a file whose header was read. Without memory for them there are
  // no pixels; when the data breaks off, the rows not decoded stay transparent.
  void Finish();
  // Lays the pixels over what dc shows at (x, y).
  void Draw(HDC dc, LONG x, LONG y);
  void Free();

  LONG width() const { return static_cast<LONG>(image_.width); }
  LONG height() const { return static_cast<LONG>(image_.height); }
  const unsigned char* pixels() const { return pixels_; }

 private:
  png_image image_{};
  unsigned char* pixels_ = nullptr;
  bool reading_ = false;  // libpng holds reading state between Begin and Finish
};
