// The Resize object's initial state, its properties and its error text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "object/extension_rule.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class ResizeObjectTest : public LeakCheckedTest {};

template <class Interface>
LONG Get(IResize2* r, HRESULT (STDMETHODCALLTYPE Interface::*getter)(LONG*)) {
  LONG value = 12345;
  EXPECT_EQ((r->*getter)(&value), S_OK);
  return value;
}

TEST_F(ResizeObjectTest, NewObjectHasItsInitialValues) {
  ResizeObject r;
  EXPECT_EQ(r.Width(), -1);
  EXPECT_EQ(r.Height(), -1);
  EXPECT_EQ(Get(r.get(), &IResize::get_Quality), 80);
  EXPECT_EQ(Get(r.get(), &IResize::get_MarkPos), -1);
  EXPECT_EQ(Get(r.get(), &IResize::get_MarkTransparent), 100);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkHeight), 12);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowSize), 5);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowTransparent), 100);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkAreaWidth), -1);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkBold), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkItatic), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkUnderline), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkRotate), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_MarkPosOffsetX), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_MarkPosOffsetY), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowAngle), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowDistance), 0);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowVisible), 0);
  OLE_COLOR color = 1;
  EXPECT_EQ(r->get_TextMarkColor(&color), S_OK);
  EXPECT_EQ(color, 0u);  // black
  color = 1;
  EXPECT_EQ(r->get_TextMarkShadowColor(&color), S_OK);
  EXPECT_EQ(color, 0u);
  BSTR name = nullptr;
  EXPECT_EQ(r->get_TextMarkFontName(&name), S_OK);
  ASSERT_NE(name, nullptr);  // the empty name, not a null string
  EXPECT_EQ(SysStringLen(name), 0u);
  SysFreeString(name);
  EXPECT_EQ(r.ErrorText(), u"");
  // IResize2: every setting at the value that gives what IResize alone gives.
  EXPECT_EQ(Get(r.get(), &IResize2::get_AutoOrient), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_ResampleFilter), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_LoadMinWidth), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_LoadMinHeight), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::GetSourceFileWidth), -1);
  EXPECT_EQ(Get(r.get(), &IResize2::get_ColorManage), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_KeepMetadata), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_Progressive), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_ChromaSubsampling), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::get_OptimizeCoding), 0);
  EXPECT_EQ(Get(r.get(), &IResize2::GetSourceFileHeight), -1);
  color = 1;
  EXPECT_EQ(r->get_BackgroundColor(&color), S_OK);
  EXPECT_EQ(color, 0u);
}

