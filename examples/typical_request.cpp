// The typical request from C++: a photograph stamped with a logo at the bottom right, half
// opaque, and a caption with a soft shadow at the bottom left, then written whole and as a
// thumbnail 150 pixels wide.
//
//   typical_request PHOTO.jpg LOGO.png OUTPUT_FOLDER
//
// Prints "done", or the error text and exit status 1 when something failed.
#include <cstdio>
#include <string>

#include "module/iresize.h"
#include "platform/stringapiset.h"

// A BSTR that frees itself, made from UTF-8 text.
struct Text {
  explicit Text(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    bstr = SysAllocStringLen(nullptr, UINT(length));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), bstr, length);
  }
  ~Text() { SysFreeString(bstr); }
  operator BSTR() const { return bstr; }
  BSTR bstr = nullptr;
};

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: typical_request PHOTO.jpg LOGO.png OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[3];
  IResize* resize = nullptr;
  if (FAILED(CreateResize(IID_IResize, reinterpret_cast<void**>(&resize)))) return 1;

  resize->LoadSourceImage(Text(argv[1]));          // S_FALSE and an error text on failure
  resize->put_MarkPos(4);                          // bottom right
  resize->put_MarkTransparent(50);                 // half opaque
  resize->AddImageMark(Text(argv[2]), 0, 0);
  resize->put_MarkPos(3);                          // bottom left
  resize->put_MarkTransparent(100);
  resize->put_TextMarkFontName(Text("DejaVu Sans"));
  resize->put_TextMarkHeight(-48);                 // 48 pixels per em
  resize->put_TextMarkColor(RGB(255, 255, 255));
  resize->put_TextMarkShadowVisible(1);            // black, blurred over 5 pixels,
  resize->put_TextMarkShadowDistance(3);           // 3 pixels right and down
  resize->AddTextMark(Text("(c) 2026 Example Photo"), 0, 0);
  resize->MakeMarkImage(Text(folder + "/marked.jpg"));
  resize->MakeThumbImage(Text(folder + "/thumb.jpg"), 150, 0, 1);  // 150 wide, height in proportion

  BSTR error = nullptr;
  resize->GetErrorInfo(&error);                    // "" when nothing failed
  std::string text(SysStringLen(error) * 3, '\0');  // UTF-8 takes at most 3 bytes a UTF-16 unit
  text.resize(WideCharToMultiByte(CP_UTF8, 0, error, int(SysStringLen(error)), text.data(),
                                  int(text.size()), nullptr, nullptr));
  SysFreeString(error);
  resize->Release();
  std::printf("%s\n", text.empty() ? "done" : text.c_str());
  return text.empty() ? 0 : 1;
}
