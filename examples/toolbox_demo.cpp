// A tour of the CvxGDI toolbox from native C++: one picture drawn with each family of
// routines on device contexts of our own, written as a JPEG.
//
//   toolbox_demo [OUTPUT.jpg] [SAMPLES_DIR]     (defaults: toolbox.jpg, the samples folder)
//
// It draws a nine-part frame, a photograph held in memory scaled into it, a band of that
// photograph blurred, a logo turned by 30 degrees, a crop of the photograph turned by
// -12 degrees, a ring of smooth lines, smooth ellipses and bordered rectangles.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "gdi/vxgdi.h"
#include "object/jpeg_writer.h"
#include "object/png_reader.h"

namespace {

constexpr int kWidth = 960, kHeight = 600;

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A memory context with a bitmap of its own.
struct Canvas {
  Canvas(HDC reference, int width, int height)
      : dc(CreateCompatibleDC(reference)), bitmap(CreateCompatibleBitmap(reference, width, height)),
        previous(SelectObject(dc, bitmap)) {}
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

// A 48 x 48 frame tile: a dark rim, a gold bevel, a pale middle with a thin line round it.
HBITMAP FrameTile(HDC reference) {
  HBITMAP tile = CreateCompatibleBitmap(reference, 48, 48);
  HDC dc = CreateCompatibleDC(reference);
  HGDIOBJ previous = SelectObject(dc, tile);
  RECT all{0, 0, 48, 48};
  CvxGDI::FillRectByColor(dc, RGB(40, 44, 52), all);
  CvxGDI::DrawRectangle(dc, 4, 4, 44, 44, RGB(236, 232, 222), RGB(196, 160, 92), 3);
  RECT inner{11, 11, 37, 37};
  CvxGDI::DrawBorderByColor(dc, RGB(170, 160, 140), inner);
  // DrawBgBitmap selects the tile into a context of its own: let go of it here.
  SelectObject(dc, previous);
  DeleteDC(dc);
  return tile;
}

// RGBA from the PNG reader into the BGRA order the rotating blit takes.
std::vector<unsigned char> BgraOf(const CPngReader& png) {
  std::vector<unsigned char> bgra(png.pixels(), png.pixels() + std::size_t(png.width()) * png.height() * 4);
  for (std::size_t i = 0; i < bgra.size(); i += 4) std::swap(bgra[i], bgra[i + 2]);
  return bgra;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string output = argc > 1 ? argv[1] : "toolbox.jpg";
  const std::string samples = argc > 2 ? argv[2] : VXIMAGE_SOURCE_DIR "/samples";
  HDC screen = GetDC(nullptr);
  Canvas canvas(screen, kWidth, kHeight);
  HDC dc = canvas.dc;

  // Background: a nine-part frame over the whole picture; its corners keep their 12 pixels.
  HBITMAP tile = FrameTile(screen);
  RECT whole{0, 0, kWidth, kHeight};
  CvxGDI::DrawBgBitmap(dc, whole, 12, 36, 12, 36, tile, true);
  DeleteObject(tile);

  // A photograph from memory, measured and scaled into a box of its proportions.
  std::vector<unsigned char> jpeg = ReadFile(samples + "/photo-2mp.jpg");
  int photo_w = 0, photo_h = 0;
  CvxGDI::GetJPGSize(jpeg.data(), int(jpeg.size()), &photo_w, &photo_h);
  const int shown_w = 520, shown_h = photo_w > 0 ? shown_w * photo_h / photo_w : 0;
  CvxGDI::DrawJPG(dc, 40, 40, shown_w, shown_h, jpeg.data(), int(jpeg.size()));

  // A band across the photograph, blurred: FastBlur works from (0, 0) of a context, so the
  // band is blurred on a context of its own and copied back.
  {
    const int band_y = 40 + shown_h / 2, band_h = 80;
    Canvas band(screen, shown_w, band_h);
    BitBlt(band.dc, 0, 0, shown_w, band_h, dc, 40, band_y, SRCCOPY);
    CvxGDI::FastBlur(band.dc, shown_w, band_h, 21, 6.0);
    BitBlt(dc, 40, band_y, shown_w, band_h, band.dc, 0, 0, SRCCOPY);
  }

  // A crop of the photograph turned by -12 degrees, corners black where nothing maps.
  {
    Canvas crop(screen, 150, 100);
    BitBlt(crop.dc, 0, 0, 150, 100, dc, 200, 90, SRCCOPY);
    CvxGDI::RotateDC(dc, 600, 60, crop.dc, 150, 100, -12.0);
  }

  // The logo, blended with its own alpha, turned by 30 degrees.
  CPngReader logo;
  logo.Read(vx::WideFromUtf8(samples + "/logo.png").c_str());
  if (logo.pixels()) {
    std::vector<unsigned char> bgra = BgraOf(logo);
    CvxGDI::DrawDCByRotateData(dc, 590, 230, logo.width(), logo.height(), bgra.data(), 30.0f, 0, 0);
  }

  // A ring of smooth lines and three smooth ellipses.
  const int cx = 240, cy = 470;
  for (int i = 0; i < 48; ++i) {
    const double a = i * 3.14159265358979 / 24;
    CvxGDI::DrawSmoothLine(dc, cx + int(30 * std::cos(a)), cy + int(30 * std::sin(a)),
                           cx + int(95 * std::cos(a)), cy + int(95 * std::sin(a)),
                           RGB(20 + i * 4, 60, 200 - i * 3));
  }
  CvxGDI::DrawSmoothEllipse(dc, 420, 400, 640, 540, RGB(200, 40, 40));
  CvxGDI::DrawSmoothEllipse(dc, 440, 420, 620, 520, RGB(40, 120, 40));
  CvxGDI::DrawSmoothEllipse(dc, 500, 440, 560, 500, RGB(30, 30, 160));

  // Filled and bordered rectangles, and a one-pixel border.
  CvxGDI::DrawRectangle(dc, 690, 410, 900, 470, RGB(250, 236, 200), RGB(120, 80, 30), 3);
  CvxGDI::DrawRectangle(dc, 690, 490, 900, 550, RGB(210, 230, 250), RGB(30, 60, 120), 1);
  RECT outline{680, 400, 910, 560};
  CvxGDI::DrawBorderByColor(dc, RGB(20, 20, 20), outline);

  const std::basic_string<OLECHAR> path(output.begin(), output.end());  // ASCII paths, for brevity
  vx::JpegOutputSettings settings;
  settings.quality = 85;
  const OLECHAR* error = vx::WriteJpegFile(path.c_str(), dc, canvas.bitmap, kWidth, kHeight, settings);
  ReleaseDC(nullptr, screen);
  if (error) {
    std::fprintf(stderr, "toolbox_demo: could not write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", output.c_str(), kWidth, kHeight);
  return 0;
}
