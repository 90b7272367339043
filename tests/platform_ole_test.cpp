// Strings, code pages, global memory streams and the picture service.
#include <gtest/gtest.h>

#include <cstring>

#include "base/utf8.h"
#include "platform/gdi.h"
#include "platform/olectl.h"
#include "platform/stringapiset.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

TEST(Bstr, CarriesItsByteLengthBeforeTheText) {
  BSTR text = SysAllocStringLen(u"ab\0cd", 5);
  ASSERT_NE(text, nullptr);
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const char*>(text) - 4, 4);
  EXPECT_EQ(prefix, 10u);
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(SysStringByteLen(text), 10u);
  EXPECT_EQ(text[5], 0);
  SysFreeString(text);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR blank = SysAllocStringLen(nullptr, 3);  // room for three characters, zeroed
  EXPECT_EQ(blank[0], 0);
  EXPECT_EQ(SysStringLen(blank), 3u);
  SysFreeString(blank);
}

TEST(CodePage, AnsiIsUtf8AndBrokenTextBecomesReplacementCharacters) {
  const char16_t text[] = u"a\u00e9\u5199\U0001F600";
  char out[32] = {};
  const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(needed, 1 + 2 + 3 + 4 + 1);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr), needed);
  EXPECT_STREQ(out, "a\xC3\xA9\xE5\x86\x99\xF0\x9F\x98\x80");
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 3, nullptr, nullptr), 0);  // too small
  const char16_t lone[] = {u'x', 0xD800, u'y', 0};
  BOOL defaulted = FALSE;
  std::memset(out, 0, sizeof out);
  WideCharToMultiByte(CP_ACP, 0, lone, -1, out, sizeof out, nullptr, &defaulted);
  EXPECT_STREQ(out, "x\xEF\xBF\xBDy");  // U+FFFD, as Windows writes UTF-8
  EXPECT_TRUE(defaulted);
  EXPECT_EQ(WideFromUtf8("\xC3\xA9\xFF\xE5\x86"), u"\u00e9\uFFFD\uFFFD");  // cut short at the end
  EXPECT_EQ(WideFromUtf8("\xC0\x80z"), u"\uFFFDz");        // an overlong form of zero
  EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), u"\uFFFD");      // a surrogate is no character
  EXPECT_EQ(WideFromUtf8("\x80\xE5\x86\x99"), u"\uFFFD\u5199");
  EXPECT_EQ(Utf8FromWide(WideFromUtf8("Photo \xE5\x86\x99.jpg").c_str()), "Photo \xE5\x86\x99.jpg");
}

TEST(CodePage, FilesOpenByUtf16Paths) {
  TempDir dir;
  WriteBytes(dir.File("\xE5\x86\x99.txt"), {'o', 'k'});
  const std::u16string path = WideFromUtf8(dir.File("\xE5\x86\x99.txt"));
  FILE* file = _wfopen(path.c_str(), u"rb");
  ASSERT_NE(file, nullptr);
  char buffer[3] = {};
  EXPECT_EQ(std::fread(buffer, 1, 2, file), 2u);
  std::fclose(file);
  EXPECT_STREQ(buffer, "ok");
  EXPECT_EQ(_wfopen(nullptr, u"rb"), nullptr);
  // An unpaired surrogate has no UTF-8 form: "?.txt" is another file.
  WriteBytes(dir.File("?.txt"), {'n', 'o'});
  EXPECT_EQ(_wfopen((WideFromUtf8(dir.path()) + u"/\xD800.txt").c_str(), u"rb"), nullptr);
  EXPECT_EQ(Utf8PathFromWide(u"a\xDC00" u"b"), std::nullopt);
  EXPECT_EQ(Utf8PathFromWide(u"a\U0001F600"), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8PathFromWide(nullptr), "");
}

