// The add-in in a host process whose main module exports no "MdCallBack12": it takes the callback that
// SetExcel12EntryPt offers, and until then every call fails with xlretFailed.
#include <gtest/gtest.h>

#include "host/host_call.h"
#include "import_hook.h"
#include "host/xl_types.h"
#include "startup/exports.h"

namespace {

using namespace korvel::xll;
using korvel::standin::UserInterface;

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
  // The add-in's core is linked into this program.
  ASSERT_GE(UserInterface::Get().Hook(GetModuleHandleW(nullptr)), 1);
  auto excel12v = &::Excel12v;
  auto excel12x = &::Excel12X;
  auto hwnd = &::GetHostHwnd;
  auto set_entry = &::SetExcel12EntryPt;

  EXPECT_EQ(excel12v(xlGetHwnd, nullptr, 0, nullptr), xlretFailed);
  EXPECT_EQ(hwnd(), nullptr);
  EXPECT_EQ(excel12x(xlcCalculateNow, nullptr, false, nullptr, 0), xlretFailed);
  ASSERT_EQ(UserInterface::Get().boxes().size(), 1u);
  EXPECT_EQ(UserInterface::Get().boxes()[0].owner, nullptr);
  EXPECT_EQ(UserInterface::Get().boxes()[0].text, L"Excel12X>ERROR:32>Function:32799");

  set_entry(&FirstEntry);
  set_entry(&SecondEntry);  // once an entry is known nothing changes
  EXPECT_EQ(hwnd(), reinterpret_cast<HWND>(static_cast<INT_PTR>(-2)));
  EXPECT_EQ(excel12v(xlcCalculateNow, nullptr, 0, nullptr), xlretAbort);
  EXPECT_EQ(g_first_calls, 2);
  EXPECT_EQ(g_second_calls, 0);
}

}  // namespace
