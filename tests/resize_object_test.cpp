// The Resize object's initial state, its properties and its error text.
#include <gtest/gtest.h>

#include "object/extension_rule.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class ResizeObjectTest : public LeakCheckedTest {};

LONG Get(IResize* r, HRESULT (IResize::*getter)(LONG*)) {
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

TEST_F(ResizeObjectTest, AnswersItsThreeInterfacesAndNoOther) {
  ResizeObject r;
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IResize}) {
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
