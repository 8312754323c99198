// The add-in in a host process whose main module exports no "MdCallBack12": it takes the callback that
// SetExcel12EntryPt offers, and until then every call fails with xlretFailed.
#include <gtest/gtest.h>

#include "host/host_call.h"
#include "import_hook.h"
#include "host/xl_types.h"

namespace {

using namespace korvel::xll;
using korvel::standin::UserInterface;

std::wstring AddInPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

int g_first_calls = 0, g_second_calls = 0;
int __stdcall FirstEntry(int xlfn, int, XLOPER12**, XLOPER12* result) {
  ++g_first_calls;
  if (xlfn == xlGetHwnd && result) {
    result->xltype = xltypeInt;
    result->val.w = -2;  // widened with its sign
    return xlretSuccess;
  }
  return xlretAbort;
}
int __stdcall SecondEntry(int, int, XLOPER12**, XLOPER12*) { return ++g_second_calls, xlretSuccess; }

TEST(NoHostEntry, OfferedCallbackIsTakenOnceAndCallsFailBeforeIt) {
  ASSERT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "MdCallBack12"), nullptr);
  HMODULE addin = LoadLibraryW(AddInPath().c_str());
  ASSERT_NE(addin, nullptr);
  ASSERT_GE(UserInterface::Get().Hook(addin), 1);
  auto excel12v = reinterpret_cast<decltype(&::Excel12v)>(GetProcAddress(addin, "Excel12v"));
  auto excel12x = reinterpret_cast<decltype(&::Excel12X)>(GetProcAddress(addin, "Excel12X"));
  auto hwnd = reinterpret_cast<decltype(&::GetHostHwnd)>(GetProcAddress(addin, "GetHostHwnd"));
  auto set_entry = reinterpret_cast<void(__stdcall*)(HostCallEntry)>(GetProcAddress(addin, "SetExcel12EntryPt"));

  EXPECT_EQ(excel12v(xlGetHwnd, nullptr, 0, nullptr), xlretFailed);
  EXPECT_EQ(hwnd(), nullptr);
  EXPECT_EQ(excel12x(xlcCalculateNow, nullptr, false, nullptr, 0), xlretFailed);
  ASSERT_EQ(UserInterface::Get().boxes().size(), 1u);
  EXPECT_EQ(UserInterface::Get().boxes()[0].owner, nullptr);
  EXPECT_EQ(UserInterface::Get().boxes()[0].text, L"Excel12X>ERROR:32>Function:32800");

  set_entry(&FirstEntry);
  set_entry(&SecondEntry);  // once an entry is known nothing changes
  EXPECT_EQ(hwnd(), reinterpret_cast<HWND>(static_cast<INT_PTR>(-2)));
  EXPECT_EQ(excel12v(xlcCalculateNow, nullptr, 0, nullptr), xlretAbort);
  EXPECT_EQ(g_first_calls, 2);
  EXPECT_EQ(g_second_calls, 0);
}

}  // namespace