TEST_F(ResizeObjectTest, NewSettingsStoreWhatTheyMean) {
  ResizeObject r;
  EXPECT_EQ(r->put_AutoOrient(-5), S_OK);  // a switch: anything but 0 is on
  EXPECT_EQ(Get(r.get(), &IResize2::get_AutoOrient), 1);
  EXPECT_EQ(r->put_AutoOrient(0), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize2::get_AutoOrient), 0);
  using Getter = HRESULT (STDMETHODCALLTYPE IResize2::*)(LONG*);
  using Setter = HRESULT (STDMETHODCALLTYPE IResize2::*)(LONG);
  const struct {
    Setter put;
    Getter get;
  } switches[] = {{&IResize2::put_ColorManage, &IResize2::get_ColorManage},
                  {&IResize2::put_KeepMetadata, &IResize2::get_KeepMetadata},
                  {&IResize2::put_Progressive, &IResize2::get_Progressive},
                  {&IResize2::put_OptimizeCoding, &IResize2::get_OptimizeCoding}};
  for (const auto& s : switches) {
    for (LONG value : {1, 7, -1}) {
      EXPECT_EQ((r.get()->*s.put)(value), S_OK);
      EXPECT_EQ(Get(r.get(), s.get), 1);
    }
    EXPECT_EQ((r.get()->*s.put)(0), S_OK);
    EXPECT_EQ(Get(r.get(), s.get), 0);
    EXPECT_EQ((r.get()->*s.get)(nullptr), E_POINTER);
  }
  const struct {
    Setter put;
    Getter get;
    std::u16string refusal;
  } choices[] = {{&IResize2::put_ResampleFilter, &IResize2::get_ResampleFilter, u"ResampleFilter must be 0, 1 or 2!"},
                 {&IResize2::put_ChromaSubsampling, &IResize2::get_ChromaSubsampling,
                  u"ChromaSubsampling must be 0, 1 or 2!"}};
  for (const auto& c : choices) {
    for (LONG value : {2, 1, 0}) {
      EXPECT_EQ((r.get()->*c.put)(value), S_OK);
      EXPECT_EQ(Get(r.get(), c.get), value);
    }
    EXPECT_EQ(r.ErrorText(), u"");  // accepted values say nothing
    EXPECT_EQ((r.get()->*c.put)(3), E_INVALIDARG);
    EXPECT_EQ(r.ErrorText(), c.refusal);
    EXPECT_EQ(r->ClearErrorInfo(), S_OK);
    EXPECT_EQ((r.get()->*c.put)(-1), E_INVALIDARG);
    EXPECT_EQ(r.ErrorText(), c.refusal);
    EXPECT_EQ(r->ClearErrorInfo(), S_OK);
    EXPECT_EQ(Get(r.get(), c.get), 0);  // a refused value changes nothing
    EXPECT_EQ((r.get()->*c.get)(nullptr), E_POINTER);
  }
  EXPECT_EQ(r->put_LoadMinWidth(-20), S_OK);  // stored; below 0 means no least size
  EXPECT_EQ(Get(r.get(), &IResize2::get_LoadMinWidth), -20);
  EXPECT_EQ(r->put_LoadMinHeight(300), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize2::get_LoadMinHeight), 300);
  EXPECT_EQ(r->put_BackgroundColor(0x80000005u), S_OK);
  OLE_COLOR color = 0;
  EXPECT_EQ(r->get_BackgroundColor(&color), S_OK);
  EXPECT_EQ(color, 0x80000005u);
}

TEST_F(ResizeObjectTest, ClearErrorInfoEmptiesTheTextUntilTheNextFailure) {
  TempDir dir;
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(dir.File("missing.png"))), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");
  EXPECT_EQ(r->ClearErrorInfo(), S_OK);
  EXPECT_EQ(r.ErrorText(), u"");
  EXPECT_EQ(r->ClearErrorInfo(), S_OK);  // clearing an empty text is no failure
  EXPECT_EQ(r.ErrorText(), u"");
  EXPECT_EQ(r->LoadSourceImage(Bstr(dir.File("photo.tif"))), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
}

TEST_F(ResizeObjectTest, SettersStoreValuesUnchangedExceptShadowVisible) {
  ResizeObject r;
  EXPECT_EQ(r->put_Quality(250), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize::get_Quality), 250);
  EXPECT_EQ(r->put_Quality(-3), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize::get_Quality), -3);
  EXPECT_EQ(r->put_MarkTransparent(-7000), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize::get_MarkTransparent), -7000);
  EXPECT_EQ(r->put_TextMarkShadowAngle(45), S_OK);
  EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowAngle), 45);
  EXPECT_EQ(r->put_TextMarkColor(0xFFFFFFFFu), S_OK);
  OLE_COLOR color = 0;
  r->get_TextMarkColor(&color);
  EXPECT_EQ(color, 0xFFFFFFFFu);

  for (auto [value, expected] : {std::pair{5, 1}, {-1, 1}, {0, 0}, {INT32_MIN, 1}}) {
    EXPECT_EQ(r->put_TextMarkShadowVisible(value), S_OK);
    EXPECT_EQ(Get(r.get(), &IResize::get_TextMarkShadowVisible), expected) << value;
  }
}

