#include "tests/resize_test_support.h"

#include <dirent.h>
#include <png.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>


#include "base/jpeg_error_jump.h"
#include "base/utf8.h"

namespace vx::testing {

ResizeObject::ResizeObject() {
  EXPECT_EQ(CreateResize(IID_IResize2, reinterpret_cast<void**>(&object_)), S_OK);
}

ResizeObject::~ResizeObject() {
  if (object_) object_->Release();
}

std::u16string ResizeObject::ErrorText() const {
  BSTR text = nullptr;
  EXPECT_EQ(object_->GetErrorInfo(&text), S_OK);
  std::u16string result = text ? std::u16string(text, SysStringLen(text)) : u"";
  SysFreeString(text);
  return result;
}

LONG ResizeObject::Width() const {
  LONG value = 0;
  EXPECT_EQ(object_->GetSourceImageWidth(&value), S_OK);
  return value;
}

LONG ResizeObject::Height() const {
  LONG value = 0;
  EXPECT_EQ(object_->GetSourceImageHeight(&value), S_OK);
  return value;
}

Bstr::Bstr(const std::u16string& text)
    : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
Bstr::Bstr(const std::string& utf8) : Bstr(WideFromUtf8(utf8)) {}
Bstr::~Bstr() { SysFreeString(text_); }

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vximage-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  EXPECT_FALSE(path_.empty());
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Folders made read-only by a test must be opened again before they can be emptied.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

RgbImage ReadJpegFile(const std::string& path) {
  RgbImage image;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return image;
  jpeg_decompress_struct cinfo{};
  JpegErrorJump errors{};
  cinfo.err = errors.Install();
  if (setjmp(errors.return_point)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return RgbImage{};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image.width = static_cast<int>(cinfo.output_width);
  image.height = static_cast<int>(cinfo.output_height);
  image.rgb.resize(std::size_t(image.width) * image.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.rgb.data() + std::size_t(cinfo.output_scanline) * image.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return image;
}

namespace {

// RGB rows, or CMYK ones with the black taken out, stored inverted (255 is no ink) as the
// Adobe marker libjpeg writes for CMYK says; the profile in APP2 segments when one is given.
void CompressJpegFile(const std::string& path, int width, int height, const PixelFunction& pixel, int quality,
                      bool cmyk, const std::vector<std::uint8_t>& icc_profile) {
  const int components = cmyk ? 4 : 3;
  std::vector<std::uint8_t> samples(std::size_t(width) * height * components);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t rgba[4] = {0, 0, 0, 255};
      pixel(x, y, rgba);
      std::uint8_t* out = &samples[(std::size_t(y) * width + x) * components];
      if (cmyk) {
        const int black = 255 - std::max({rgba[0], rgba[1], rgba[2]});
        for (int c = 0; c < 3; ++c) out[c] = std::uint8_t(rgba[c] + black);  // 255 less the ink
        out[3] = std::uint8_t(255 - black);
      } else {
        std::copy(rgba, rgba + 3, out);
      }
    }
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.comp_info[0].h_samp_factor = 1;
  cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  if (!icc_profile.empty()) {
    jpeg_write_icc_profile(&cinfo, icc_profile.data(), static_cast<unsigned>(icc_profile.size()));
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = samples.data() + std::size_t(cinfo.next_scanline) * width * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

}  // namespace

void WriteJpegFile(const std::string& path, int width, int height, const PixelFunction& pixel,
                   int quality) {
  CompressJpegFile(path, width, height, pixel, quality, false, {});
}

void WriteJpegFileWithProfile(const std::string& path, int width, int height, const PixelFunction& pixel,
                              const std::vector<std::uint8_t>& icc_profile) {
  CompressJpegFile(path, width, height, pixel, 100, false, icc_profile);
}

void WriteCmykJpegFile(const std::string& path, int width, int height, const PixelFunction& pixel) {
  CompressJpegFile(path, width, height, pixel, 100, true, {});
}

void WritePngFile(const std::string& path, int width, int height, const PixelFunction& pixel) {
  std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixel(x, y, &rgba[(std::size_t(y) * width + x) * 4]);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr), 0);
}

PixelFunction Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  return [=](int, int, std::uint8_t* p) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
  };
}

}  // namespace vx::testing
