// The COM module frame: DllGetClassObject and the cached class object, CreateInstance with
// its aggregation rules, LockServer, the module lock count through object lifetimes, and
// DllCanUnloadNow.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "module/module_lock.h"
#include "module/module_object.h"
#include "module/resize_object.h"
#include "platform/objbase.h"
#include "platform/olectl.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

constexpr CLSID kOtherClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

// Every test starts from an unloadable module and checks that it ends there too.
class ModuleFrameTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    ASSERT_EQ(ModuleLockCount(), 0) << "an earlier test left an object or lock behind";
  }
  void TearDown() override {
    EXPECT_EQ(ModuleLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    LeakCheckedTest::TearDown();
  }

  static IClassFactory* ClassObject() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_Resize, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    return factory;
  }
};

// Out pointers start with this so that a test sees whether the call cleared them.
void* const kUntouched = reinterpret_cast<void*>(0x1);

TEST_F(ModuleFrameTest, DllGetClassObjectChecksItsArguments) {
  EXPECT_EQ(DllGetClassObject(CLSID_Resize, IID_IClassFactory, nullptr), E_POINTER);
  void* object = kUntouched;
  EXPECT_EQ(DllGetClassObject(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = kUntouched;
  EXPECT_EQ(DllGetClassObject(IID_IResize, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  // The class object answers only its own interfaces.
  object = kUntouched;
  EXPECT_EQ(DllGetClassObject(CLSID_Resize, IID_IResize, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DllGetClassObject(CLSID_Resize, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ModuleFrameTest, TheClassObjectIsMadeOnceAndCached) {
  IClassFactory* first = ClassObject();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_Resize, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(first));
  unknown->Release();
  first->Release();
  // Released by every client, it stays cached by the module.
  IClassFactory* again = ClassObject();
  EXPECT_EQ(again, first);
  again->Release();
}

TEST_F(ModuleFrameTest, HoldingTheClassObjectKeepsTheModuleLoaded) {
  IClassFactory* factory = ClassObject();
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  // Only the first client reference counts (the module's own is the one before it).
  EXPECT_EQ(factory->AddRef(), 3u);
  IClassFactory* second = ClassObject();
  EXPECT_EQ(ModuleLockCount(), 1);
  second->Release();
  EXPECT_EQ(factory->Release(), 2u);
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(factory->Release(), 1u);
  EXPECT_EQ(ModuleLockCount(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ModuleFrameTest, LockServerCountsEachCall) {
  IClassFactory* factory = ClassObject();
  factory->AddRef();  // the count stays where the first client put it
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  factory->Release();
  EXPECT_EQ(ModuleLockCount(), 2);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // nobody holds the class object, but it is locked
  factory = ClassObject();
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(ModuleLockCount(), 2);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(ModuleLockCount(), 0);
}

TEST_F(ModuleFrameTest, EveryLiveObjectHoldsTheModule) {
  IClassFactory* factory = ClassObject();
  IResize* a = nullptr;
  IDispatch* b = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IResize, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_NE(static_cast<void*>(a), static_cast<void*>(b));  // two objects
  factory->Release();
  EXPECT_EQ(ModuleLockCount(), 2);
  EXPECT_EQ(a->AddRef(), 2u);  // more references to one object lock no more
  EXPECT_EQ(ModuleLockCount(), 2);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(a->Release(), 0u);
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(b->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  IResize* convenient = nullptr;  // CreateResize goes through the same class object
  ASSERT_EQ(CreateResize(IID_IResize, reinterpret_cast<void**>(&convenient)), S_OK);
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(convenient->Release(), 0u);
}

TEST_F(ModuleFrameTest, CreateInstanceChecksItsArguments) {
  IClassFactory* factory = ClassObject();
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IResize, nullptr), E_POINTER);
  // An object that cannot answer the interface asked for does not survive its creation.
  void* object = kUntouched;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(ModuleLockCount(), 1);  // the class object's hold only
  factory->Release();
}

TEST_F(ModuleFrameTest, PlainObjectsAnswerTheirInterfaceMap) {
  IClassFactory* factory = ClassObject();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  factory->Release();
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IResize}) {
    void* other = nullptr;
    ASSERT_EQ(unknown->QueryInterface(*iid, &other), S_OK);
    EXPECT_EQ(other, static_cast<void*>(unknown));  // one pointer for all three
    static_cast<IUnknown*>(other)->Release();
  }
  void* none = kUntouched;
  EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(unknown->Release(), 0u);
}

// An outer object that aggregates a Resize object, as an aggregating client builds one: it
// answers IUnknown itself and hands every other interface to the inner object.
class Outer final : public IUnknown {
 public:
  ULONG references = 1;  // the test's own
  IUnknown* inner = nullptr;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, object);
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }  // the test owns the memory
};

TEST_F(ModuleFrameTest, AggregationIsOnlyForTheInnerUnknown) {
  IClassFactory* factory = ClassObject();
  Outer outer;
  for (const IID* iid : {&IID_IResize, &IID_IDispatch, &IID_IClassFactory}) {
    void* object = kUntouched;
    EXPECT_EQ(factory->CreateInstance(&outer, *iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(ModuleLockCount(), 1);  // no object was made
  factory->Release();
}

TEST_F(ModuleFrameTest, AnAggregatedObjectServesItsOuterObject) {
  IClassFactory* factory = ClassObject();
  Outer outer;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  factory->Release();
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(outer.references, 1u);  // the inner object does not hold its outer object

  // The inner unknown is its own: not the outer's, and counted apart.
  void* inner_again = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, &inner_again), S_OK);
  EXPECT_EQ(inner_again, static_cast<void*>(outer.inner));
  EXPECT_EQ(outer.inner->Release(), 1u);
  void* none = kUntouched;
  EXPECT_EQ(outer.inner->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  // IResize and IDispatch are one pointer, and every reference through it is the outer's.
  IResize* resize = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IResize, reinterpret_cast<void**>(&resize)), S_OK);
  EXPECT_EQ(outer.references, 2u);
  void* dispatch = nullptr;
  ASSERT_EQ(resize->QueryInterface(IID_IDispatch, &dispatch), S_OK);
  EXPECT_EQ(dispatch, static_cast<void*>(resize));
  EXPECT_EQ(outer.references, 3u);
  void* identity = nullptr;
  ASSERT_EQ(resize->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<void*>(static_cast<IUnknown*>(&outer)));
  EXPECT_EQ(outer.references, 4u);
  EXPECT_EQ(resize->AddRef(), 5u);
  for (int i = 0; i < 4; ++i) resize->Release();
  EXPECT_EQ(outer.references, 1u);

  // It is a whole Resize object.
  EXPECT_EQ(resize->put_Quality(33), S_OK);
  LONG quality = 0;
  EXPECT_EQ(resize->get_Quality(&quality), S_OK);
  EXPECT_EQ(quality, 33);
  TempDir dir;
  WriteJpegFile(dir.File("in.jpg"), 8, 6, Solid(10, 200, 30));
  EXPECT_EQ(resize->LoadSourceImage(Bstr(dir.File("in.jpg"))), S_OK);
  LONG width = 0;
  EXPECT_EQ(resize->GetSourceImageWidth(&width), S_OK);
  EXPECT_EQ(width, 8);
  EXPECT_GT(LiveGdiObjects().bitmaps, 0);

  // The outer object ends the aggregate through the inner unknown; the source goes with it.
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_EQ(ModuleLockCount(), 0);
  EXPECT_EQ(outer.references, 1u);
}

// A Resize object for which there is never memory.
class ResizeWithoutMemory : public ResizeComObject {
 public:
  static void* operator new(std::size_t, const std::nothrow_t&) noexcept { return nullptr; }
  static void operator delete(void*) noexcept {}
  static void operator delete(void*, const std::nothrow_t&) noexcept {}
};

TEST_F(ModuleFrameTest, NoMemoryForTheObject) {
  void* object = kUntouched;
  EXPECT_EQ(CreateInstance<ResizeWithoutMemory>(nullptr, IID_IResize, &object), E_OUTOFMEMORY);
  EXPECT_EQ(object, nullptr);
  // The same creator with memory makes the object.
  ASSERT_EQ(CreateInstance<ResizeComObject>(nullptr, IID_IResize, &object), S_OK);
  EXPECT_EQ(ModuleLockCount(), 1);
  EXPECT_EQ(static_cast<IResize*>(object)->Release(), 0u);
}

TEST_F(ModuleFrameTest, ThreadsShareOneClassObjectAndTheCount) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<IClassFactory*> seen(kThreads * kRounds, nullptr);
  std::vector<HRESULT> results(kThreads * kRounds, E_FAIL);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen, &results] {
      for (int i = 0; i < kRounds; ++i) {
        const int slot = t * kRounds + i;
        IClassFactory* factory = nullptr;
        if (DllGetClassObject(CLSID_Resize, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) continue;
        seen[slot] = factory;
        IResize* resize = nullptr;
        results[slot] = factory->CreateInstance(nullptr, IID_IResize, reinterpret_cast<void**>(&resize));
        factory->Release();
        if (resize) resize->Release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < seen.size(); ++i) {
    ASSERT_EQ(results[i], S_OK) << i;
    ASSERT_EQ(seen[i], seen[0]) << i;
  }
}

TEST_F(ModuleFrameTest, RegistrationNeedsAWindowsRegistry) {
  EXPECT_EQ(DllRegisterServer(), E_NOTIMPL);
  EXPECT_EQ(DllUnregisterServer(), E_NOTIMPL);
}

TEST_F(ModuleFrameTest, NoTypeInformationIsOffered) {
  ResizeObject r;
  UINT count = 7;
  EXPECT_EQ(r->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(r->GetTypeInfoCount(nullptr), E_POINTER);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(kUntouched);
  EXPECT_EQ(r->GetTypeInfo(0, 0x409, &info), E_NOTIMPL);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(r->GetTypeInfo(0, 0x409, nullptr), E_POINTER);
}

}  // namespace
}  // namespace vx::testing