TEST_F(ResizeObjectTest, FontNameKeepsThirtyOneCharactersAndCutsLongerOnes) {
  ResizeObject r;
  auto stored = [&] {
    BSTR name = nullptr;
    EXPECT_EQ(r->get_TextMarkFontName(&name), S_OK);
    std::u16string text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
  };
  const std::u16string exactly31(31, u'x');
  r->put_TextMarkFontName(Bstr(exactly31));
  EXPECT_EQ(stored(), exactly31);
  r->put_TextMarkFontName(Bstr(std::u16string(40, u'y')));
  EXPECT_EQ(stored(), std::u16string(31, u'y'));
  r->put_TextMarkFontName(Bstr(u"DejaVu Sans"));
  EXPECT_EQ(stored(), u"DejaVu Sans");
  r->put_TextMarkFontName(nullptr);  // the null BSTR is the empty name
  EXPECT_EQ(stored(), u"");
  // Only the characters up to an embedded zero count.
  r->put_TextMarkFontName(Bstr(std::u16string(u"Ab\0cd", 5)));
  EXPECT_EQ(stored(), u"Ab");
}

TEST_F(ResizeObjectTest, NullOutPointersAreRefused) {
  ResizeObject r;
  EXPECT_EQ(r->get_Quality(nullptr), E_POINTER);
  EXPECT_EQ(r->get_TextMarkColor(nullptr), E_POINTER);
  EXPECT_EQ(r->get_TextMarkFontName(nullptr), E_POINTER);
  EXPECT_EQ(r->get_TextMarkShadowVisible(nullptr), E_POINTER);
  EXPECT_EQ(r->GetErrorInfo(nullptr), E_POINTER);
  EXPECT_EQ(r->GetSourceImageWidth(nullptr), E_POINTER);
  EXPECT_EQ(r->GetSourceImageHeight(nullptr), E_POINTER);
  EXPECT_EQ(r->QueryInterface(IID_IResize, nullptr), E_POINTER);
  EXPECT_EQ(r->get_AutoOrient(nullptr), E_POINTER);
  EXPECT_EQ(r->get_ResampleFilter(nullptr), E_POINTER);
  EXPECT_EQ(r->get_LoadMinWidth(nullptr), E_POINTER);
  EXPECT_EQ(r->get_BackgroundColor(nullptr), E_POINTER);
  EXPECT_EQ(r->GetSourceFileWidth(nullptr), E_POINTER);
  EXPECT_EQ(r->GetSourceFileHeight(nullptr), E_POINTER);
}

TEST_F(ResizeObjectTest, ErrorTextIsStickyAndEachFetchIsAnIndependentCopy) {
  TempDir dir;
  WritePngFile(dir.File("ok.png"), 4, 3, Solid(1, 2, 3));
  ResizeObject r;
  EXPECT_EQ(r->LoadSourceImage(Bstr(dir.File("missing.png"))), S_FALSE);
  EXPECT_EQ(r->LoadSourceImage(Bstr(dir.File("ok.png"))), S_OK);
  EXPECT_EQ(r.Width(), 4);
  EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");

  BSTR first = nullptr, second = nullptr;
  ASSERT_EQ(r->GetErrorInfo(&first), S_OK);
  ASSERT_EQ(r->GetErrorInfo(&second), S_OK);
  ASSERT_NE(first, second);
  first[0] = u'X';  // the caller owns its copy
  EXPECT_EQ(std::u16string(second), u"Source image file open failed!");
  EXPECT_EQ(r.ErrorText(), u"Source image file open failed!");
  SysFreeString(first);
  SysFreeString(second);
}

TEST_F(ResizeObjectTest, AnswersItsFourInterfacesAndNoOther) {
  ResizeObject r;
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IResize, &IID_IResize2}) {
    void* other = nullptr;
    ASSERT_EQ(r->QueryInterface(*iid, &other), S_OK);
    EXPECT_EQ(other, static_cast<void*>(r.get()));
    static_cast<IUnknown*>(other)->Release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(r->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateResize(IID_IResize, nullptr), E_POINTER);
}

// FNV-1a over a file's bytes: enough to tell outputs apart.
std::uint64_t Fingerprint(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
  return hash;
}

struct KeptOutputs {
  const char* file;  // under tests/corpus
  std::uint64_t thumbnail, crop, mark;
};

