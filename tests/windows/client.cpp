// A Windows client of vxImage.DLL, written as any C++ program using the component would be:
// against the header that widl makes of the type library source, through COM alone. The
// DLL must be registered. Exit status: the number of failed checks.
//
//   client.exe PHOTO.jpg OUTPUT_FOLDER
#include <initguid.h>  // the header's GUIDs are defined here

#include <windows.h>

#include <cguid.h>
#include <oleauto.h>

#include <string>

#include "tests/windows/check.h"
#include "vximage_h.h"

namespace {

// The text of a BSTR, which is freed.
std::wstring Take(BSTR text) {
  std::wstring taken(text ? text : L"", SysStringLen(text));
  SysFreeString(text);
  return taken;
}

std::wstring ErrorText(IResize* resize) {
  BSTR text = nullptr;
  VX_CHECK(resize->GetErrorInfo(&text) == S_OK);
  return Take(text);
}

IResize* NewResize() {
  IResize* resize = nullptr;
  VX_CHECK(CoCreateInstance(CLSID_Resize, nullptr, CLSCTX_INPROC_SERVER, IID_IResize,
                            reinterpret_cast<void**>(&resize)) == S_OK);
  return resize;
}

void CreationByClassIdAndProgId() {
  for (const wchar_t* prog_id : {L"vxImage.Resize", L"vxImage.Resize.1"}) {
    CLSID found{};
    VX_CHECK(CLSIDFromProgID(prog_id, &found) == S_OK);
    VX_CHECK(IsEqualCLSID(found, CLSID_Resize));
    IUnknown* object = nullptr;
    VX_CHECK(CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)) ==
             S_OK);
    if (object) object->Release();
  }
  IDispatch* dispatch = nullptr;
  VX_CHECK(CoCreateInstance(CLSID_Resize, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                            reinterpret_cast<void**>(&dispatch)) == E_NOINTERFACE);
  VX_CHECK(dispatch == nullptr);
}

void InterfaceMap(IResize* resize) {
  void* dispatch = nullptr;
  void* unknown = nullptr;
  void* other = reinterpret_cast<void*>(1);
  VX_CHECK(resize->QueryInterface(IID_IDispatch, &dispatch) == S_OK && dispatch == resize);
  VX_CHECK(resize->QueryInterface(IID_IUnknown, &unknown) == S_OK && unknown == resize);
  VX_CHECK(resize->QueryInterface(IID_IClassFactory, &other) == E_NOINTERFACE && other == nullptr);
  VX_CHECK(resize->QueryInterface(IID_IPersist, &other) == E_NOINTERFACE);
  if (dispatch) static_cast<IUnknown*>(dispatch)->Release();
  if (unknown) static_cast<IUnknown*>(unknown)->Release();
}

// Early binding: the vtable of IResize as the header lays it out.
void VtableDefaultsAndRoundTrips(IResize* resize) {
  LONG value = 0;
  VX_CHECK(resize->get_Quality(&value) == S_OK && value == 80);
  VX_CHECK(resize->get_MarkPos(&value) == S_OK && value == -1);
  VX_CHECK(resize->get_MarkTransparent(&value) == S_OK && value == 100);
  VX_CHECK(resize->get_TextMarkHeight(&value) == S_OK && value == 12);
  VX_CHECK(resize->get_TextMarkAreaWidth(&value) == S_OK && value == -1);
  VX_CHECK(resize->get_TextMarkShadowSize(&value) == S_OK && value == 5);
  VX_CHECK(resize->get_TextMarkShadowTransparent(&value) == S_OK && value == 100);
  VX_CHECK(resize->GetSourceImageWidth(&value) == S_OK && value == -1);
  VX_CHECK(resize->GetSourceImageHeight(&value) == S_OK && value == -1);
  VX_CHECK(ErrorText(resize).empty());

  VX_CHECK(resize->put_Quality(250) == S_OK && resize->get_Quality(&value) == S_OK && value == 250);
  VX_CHECK(resize->put_TextMarkShadowVisible(5) == S_OK);
  VX_CHECK(resize->get_TextMarkShadowVisible(&value) == S_OK && value == 1);
  VX_CHECK(resize->put_TextMarkRotate(-30) == S_OK && resize->get_TextMarkRotate(&value) == S_OK && value == -30);
  OLE_COLOR color = 0;
  VX_CHECK(resize->put_TextMarkShadowColor(0x00FF8040) == S_OK);
  VX_CHECK(resize->get_TextMarkShadowColor(&color) == S_OK && color == 0x00FF8040);
  BSTR face = SysAllocString(L"Liberation Sans");
  VX_CHECK(resize->put_TextMarkFontName(face) == S_OK);
  SysFreeString(face);
  face = nullptr;
  VX_CHECK(resize->get_TextMarkFontName(&face) == S_OK);
  VX_CHECK(Take(face) == L"Liberation Sans");
  VX_CHECK(resize->put_Quality(80) == S_OK);
}

