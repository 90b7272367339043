// The typical request done with libvips' C++ interface, as a libvips user would write it:
// load a JPEG, lay the logo at half opacity 10 px in from the bottom right and the caption
// in white 10 px in from the bottom left over a blurred black shadow 3 px down and right,
// make the marked picture once in memory, then write the full picture, a 150-px-wide
// nearest-neighbour thumbnail and the 400x300 crop at (100, 100), every JPEG at quality 80,
// 4:4:4, baseline, standard tables.
//
// usage: vips_job one PHOTO LOGO FONT_FILE OUT_PREFIX
//        vips_job batch LIST LOGO FONT_FILE OUT_DIR WORKERS
//          LIST names one photo a line; WORKERS threads take the photos in turn, each
//          picture using libvips' own threads too; the i-th photo's outputs are
//          OUT_DIR/i.{full,thumb,crop}.jpg.
#include <vips/vips8>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using vips::VImage;

namespace {

const char* const kCaption = "(c) 2026 Example Photo";
constexpr int kInset = 10;
constexpr int kShadowOffset = 3;
constexpr int kShadowMargin = 8;
constexpr double kShadowSigma = 5.0 / 3.0;  // a blur of radius 5 reaches about three deviations
constexpr int kThumbWidth = 150;

void SaveJpeg(const VImage& picture, const std::string& path) {
  picture.jpegsave(path.c_str(), VImage::option()
                                     ->set("Q", 80)
                                     ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF)
                                     ->set("optimize_coding", false)
                                     ->set("interlace", false)
                                     ->set("strip", true));
}

// What every request lays on its picture, made once: the logo at half opacity, and the
// caption as a white layer and a blurred black one, each with its alpha.
struct Marks {
  VImage logo, text, shadow;

  Marks(const char* logo_path, const char* font_file) {
    logo = VImage::new_from_file(logo_path).linear({1, 1, 1, 0.5}, {0, 0, 0, 0},
                                                   VImage::option()->set("uchar", true));
    VImage ink = VImage::text(kCaption, VImage::option()
                                            ->set("fontfile", font_file)
                                            ->set("font", "DejaVu Sans 48")
                                            ->set("dpi", 72));
    ink = ink.embed(kShadowMargin, kShadowMargin, ink.width() + 2 * kShadowMargin,
                    ink.height() + 2 * kShadowMargin);
    const VImage blurred = ink.gaussblur(kShadowSigma, VImage::option()->set("min_ampl", 0.01));
    text = ink.new_from_image({255, 255, 255}).bandjoin(ink).copy(
        VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    shadow = blurred.new_from_image({0, 0, 0}).bandjoin(blurred).copy(
        VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
  }
};

void Request(const Marks& marks, const char* photo, const std::string& out) {
  const VImage picture = VImage::new_from_file(photo, VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
  const int width = picture.width(), height = picture.height();
  const int text_x = kInset - kShadowMargin;
  const int text_y = height - kInset - marks.text.height() + kShadowMargin;
  const VImage marked =
      VImage::composite({picture, marks.shadow, marks.text, marks.logo},
                        {VIPS_BLEND_MODE_OVER, VIPS_BLEND_MODE_OVER, VIPS_BLEND_MODE_OVER},
                        VImage::option()
                            ->set("x", std::vector<int>{text_x + kShadowOffset, text_x,
                                                        width - kInset - marks.logo.width()})
                            ->set("y", std::vector<int>{text_y + kShadowOffset, text_y,
                                                        height - kInset - marks.logo.height()}))
          .copy_memory();
  SaveJpeg(marked, out + ".full.jpg");
  const int thumb_height = static_cast<int>(std::floor(double(kThumbWidth) * height / width + 0.5));
  SaveJpeg(marked.resize(double(kThumbWidth) / width, VImage::option()
                                                          ->set("vscale", double(thumb_height) / height)
                                                          ->set("kernel", VIPS_KERNEL_NEAREST)),
           out + ".thumb.jpg");
  SaveJpeg(marked.extract_area(100, 100, 400, 300), out + ".crop.jpg");
}

int Batch(const char* listing, const char* logo, const char* font_file, const std::string& out_dir, int workers) {
  std::vector<std::string> photos;
  std::ifstream names(listing);
  for (std::string line; std::getline(names, line);)
    if (!line.empty()) photos.push_back(line);
  const Marks marks(logo, font_file);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&] {
      for (std::size_t i; (i = next++) < photos.size();) {
        try {
          Request(marks, photos[i].c_str(), out_dir + "/" + std::to_string(i));
        } catch (const vips::VError& e) {
          std::fprintf(stderr, "%s: %s\n", photos[i].c_str(), e.what());
          failed = true;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (VIPS_INIT(argv[0])) vips_error_exit(nullptr);
  const std::string mode = argc > 1 ? argv[1] : "";
  int status = 2;
  try {
    if (mode == "one" && argc == 6) {
      Request(Marks(argv[3], argv[4]), argv[2], argv[5]);
      status = 0;
    } else if (mode == "batch" && argc == 7) {
      status = Batch(argv[2], argv[3], argv[4], argv[5], std::max(1, std::atoi(argv[6])));
    } else {
      std::fprintf(stderr, "usage: %s one PHOTO LOGO FONT_FILE OUT_PREFIX\n"
                           "       %s batch LIST LOGO FONT_FILE OUT_DIR WORKERS\n", argv[0], argv[0]);
    }
  } catch (const vips::VError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  vips_shutdown();
  return status;
}