// What the object wrote for these pictures before IResize2 existed: a 150-pixel-wide
// thumbnail, a 64 x 48 crop at (10, 5) and the whole picture, at quality 80. A JPEG with an
// Exif block, PNG and GIF pictures with transparency and a PNG with an eXIf chunk are
// among them: with every new setting at its default none of that may change a byte.
constexpr KeptOutputs kKeptOutputs[] = {
    {"photos/lomiri_Bridge_by_Sander_Klootwijk.jpg", 0xf3966b5e4a115b4eu, 0xb2ccb95ae5505f4au, 0x1554aedfb8b76664u},
    {"photos/mate_Dune.jpg", 0x02e049e449e5efb4u, 0xcc71885185f18864u, 0x8cba377664d49361u},
    {"photos/mate_LadyBird.jpg", 0xb21afc88bcdcbc58u, 0x2b8378817768d153u, 0xd6113d97225f3c02u},
    {"photos/plasma_Kite_2560x1600.jpg", 0x55f0a32196dacd6bu, 0x8457eaf08bb2752cu, 0xe6ae12fc0427011eu},
    {"png/basn6a08.png", 0x7cb0000fa1742265u, 0x5496183e73565c6eu, 0x615ad1eacb5d7675u},
    {"png/pil_exif.png", 0x90e1eb9f0801fe96u, 0x0dc6cf6dc877dfc1u, 0x668f41ade4cc7577u},
    {"gif/peterdn_static_transparent.gif", 0xf0a6790fc2b16905u, 0xe066e3ed192a5d4cu, 0xc15548b2f2f77345u},
    {"gif/pil_transparent.gif", 0xf5c8df55da9e20e3u, 0x35a2e4ef151838e1u, 0x65a275e96fc68c72u},
    {"bmp/pil_hopper.bmp", 0xf4825e18f8aed8e5u, 0x055505b272eab8a6u, 0x488dc79ec4e86b25u},
};

TEST_F(ResizeObjectTest, DefaultSettingsKeepEveryOutputByteForByte) {
  TempDir dir;
  for (const KeptOutputs& kept : kKeptOutputs) {
    SCOPED_TRACE(kept.file);
    ResizeObject r;
    ASSERT_EQ(r->LoadSourceImage(Bstr(std::string(VXIMAGE_SOURCE_DIR "/tests/corpus/") + kept.file)), S_OK);
    EXPECT_EQ(r->MakeThumbImage(Bstr(dir.File("thumb.jpg")), 150, 0, 1), S_OK);
    EXPECT_EQ(r->MakeCropImage(Bstr(dir.File("crop.jpg")), 10, 5, 64, 48), S_OK);
    EXPECT_EQ(r->MakeMarkImage(Bstr(dir.File("mark.jpg"))), S_OK);
    EXPECT_EQ(Fingerprint(ReadBytes(dir.File("thumb.jpg"))), kept.thumbnail);
    EXPECT_EQ(Fingerprint(ReadBytes(dir.File("crop.jpg"))), kept.crop);
    EXPECT_EQ(Fingerprint(ReadBytes(dir.File("mark.jpg"))), kept.mark);
  }
}

TEST(ExtensionRule, TakesTheLowerCasedTextAfterTheLastDot) {
  auto extension = [](const char16_t* path) {
    OLECHAR ext[kExtensionField];
    TakeExtension(path, ext);
    return std::u16string(ext);
  };
  EXPECT_EQ(extension(u"C:\\pics\\Photo.JPG"), u"jpg");
  EXPECT_EQ(extension(u"a.tar.PNG"), u"png");
  EXPECT_EQ(extension(u"C:\\my.dir\\photo"), u"dir\\photo");
  EXPECT_EQ(extension(u"/home/me/photo"), u"");
  EXPECT_EQ(extension(u"photo.abcdefghi"), u"abcdefghi");  // 9 characters fit
  EXPECT_EQ(extension(u"photo.abcdefghij"), u"");          // 10 do not
  EXPECT_EQ(extension(u"photo."), u"");
  EXPECT_EQ(extension(u"photo.ÄBC"), u"Äbc");  // only A to Z are lowered
  EXPECT_EQ(extension(nullptr), u"");
  EXPECT_TRUE(ExtensionIsOneOf(u"x.JPEG", {u"jpg", u"jpeg"}));
  EXPECT_FALSE(ExtensionIsOneOf(u"C:\\my.dir\\photo", {u"dir\\photo2"}));
  EXPECT_FALSE(ExtensionIsOneOf(u"photo", {u""}));
}

}  // namespace
}  // namespace vx::testing