TEST(GlobalMemory, StreamReadsTheBlockAndFreesItOnRelease) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 5);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 5u);
  std::memcpy(GlobalLock(block), "hello", 5);
  GlobalUnlock(block);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  char buffer[8] = {};
  ULONG read = 0;
  EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(stream->Read(buffer + 3, 5, &read), S_FALSE);  // only two bytes were left
  EXPECT_EQ(read, 2u);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(stream->Release(), 0u);  // frees the block (checked by the sanitizers)
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), E_INVALIDARG);
}

class PictureServiceTest : public LeakCheckedTest {
 protected:
  // A picture loaded from bytes, through a stream as the object does it.
  IPicture* Load(const std::vector<std::uint8_t>& bytes, HRESULT expected = S_OK) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
    IPicture* picture = nullptr;
    EXPECT_EQ(OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)),
              expected);
    stream->Release();  // the picture keeps what it needs
    return picture;
  }
  TempDir dir_;
};

TEST_F(PictureServiceTest, MeasuresInHimetricAtNinetySixDotsPerInch) {
  WriteJpegFile(dir_.File("p.jpg"), 96, 48, Solid(200, 10, 10));
  IPicture* picture = Load(ReadBytes(dir_.File("p.jpg")));
  ASSERT_NE(picture, nullptr);
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);
  EXPECT_EQ(width, 2540);
  EXPECT_EQ(height, 1270);
  picture->Release();
}

TEST_F(PictureServiceTest, RefusesWhatIsNoJpegGifOrBmp) {
  WritePngFile(dir_.File("p.png"), 4, 4, Solid(1, 2, 3));
  EXPECT_EQ(Load(ReadBytes(dir_.File("p.png")), CTL_E_INVALIDPICTURE), nullptr);
  EXPECT_EQ(Load({}, CTL_E_INVALIDPICTURE), nullptr);
  EXPECT_EQ(Load({'B', 'M', 0, 0}, CTL_E_INVALIDPICTURE), nullptr);
  EXPECT_EQ(OleLoadPicture(nullptr, 0, FALSE, IID_IPicture, nullptr), E_POINTER);
}

TEST_F(PictureServiceTest, RendersUprightScaledAndMoreThanOnce) {
  // Top half red, bottom half blue.
  WriteJpegFile(dir_.File("p.jpg"), 16, 16, [](int, int y, std::uint8_t* p) {
    p[0] = y < 8 ? 255 : 0;
    p[1] = 0;
    p[2] = y < 8 ? 0 : 255;
  });
  IPicture* picture = Load(ReadBytes(dir_.File("p.jpg")));
  ASSERT_NE(picture, nullptr);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  OLE_XSIZE_HIMETRIC hw = 0;
  OLE_YSIZE_HIMETRIC hh = 0;
  picture->get_Width(&hw);
  picture->get_Height(&hh);
  // Natural size: decoded straight into the bitmap.
  EXPECT_EQ(picture->Render(dc, 0, 0, 16, 16, 0, hh, hw, -hh, nullptr), S_OK);
  EXPECT_GT(GetRValue(GetPixel(dc, 8, 2)), 240);
  EXPECT_GT(GetBValue(GetPixel(dc, 8, 13)), 240);
  // Twice the size at an offset, from a second decoding of the same bytes.
  EXPECT_EQ(picture->Render(dc, 8, 8, 32, 32, 0, hh, hw, -hh, nullptr), S_OK);
  EXPECT_GT(GetRValue(GetPixel(dc, 24, 12)), 240);
  EXPECT_GT(GetBValue(GetPixel(dc, 24, 36)), 240);
  // A positive source height draws it upside down.
  EXPECT_EQ(picture->Render(dc, 0, 0, 16, 16, 0, 0, hw, hh, nullptr), S_OK);
  EXPECT_GT(GetBValue(GetPixel(dc, 8, 2)), 240);
  EXPECT_EQ(picture->Render(nullptr, 0, 0, 16, 16, 0, hh, hw, -hh, nullptr), E_INVALIDARG);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  picture->Release();
}

}  // namespace
}  // namespace vx::testing
