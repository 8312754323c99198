// The installation with the real Regsvr32 in a private copy of the bare prefix (check-end-to-end.sh runs
// each case there on its own; nothing registers these cases in the ordinary run). The shell is passed
// through; file attributes still come through the host's hook.
#include "add_in.h"

#include <shellapi.h>

#include "server_files.h"
#include "startup/com_server_install.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

constexpr wchar_t kVbaClassKey[] = L"Software\\Classes\\CLSID\\{757C2B06-4BA3-4D2B-B024-F4FB8F54C793}\\InprocServer32";

// The default value of the per-user InprocServer32 key of VBA; empty when there is none.
std::wstring PerUserServerPath() {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kVbaClassKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

class EndToEnd : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    host.ui().PassToRealShell();
  }
  std::wstring ServerFile(const std::wstring& folder) const { return folder + L"\\KorvelCOM(x64).dll"; }
};

// Nothing registered before: the add-in writes, registers per user, marks; the removal takes it away.
TEST_F(EndToEnd, FirstInstallationRegistersPerUserAndTheRemovalTakesItAway) {
  const std::wstring file = ServerFile(temp.path());
  ASSERT_TRUE(PerUserServerPath().empty());
  EXPECT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(StartupCounters[kServerWritten], 1);
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_EQ(StartupCounters[kServerHidden], 1);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(FileBytes(file), BuildServerBytes());
  EXPECT_EQ(PerUserServerPath(), file);

  UnregisterComServer();
  ASSERT_EQ(host.ui().shell_runs().size(), 2u);
  EXPECT_EQ(host.ui().shell_runs()[1].parameters, L"/s /u /n /i \"" + file + L"\"");
  EXPECT_EQ(StartupCounters[kServerRegistered], 0);
  EXPECT_TRUE(PerUserServerPath().empty());
}

// The script registered a copy one byte longer machine-wide in KORVEL_E2E_FOLDER: the add-in rewrites it,
// registers it, binds to it (Wine finds the class machine-wide, at that very path) and, with the object alive,
// leaves file and registration in place at removal.
TEST_F(EndToEnd, LongerMachineWideCopyIsRewrittenBoundAndKeptWhileLoaded) {
  const std::wstring folder = Environment(L"KORVEL_E2E_FOLDER");
  ASSERT_FALSE(folder.empty());
  ScopedTempFolder::PointTempAt(folder);
  const std::wstring file = ServerFile(folder);
  ASSERT_EQ(FileBytes(file).size(), BuildServerBytes().size() + 1);

  EXPECT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(StartupCounters[kServerWritten], 1);
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_EQ(FileBytes(file), BuildServerBytes());
  EXPECT_EQ(PerUserServerPath(), file);

  BindComServer();
  EXPECT_TRUE(boxes().empty());
  ASSERT_NE(pComServerDisp, nullptr);
  EXPECT_EQ(StartupCounters[kServerDispatch], 1);
  HMODULE loaded = GetModuleHandleW(file.c_str());
  ASSERT_NE(loaded, nullptr);
  wchar_t loaded_path[MAX_PATH] = {};
  GetModuleFileNameW(loaded, loaded_path, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(loaded_path, file.c_str()), 0);

  const size_t runs = host.ui().shell_runs().size();
  UnregisterComServer();
  EXPECT_EQ(host.ui().shell_runs().size(), runs);
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_EQ(FileBytes(file), BuildServerBytes());
  EXPECT_EQ(PerUserServerPath(), file);
}

}  // namespace
}  // namespace korvel::test
