// The shipped add-in loaded and unloaded many times in one process, as a host that opens and removes it does:
// a cycle must leave no thread-local-storage index of the add-in's static runtime behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/xl_types.h"

namespace {

using korvel::xll::XLOPER12;

std::wstring ShippedPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

int FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  for (DWORD index : taken) TlsFree(index);
  return static_cast<int>(taken.size());
}

template <class Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST(ShippedAddInCycles, TwoThousandLoadsLeaveNoThreadStorageBehind) {
  constexpr int kCycles = 2000;
  int after_first = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    HMODULE module = LoadLibraryW(ShippedPath().c_str());
    ASSERT_NE(module, nullptr) << "cycle " << cycle << ", error " << GetLastError();
    // The one export that answers without a host: the add-in manager's name, handed back for freeing.
    auto info = Export<XLOPER12*(__stdcall*)(XLOPER12*)>(module, "xlAddInManagerInfo12");
    auto free_result = Export<void(__stdcall*)(XLOPER12*)>(module, "xlAutoFree12");
    ASSERT_TRUE(info && free_result);
    XLOPER12 action{};
    action.xltype = korvel::xll::xltypeInt;
    action.val.w = 1;
    XLOPER12* name = info(&action);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->xltype & ~korvel::xll::xlbitDLLFree, korvel::xll::xltypeStr);
    free_result(name);
    FreeLibrary(module);
    ASSERT_EQ(GetModuleHandleW(ShippedPath().c_str()), nullptr) << "the add-in stays loaded";
    if (cycle == 0) after_first = FreeTlsSlots();
  }
  EXPECT_EQ(FreeTlsSlots(), after_first);
}

}  // namespace
