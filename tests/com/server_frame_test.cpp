// The server's exports, class objects, aggregation, QueryInterface and IDispatch, through the built DLL.
#include <gtest/gtest.h>

#include <ocidl.h>

#include "test_support.h"

namespace korvel::test {
namespace {

const CLSID* const kClasses[] = {&CLSID_BignumArithmeticInteger, &CLSID_BignumArithmeticFloat, &CLSID_VBA};
const IID* const kInterfaces[] = {&IID_IBignumArithmeticInteger, &IID_IBignumArithmeticFloat, &IID_IVBA};

TEST(ServerExports, ClassObjectIsCachedPerClass) {
  for (const CLSID* clsid : kClasses) {
    ComPtr<IClassFactory> first, second;
    ASSERT_EQ(S_OK, Server::Get().GetClassObject(*clsid, IID_IClassFactory, first.put_void()));
    ASSERT_EQ(S_OK, Server::Get().GetClassObject(*clsid, IID_IClassFactory, second.put_void()));
    EXPECT_EQ(first.get(), second.get());
  }
}

TEST(ServerExports, UnknownClassAndNullPointer) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Server::Get().GetClassObject(IID_IDispatch, IID_IClassFactory, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, Server::Get().GetClassObject(CLSID_VBA, IID_IClassFactory, nullptr));
}

TEST(ServerExports, CanUnloadOnlyWithoutObjectsLocksOrHeldClassObjects) {
  EXPECT_EQ(S_OK, Server::Get().CanUnloadNow());
  for (size_t i = 0; i < 3; ++i) {
    ComPtr<IDispatch> object;
    {
      ComPtr<IClassFactory> f;
      ASSERT_EQ(S_OK, Server::Get().GetClassObject(*kClasses[i], IID_IClassFactory, f.put_void()));
      // A client's reference to a class object holds the server: CreateInstance may follow at any time.
      EXPECT_EQ(S_FALSE, Server::Get().CanUnloadNow());
      ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IDispatch, object.put_void()));
    }
    // Only the cache's own reference is left: it does not hold the server.
    EXPECT_EQ(S_FALSE, Server::Get().CanUnloadNow());
    object.reset();
    EXPECT_EQ(S_OK, Server::Get().CanUnloadNow());
  }
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, Server::Get().GetClassObject(CLSID_VBA, IID_IClassFactory, factory.put_void()));
  ASSERT_EQ(S_OK, factory->LockServer(TRUE));
  factory.reset();
  EXPECT_EQ(S_FALSE, Server::Get().CanUnloadNow());
  ASSERT_EQ(S_OK, Server::Get().GetClassObject(CLSID_VBA, IID_IClassFactory, factory.put_void()));
  ASSERT_EQ(S_OK, factory->LockServer(FALSE));
  factory.reset();
  EXPECT_EQ(S_OK, Server::Get().CanUnloadNow());
}

// A minimal outer object for aggregation: counts its own references and hands its inner unknown out
// for the aggregated interfaces.
class Outer : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  IUnknown* inner = nullptr;
  ULONG refs = 1;
};

TEST(ServerExports, AggregationOnlyThroughIUnknown) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, Server::Get().GetClassObject(CLSID_VBA, IID_IClassFactory, factory.put_void()));
  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IVBA, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IVBA, nullptr));

  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
  // The inner object's interfaces delegate their IUnknown to the outer one.
  IVBA* vba = nullptr;
  ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IVBA, reinterpret_cast<void**>(&vba)));
  ULONG before = outer.refs;
  vba->AddRef();
  EXPECT_EQ(before + 1, outer.refs);
  vba->Release();
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, vba->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  identity->Release();
  vba->Release();
  factory.reset();
  EXPECT_EQ(S_FALSE, Server::Get().CanUnloadNow());
  EXPECT_EQ(0u, outer.inner->Release());
  EXPECT_EQ(S_OK, Server::Get().CanUnloadNow());
}

TEST(ServerObjects, QueryInterfaceAnswersOnlyTheirOwnInterfaces) {
  const IID* const refused[] = {&IID_ISupportErrorInfo, &IID_IProvideClassInfo, &IID_IConnectionPointContainer};
  for (size_t i = 0; i < 3; ++i) {
    ComPtr<IUnknown> object = Server::Get().Create<IUnknown>(*kClasses[i]);
    ASSERT_TRUE(object);
    for (const IID* ok : {&IID_IUnknown, &IID_IDispatch, kInterfaces[i]}) {
      ComPtr<IUnknown> answer;
      EXPECT_EQ(S_OK, object->QueryInterface(*ok, answer.put_void()));
    }
    for (size_t j = 0; j < 3; ++j) {
      if (j == i) continue;
      ComPtr<IUnknown> answer;
      EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*kInterfaces[j], answer.put_void()));
    }
    for (const IID* no : refused) {
      ComPtr<IUnknown> answer;
      EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*no, answer.put_void()));
    }
  }
}

TEST(ServerObjects, TypeInformation) {
  for (size_t i = 0; i < 3; ++i) {
    ComPtr<IDispatch> object = Server::Get().Create<IDispatch>(*kClasses[i]);
    ASSERT_TRUE(object);
    UINT count = 0;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, object->GetTypeInfo(1, 0, info.put()));
    EXPECT_EQ(E_POINTER, object->GetTypeInfo(0, 0, nullptr));
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, 0, info.put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualIID(attr->guid, *kInterfaces[i]));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
  }
}

TEST(ServerObjects, NamesResolveWithoutRegardToCase) {
  ComPtr<IDispatch> object = Server::Get().Create<IDispatch>(CLSID_BignumArithmeticInteger);
  ASSERT_TRUE(object);
  const struct { const wchar_t* name; DISPID id; } names[] = {
      {L"Help", 1}, {L"bignum", 2}, {L"FACTORIAL", 20}, {L"clear", 25}};
  for (const auto& n : names) {
    DISPID id = -1;
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)) << n.name;
    EXPECT_EQ(n.id, id) << n.name;
  }
  DISPID id = 0;
  LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
  EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id));
}

TEST(ServerObjects, RegisterArgumentOutsideAByteIsRefusedByTheConversion) {
  ComPtr<IDispatch> object = Server::Get().Create<IDispatch>(CLSID_BignumArithmeticInteger);
  ASSERT_TRUE(object);
  LateBound call(object.get());
  ScopedVariant result;
  EXPECT_EQ(DISP_E_OVERFLOW, call.Call(L"Sign", DISPATCH_PROPERTYGET, {VI4(256)}, result.get()));
  EXPECT_EQ(S_OK, call.Call(L"Sign", DISPATCH_PROPERTYGET, {VI4(255)}, result.get()));
}

}  // namespace
}  // namespace korvel::test
