// The shipped add-in under another file name, in a process of its own: opened, it writes the server from
// its own resource; freed without a removal, it leaves the host no sink to call and holds no reference.
#include <gtest/gtest.h>

#include "apartment_environment.h"
#include "host.h"
#include "server_files.h"
#include "temp_folder.h"

namespace korvel::test {
namespace {

using namespace korvel::standin;

TEST(RenamedAddIn, OpensFromItsOwnResourceAndLeavesNothingBehindWhenFreed) {
  ScopedTempFolder temp;
  const std::wstring copy = temp.path() + L"\\Renamed add-in.xll";
  ASSERT_TRUE(CopyFileW(WindowsPath(KORVEL_XLL).c_str(), copy.c_str(), FALSE));
  Host& host = Host::Get();
  host.ui().StartHelper(0);
  const LONG app_refs = host.application()->refs();

  HMODULE add_in = host.LoadAddIn(copy);
  ASSERT_NE(add_in, nullptr);
  ASSERT_EQ(GetModuleHandleW(L"KorvelXLL(x64).xll"), nullptr);
  auto open = host.Export<int(__stdcall*)()>("xlAutoOpen");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open(), 1);
  EXPECT_EQ(FileBytes(temp.path() + L"\\KorvelCOM(x64).dll"), BuildServerBytes());
  ASSERT_EQ(host.ui().shell_runs().size(), 1u);
  EXPECT_EQ(host.model().events()->advised().size(), 1u);

  ASSERT_TRUE(FreeLibrary(add_in));
  EXPECT_TRUE(host.model().events()->advised().empty());
  // Neither the Application nor the connection point it hands out is held any more.
  EXPECT_EQ(host.application()->refs(), app_refs);
}

}  // namespace
}  // namespace korvel::test
