// jpeg_difference A.jpg B.jpg
//
// Decodes two JPEG files and prints their sizes and the largest difference of any channel
// of any pixel: "WxH WxH max N" (N is "-" when the sizes differ). Exit status 0 when the
// sizes are equal, 1 when they differ, 2 when a file cannot be read. scripts/windows.sh
// compares the outputs of the Windows DLL and the Linux library with it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// libjpeg's own error handling: a broken file ends the program with its message.
bool Decode(const char* path, Picture* picture) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  picture->width = int(cinfo.output_width);
  picture->height = int(cinfo.output_height);
  const std::size_t row_bytes = std::size_t(picture->width) * 3;
  picture->rgb.resize(row_bytes * picture->height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = picture->rgb.data() + row_bytes * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: jpeg_difference A.jpg B.jpg\n");
    return 2;
  }
  Picture a, b;
  for (int i = 1; i <= 2; ++i) {
    if (!Decode(argv[i], i == 1 ? &a : &b)) {
      std::fprintf(stderr, "jpeg_difference: cannot open %s\n", argv[i]);
      return 2;
    }
  }
  std::printf("%dx%d %dx%d max ", a.width, a.height, b.width, b.height);
  if (a.width != b.width || a.height != b.height) {
    std::printf("-\n");
    return 1;
  }
  int largest = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) largest = std::max(largest, std::abs(a.rgb[i] - b.rgb[i]));
  std::printf("%d\n", largest);
  return 0;
}