void PicturesThroughTheVtable(const std::wstring& photo, const std::wstring& out) {
  IResize* resize = NewResize();
  if (!resize) return;
  BSTR missing = SysAllocString((out + L"\\no such picture.jpg").c_str());
  VX_CHECK(resize->LoadSourceImage(missing) == S_FALSE);
  VX_CHECK(ErrorText(resize) == L"Source image file open failed!");
  SysFreeString(missing);
  resize->Release();

  resize = NewResize();
  if (!resize) return;
  BSTR source = SysAllocString(photo.c_str());
  BSTR thumb = SysAllocString((out + L"\\client thumb.jpg").c_str());
  LONG width = 0, height = 0;
  VX_CHECK(resize->LoadSourceImage(source) == S_OK);
  VX_CHECK(resize->GetSourceImageWidth(&width) == S_OK && width == 1920);
  VX_CHECK(resize->GetSourceImageHeight(&height) == S_OK && height == 1200);
  VX_CHECK(resize->MakeThumbImage(thumb, 150.0, 0.0, 1) == S_OK);
  VX_CHECK(GetFileAttributesW(thumb) != INVALID_FILE_ATTRIBUTES);
  VX_CHECK(ErrorText(resize).empty());
  SysFreeString(source);
  SysFreeString(thumb);
  resize->Release();
}

HRESULT Invoke(IDispatch* dispatch, DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{args, flags == DISPATCH_PROPERTYPUT ? &named : nullptr, count,
                    flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
  return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

// Late binding: names and DISPIDs through the registered type library.
void DispatchByNameAndId(IResize* resize) {
  IDispatch* dispatch = resize;
  UINT count = 0;
  VX_CHECK(dispatch->GetTypeInfoCount(&count) == S_OK && count == 1);
  ITypeInfo* info = nullptr;
  VX_CHECK(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info) == S_OK && info);
  if (info) {
    BSTR name = nullptr;
    VX_CHECK(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr) == S_OK);
    VX_CHECK(Take(name) == L"IResize2");  // the default interface, which IDispatch describes
    info->Release();
  }
  VX_CHECK(dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, &info) == DISP_E_BADINDEX);

  struct Name {
    const wchar_t* name;
    DISPID id;
  };
  for (const Name& n : {Name{L"LoadSourceImage", 1}, Name{L"Quality", 27}, Name{L"TextMarkItatic", 9},
                        Name{L"GetErrorInfo", 15}, Name{L"GetSourceImageHeight", 30},
                        Name{L"quality", 27}}) {  // the type information matches any case
    LPOLESTR names[] = {const_cast<LPOLESTR>(n.name)};
    DISPID id = 0;
    VX_CHECK(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) == S_OK && id == n.id);
  }
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  VX_CHECK(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id) == DISP_E_UNKNOWNNAME);
  VX_CHECK(dispatch->GetIDsOfNames(IID_IDispatch, unknown, 1, LOCALE_USER_DEFAULT, &id) == DISP_E_UNKNOWNINTERFACE);

  VARIANT value, result;
  VariantInit(&result);
  value.vt = VT_I4;
  value.lVal = 95;
  VX_CHECK(Invoke(dispatch, 27, DISPATCH_PROPERTYPUT, &value, 1, nullptr) == S_OK);
  VX_CHECK(Invoke(dispatch, 27, DISPATCH_PROPERTYGET, nullptr, 0, &result) == S_OK);
  VX_CHECK(result.vt == VT_I4 && result.lVal == 95);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(L"not a number");
  VX_CHECK(Invoke(dispatch, 27, DISPATCH_PROPERTYPUT, &value, 1, nullptr) == DISP_E_TYPEMISMATCH);
  VariantClear(&value);
  VX_CHECK(Invoke(dispatch, 16, DISPATCH_METHOD, nullptr, 0, &result) == DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none{};
  VX_CHECK(dispatch->Invoke(27, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr) ==
           DISP_E_UNKNOWNINTERFACE);
}

