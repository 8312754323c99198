// The server loaded and unloaded many times in one process, through LoadLibrary and through COM, and what a
// client sees across an unload. A program of its own: nothing else in it loads the server, so each test
// starts from a process that never had it.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "apartment_environment.h"
#include "common/com_owners.h"
#include "server/server_ids.h"

namespace korvel::test {
namespace {

constexpr int kCycles = 2000;

std::wstring ServerPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_COM_DLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

// Thread-local-storage indexes the process can still take. The static runtime of a module takes one for
// itself once it has thrown an exception or started a thread, and the platform allows about 1,088.
int FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  for (DWORD index : taken) TlsFree(index);
  return static_cast<int>(taken.size());
}

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(WINAPI*)();

HRESULT CanUnloadNow() {
  HMODULE loaded = GetModuleHandleW(ServerPath().c_str());
  if (!loaded) return E_FAIL;
  auto fn = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(loaded, "DllCanUnloadNow")));
  return fn ? fn() : E_FAIL;
}

template <class Interface>
ComPtr<Interface> CreateThroughCom(const CLSID& clsid) {
  ComPtr<Interface> object;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface), object.put_void());
  return object;
}

std::wstring Text(BSTR text) {
  UniqueBstr owned(text);
  return text ? std::wstring(text, SysStringLen(text)) : L"<null>";
}

HRESULT SetInteger(IBignumArithmeticInteger* n, BYTE reg, const wchar_t* text) {
  UniqueBstr value(SysAllocString(text));
  return n->BignumSet(reg, value.get(), 10);
}

std::wstring GetInteger(IBignumArithmeticInteger* n, BYTE reg) {
  BSTR text = nullptr;
  if (n->get_Bignum(reg, 10, &text) != S_OK) return L"<error>";
  return Text(text);
}

// What a cycle does with the loaded server: the work that makes its runtime take its thread storage (a
// text read, a refused text and, now and then, a sort large enough to run on worker threads, whose start
// costs milliseconds).
void UseServer(IBignumArithmeticInteger* n, IVBA* vba, int cycle) {
  EXPECT_EQ(S_OK, SetInteger(n, 1, L"123456789012345678901234567890"));
  EXPECT_EQ(E_INVALIDARG, SetInteger(n, 1, L"not a number"));
  EXPECT_EQ(S_OK, n->Factorial(2, 30));
  if (cycle % 100 != 0) return;
  SAFEARRAYBOUND bound{4096, 0};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  ASSERT_NE(array, nullptr);
  VARIANT* cells = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAccessData(array, reinterpret_cast<void**>(&cells)));
  for (ULONG i = 0; i < bound.cElements; ++i) {
    cells[i].vt = VT_I4;
    cells[i].lVal = static_cast<LONG>((i * 7919u) % 4096u);
  }
  SafeArrayUnaccessData(array);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_VARIANT;
  v.parray = array;
  EXPECT_EQ(S_OK, vba->ArraySortV(&v, 0, VARIANT_FALSE, 0, VARIANT_FALSE, 0, VARIANT_FALSE));
  VariantClear(&v);
}

TEST(ServerUnload, LoadLibraryCyclesLeaveNoThreadStorageBehind) {
  int after_first = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    HMODULE module = LoadLibraryW(ServerPath().c_str());
    ASSERT_NE(module, nullptr) << "cycle " << cycle << ", error " << GetLastError();
    auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    {
      ComPtr<IClassFactory> integers, toolbox;
      ASSERT_EQ(S_OK, get(CLSID_BignumArithmeticInteger, IID_IClassFactory, integers.put_void()));
      ASSERT_EQ(S_OK, get(CLSID_VBA, IID_IClassFactory, toolbox.put_void()));
      ComPtr<IBignumArithmeticInteger> n;
      ComPtr<IVBA> vba;
      ASSERT_EQ(S_OK, integers->CreateInstance(nullptr, IID_IBignumArithmeticInteger, n.put_void()));
      ASSERT_EQ(S_OK, toolbox->CreateInstance(nullptr, IID_IVBA, vba.put_void()));
      UseServer(n.get(), vba.get(), cycle);
      if (HasFatalFailure()) return;
    }
    FreeLibrary(module);
    if (cycle == 0) after_first = FreeTlsSlots();
  }
  EXPECT_EQ(FreeTlsSlots(), after_first);
}

TEST(ServerUnload, ComCyclesLeaveNoThreadStorageBehind) {
  int after_first = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    {
      auto n = CreateThroughCom<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
      auto vba = CreateThroughCom<IVBA>(CLSID_VBA);
      ASSERT_TRUE(n && vba) << "cycle " << cycle;
      UseServer(n.get(), vba.get(), cycle);
      if (HasFatalFailure()) return;
    }
    CoFreeUnusedLibrariesEx(0, 0);
    if (cycle == 0) after_first = FreeTlsSlots();
  }
  EXPECT_EQ(FreeTlsSlots(), after_first);
}

// Registers live as long as the loaded server: releasing the last object keeps them, and once the platform
// has asked to unload the server, a new object starts from the stores of a fresh load.
TEST(ServerUnload, StoresStartFreshOnceThePlatformUnloadsTheServer) {
  {
    auto n = CreateThroughCom<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
    auto f = CreateThroughCom<IBignumArithmeticFloat>(CLSID_BignumArithmeticFloat);
    ASSERT_TRUE(n && f);
    ASSERT_EQ(S_OK, SetInteger(n.get(), 5, L"123"));
    ASSERT_EQ(S_OK, f->SizeBitsSet(5, 1000));
  }
  {
    auto n = CreateThroughCom<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
    ASSERT_TRUE(n);
    EXPECT_EQ(L"123", GetInteger(n.get(), 5)) << "releasing the last object changes no register";
  }
  CoFreeUnusedLibrariesEx(0, 0);
  auto n = CreateThroughCom<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
  auto f = CreateThroughCom<IBignumArithmeticFloat>(CLSID_BignumArithmeticFloat);
  ASSERT_TRUE(n && f);
  EXPECT_EQ(L"0", GetInteger(n.get(), 5));
  LONG_PTR bits = 0;
  EXPECT_EQ(S_OK, f->get_SizeBits(5, &bits));
  EXPECT_EQ(64, bits);
}

// A class object that a client holds keeps the server, as a lock does; the cache's own reference does not.
TEST(ServerUnload, ClassObjectHeldByAClientKeepsTheServerAndItsRegisters) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, CoGetClassObject(CLSID_BignumArithmeticInteger, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   factory.put_void()));
  EXPECT_EQ(S_FALSE, CanUnloadNow());
  {
    ComPtr<IBignumArithmeticInteger> n;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBignumArithmeticInteger, n.put_void()));
    ASSERT_EQ(S_OK, SetInteger(n.get(), 7, L"42"));
  }
  CoFreeUnusedLibrariesEx(0, 0);
  {
    ComPtr<IBignumArithmeticInteger> n;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBignumArithmeticInteger, n.put_void()));
    EXPECT_EQ(L"42", GetInteger(n.get(), 7));
  }
  factory.reset();
  EXPECT_EQ(S_OK, CanUnloadNow()) << "the cached class object alone does not hold the server";
  CoFreeUnusedLibrariesEx(0, 0);
  auto n = CreateThroughCom<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
  ASSERT_TRUE(n);
  EXPECT_EQ(L"0", GetInteger(n.get(), 7));
}

}  // namespace
}  // namespace korvel::test