// GetErrorInfo by DISPID: as a method with a result, and in the older shape with one
// variable to fill, by reference to a BSTR or to a VARIANT.
void ErrorTextByDispatch(IResize* resize) {
  IDispatch* dispatch = resize;
  VARIANT argument, result;
  VariantInit(&result);
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocString(L"Z:\\no such folder\\missing.png");
  VX_CHECK(Invoke(dispatch, 1, DISPATCH_METHOD, &argument, 1, nullptr) == S_OK);  // S_FALSE is a success
  VariantClear(&argument);
  const std::wstring expected = L"Source image file open failed!";

  VX_CHECK(Invoke(dispatch, 15, DISPATCH_METHOD, nullptr, 0, &result) == S_OK);
  VX_CHECK(result.vt == VT_BSTR && Take(result.bstrVal) == expected);

  BSTR text = nullptr;
  argument.vt = VT_BYREF | VT_BSTR;
  argument.pbstrVal = &text;
  VX_CHECK(Invoke(dispatch, 15, DISPATCH_METHOD, &argument, 1, nullptr) == S_OK);
  VX_CHECK(Take(text) == expected);

  VARIANT variable;
  variable.vt = VT_BSTR;
  variable.bstrVal = SysAllocString(L"old value, freed by the assignment");
  argument.vt = VT_BYREF | VT_VARIANT;
  argument.pvarVal = &variable;
  VX_CHECK(Invoke(dispatch, 15, DISPATCH_METHOD, &argument, 1, nullptr) == S_OK);
  VX_CHECK(variable.vt == VT_BSTR && Take(variable.bstrVal) == expected);

  argument.vt = VT_BSTR;  // a value cannot be filled
  argument.bstrVal = SysAllocString(L"by value");
  VX_CHECK(Invoke(dispatch, 15, DISPATCH_METHOD, &argument, 1, nullptr) == DISP_E_TYPEMISMATCH);
  VariantClear(&argument);
}

// An outer object that aggregates a Resize object: its own identity, the inner object's
// interfaces.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, object) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }  // lives on the stack

  ULONG references = 1;
  IUnknown* inner = nullptr;
};

void Aggregation() {
  Outer outer;
  IResize* resize = nullptr;
  VX_CHECK(CoCreateInstance(CLSID_Resize, &outer, CLSCTX_INPROC_SERVER, IID_IResize,
                            reinterpret_cast<void**>(&resize)) == CLASS_E_NOAGGREGATION);
  VX_CHECK(resize == nullptr);
  VX_CHECK(CoCreateInstance(CLSID_Resize, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(&outer.inner)) == S_OK);
  if (!outer.inner) return;
  VX_CHECK(outer.references == 1);
  // The inner interfaces count toward the outer object and answer IUnknown with it.
  VX_CHECK(outer.QueryInterface(IID_IResize, reinterpret_cast<void**>(&resize)) == S_OK && resize);
  VX_CHECK(outer.references == 2);
  IUnknown* identity = nullptr;
  VX_CHECK(resize->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)) == S_OK);
  VX_CHECK(identity == &outer && outer.references == 3);
  identity->Release();
  LONG quality = 0;
  VX_CHECK(resize->get_Quality(&quality) == S_OK && quality == 80);
  resize->Release();
  VX_CHECK(outer.references == 1);
  VX_CHECK(outer.inner->Release() == 0);
}

// DllCanUnloadNow of the loaded DLL: S_FALSE while an object, a lock or a held class
// object keeps it, S_OK once the last is gone.
void UnloadingFollowsTheLockCount() {
  HMODULE dll = GetModuleHandleW(L"vxImage.DLL");
  VX_CHECK(dll != nullptr);
  if (!dll) return;
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto can_unload =
      reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  const auto get_class_object =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  VX_CHECK(can_unload && get_class_object);
  VX_CHECK(GetProcAddress(dll, "DllRegisterServer") && GetProcAddress(dll, "DllUnregisterServer"));
  if (!can_unload || !get_class_object) return;
  VX_CHECK(can_unload() == S_OK);

  IResize* resize = NewResize();
  VX_CHECK(can_unload() == S_FALSE);
  if (resize) resize->Release();
  VX_CHECK(can_unload() == S_OK);

  IClassFactory* factory = nullptr;
  VX_CHECK(get_class_object(CLSID_Resize, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK);
  if (!factory) return;
  VX_CHECK(can_unload() == S_FALSE);
  VX_CHECK(factory->LockServer(TRUE) == S_OK);
  factory->Release();
  VX_CHECK(can_unload() == S_FALSE);
  VX_CHECK(get_class_object(CLSID_Resize, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK);
  VX_CHECK(factory->LockServer(FALSE) == S_OK);
  VX_CHECK(factory->CreateInstance(nullptr, IID_IResize, nullptr) == E_POINTER);
  factory->Release();
  VX_CHECK(can_unload() == S_OK);

  void* none = reinterpret_cast<void*>(1);
  VX_CHECK(get_class_object(IID_IResize, IID_IClassFactory, &none) == CLASS_E_CLASSNOTAVAILABLE && none == nullptr);
  VX_CHECK(get_class_object(CLSID_Resize, IID_IClassFactory, nullptr) == E_POINTER);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: client PHOTO.jpg OUTPUT_FOLDER\n");
    return 100;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 100;
  CreationByClassIdAndProgId();
  if (IResize* resize = NewResize()) {
    InterfaceMap(resize);
    VtableDefaultsAndRoundTrips(resize);
    DispatchByNameAndId(resize);
    ErrorTextByDispatch(resize);
    resize->Release();
  }
  PicturesThroughTheVtable(argv[1], argv[2]);
  Aggregation();
  UnloadingFollowsTheLockCount();
  CoUninitialize();
  std::printf("client: %d failed\n", vx::test::failures);
  return vx::test::failures;
}
