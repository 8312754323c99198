// The server's installation from resource 105 into the temporary folder, its registration through
// Regsvr32 (recorded, or played by the host's helper program with the exit code each case picks), the
// hidden mark, and the removal's unregistration.
#include "add_in.h"

#include <io.h>
#include <shellapi.h>

#include <memory>

#include "file_attributes.h"
#include "server_files.h"
#include "startup/com_server_file.h"
#include "startup/com_server_install.h"
#include "startup/load_state.h"
#include "startup/regsvr32_run.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

class ComServerInstallTest : public AddInTest {
 protected:
  std::wstring ServerFile() const { return (folder_.empty() ? temp.path() : folder_) + L"\\KorvelCOM(x64).dll"; }
  // A temporary folder of its own for one case: a server file that a case loaded stays loaded (the server
  // pins itself), so the next case could not replace it.
  void UseFolderOfItsOwn(const std::wstring& name) {
    folder_ = temp.path() + L"\\" + name;
    CreateDirectoryW(folder_.c_str(), nullptr);
    ScopedTempFolder::PointTempAt(folder_);
  }
  std::wstring folder_;
  std::wstring Quoted() const { return L"\"" + ServerFile() + L"\""; }
  long long Counter(StartupCounter c) const { return StartupCounters[c]; }
  DWORD Attributes() const { return GetFileAttributesW(ServerFile().c_str()); }
  const std::vector<ShellRun>& runs() { return host.ui().shell_runs(); }
  // A server file in place before the add-in comes: the build's server one byte longer, so that a rewrite
  // shows, and still a library that loads.
  void PlaceLongerServer(DWORD attributes) {
    ASSERT_TRUE(WriteBytes(ServerFile(), BuildServerBytes() + '\0'));
    ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), attributes));
  }
};

// What a finished installation left, for each way the file and Regsvr32 can be.
enum class Before { kNoFile, kLoadedHiddenOnly, kLoadedHiddenArchive };
enum class Shell { kExit0, kExit5, kNotStarted, kNoProcess, kPastTheBound };

struct InstallCase {
  const char* name;
  Before before;
  Shell shell;
  int runs;  // Regsvr32 runs asked of the shell
  long long written, registered, hidden;
  bool rewritten;  // the file holds exactly the build's server afterwards
  bool marked;     // the attributes are exactly FILE_ATTRIBUTE_HIDDEN afterwards
};

const InstallCase kInstallCases[] = {
    {"no file, Regsvr32 exits 0", Before::kNoFile, Shell::kExit0, 1, 1, 1, 1, true, true},
    {"no file, Regsvr32 exits 5", Before::kNoFile, Shell::kExit5, 1, 1, 0, 0, true, false},
    {"no file, Regsvr32 cannot start", Before::kNoFile, Shell::kNotStarted, 1, 1, 0, 0, true, false},
    {"no file, no process to wait for", Before::kNoFile, Shell::kNoProcess, 1, 1, 0, 0, true, false},
    {"no file, Regsvr32 still running at the bound", Before::kNoFile, Shell::kPastTheBound, 1, 1, 0, 0, true, false},
    {"loaded, exactly hidden: taken as registered", Before::kLoadedHiddenOnly, Shell::kExit0, 0, 0, 1, 1, false,
     true},
    {"loaded, hidden and archive: registered as it is", Before::kLoadedHiddenArchive, Shell::kExit0, 1, 0, 1, 1,
     false, true},
    {"loaded, hidden and archive, Regsvr32 exits 5", Before::kLoadedHiddenArchive, Shell::kExit5, 1, 0, 0, 0, false,
     false},
};

TEST_F(ComServerInstallTest, InstallationTable) {
  for (const InstallCase& c : kInstallCases) {
    SCOPED_TRACE(c.name);
    StartAfresh();
    UseFolderOfItsOwn(L"case" + std::to_wstring(&c - kInstallCases));
    DeleteFileW(ServerFile().c_str());
    std::unique_ptr<LoadedFile> loaded;
    if (c.before != Before::kNoFile) {
      PlaceLongerServer(c.before == Before::kLoadedHiddenOnly ? FILE_ATTRIBUTE_HIDDEN
                                                              : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
      loaded = std::make_unique<LoadedFile>(ServerFile());
      ASSERT_NE(loaded->module(), nullptr);
    }
    switch (c.shell) {
      case Shell::kExit0: host.ui().StartHelper(0); break;
      case Shell::kExit5: host.ui().StartHelper(5); break;
      case Shell::kNotStarted: host.ui().set_shell_ex_result(FALSE); break;
      case Shell::kNoProcess: break;
      case Shell::kPastTheBound:
        Regsvr32WaitLimit = 300;
        host.ui().StartHelper(0, 1500);
        break;
    }

    EXPECT_EQ(ExtractComServer(), 0);

    ASSERT_EQ(runs().size(), static_cast<size_t>(c.runs));
    if (c.runs) {
      const ShellRun& run = runs()[0];
      EXPECT_TRUE(run.extended);
      EXPECT_EQ(run.owner, nullptr);
      EXPECT_EQ(run.verb, L"");
      EXPECT_EQ(run.file, L"Regsvr32");
      EXPECT_EQ(run.parameters, L"/s /n /i " + Quoted());
      EXPECT_EQ(run.directory, L"");
      EXPECT_EQ(run.show, SW_SHOW);
      EXPECT_EQ(run.mask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
    }
    EXPECT_EQ(Counter(kServerWritten), c.written);
    EXPECT_EQ(Counter(kServerRegistered), c.registered);
    EXPECT_EQ(Counter(kServerHidden), c.hidden);
    EXPECT_EQ(FileBytes(ServerFile()) == BuildServerBytes(), c.rewritten);
    EXPECT_EQ(Attributes() == FILE_ATTRIBUTE_HIDDEN, c.marked) << std::hex << Attributes();
    EXPECT_EQ(ServerTempPath, ServerFile());
    EXPECT_TRUE(boxes().empty());
  }
}

TEST_F(ComServerInstallTest, AFreshFileCarriesNoMarkUntilRegistered) {
  // Wine keeps the archive bit of every file; the host's hook gives the attributes as they were set.
  ASSERT_TRUE(WriteBytes(ServerFile(), "x"));
  EXPECT_NE(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(DeleteFileW(ServerFile().c_str()));
  ASSERT_TRUE(WriteBytes(ServerFile(), "y"));
  EXPECT_NE(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(ComServerInstallTest, MissingTemporaryFolderIsAFailedWrite) {
  ScopedTempFolder::PointTempAt(temp.path() + L"\\missing");
  host.ui().StartHelper(0);
  EXPECT_EQ(ExtractComServer(), 7);
  EXPECT_TRUE(runs().empty());
  EXPECT_EQ(Counter(kServerWritten), 0);
  EXPECT_EQ(Counter(kServerRegistered), 0);
}

// The longest folder that leaves room for the name, and one unit more.
TEST_F(ComServerInstallTest, NameMustFitIn260UnitsAndIsNeverCut) {
  host.ui().StartHelper(0);
  const std::wstring name = L"KorvelCOM(x64).dll";
  // GetTempPathW adds the backslash: folder + 1 + name + the terminator fill 260 units exactly.
  const size_t longest = MAX_PATH - 1 - name.size() - 1;
  std::wstring folder = temp.path() + L"\\";
  while (folder.size() < longest) folder += L'd';
  ASSERT_EQ(folder.size(), longest);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ScopedTempFolder::PointTempAt(folder);
  EXPECT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(FileBytes(folder + L"\\" + name), BuildServerBytes());
  EXPECT_EQ(Counter(kServerRegistered), 1);

  StartAfresh();
  const std::wstring overlong = folder + L"e";
  ASSERT_TRUE(CreateDirectoryW(overlong.c_str(), nullptr));
  ScopedTempFolder::PointTempAt(overlong);
  EXPECT_EQ(ExtractComServer(), 6);
  EXPECT_TRUE(ServerTempPath.empty());
  EXPECT_TRUE(runs().empty());
  EXPECT_EQ(Counter(kServerWritten), 0);
  // Nothing under the name cut to fit either.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((overlong + L"\\*.*").c_str(), &found);
  int entries = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.cFileName[0] != L'.') ++entries;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(entries, 0);
}

int WriteHalf(int fd, const void* data, unsigned size) { return _write(fd, data, size / 2); }
int FailingClose(int fd) {
  _close(fd);
  return -1;
}

TEST_F(ComServerInstallTest, ShortWriteIsAFailedWriteAndLeavesNoFile) {
  host.ui().StartHelper(0);
  {
    ScopedServerFileCallsForTesting short_write(&WriteHalf, nullptr);
    EXPECT_EQ(ExtractComServer(), 7);
  }
  EXPECT_FALSE(Exists(ServerFile()));
  EXPECT_TRUE(runs().empty());
  EXPECT_EQ(Counter(kServerWritten), 0);
  // The next open tries again and succeeds.
  EXPECT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(FileBytes(ServerFile()), BuildServerBytes());
}

TEST_F(ComServerInstallTest, FailedCloseGivesCode8AndLeavesNoFile) {
  host.ui().StartHelper(0);
  ScopedServerFileCallsForTesting failing_close(nullptr, &FailingClose);
  EXPECT_EQ(ExtractComServer(), 8);
  EXPECT_FALSE(Exists(ServerFile()));
  EXPECT_TRUE(runs().empty());
  EXPECT_EQ(Counter(kServerWritten), 0);
}

// The resource comes from the module that holds the add-in's code (this program here, whose name is not the
// add-in's), never from another module loaded under the add-in's usual file name.
TEST_F(ComServerInstallTest, ResourceComesFromTheAddInsOwnModule) {
  const std::wstring impostor = temp.path() + L"\\KorvelXLL(x64).xll";
  wchar_t xlcall[MAX_PATH];
  GetModuleFileNameW(GetModuleHandleW(L"XLCALL32.DLL"), xlcall, MAX_PATH);
  ASSERT_TRUE(CopyFileW(xlcall, impostor.c_str(), FALSE));
  LoadedFile loaded(impostor);
  ASSERT_NE(loaded.module(), nullptr);
  ASSERT_EQ(GetModuleHandleW(L"KorvelXLL(x64).xll"), loaded.module());
  ASSERT_EQ(FindResourceW(loaded.module(), MAKEINTRESOURCEW(105), RT_RCDATA), nullptr);

  host.ui().StartHelper(0);
  EXPECT_EQ(ExtractComServer(), 0);
  EXPECT_EQ(FileBytes(ServerFile()), BuildServerBytes());
  EXPECT_EQ(KeptServerBytes.size, BuildServerBytes().size());
}

// ---- removal

class ComServerRemovalTest : public ComServerInstallTest {
 protected:
  void SetUp() override {
    ComServerInstallTest::SetUp();
    host.ui().StartHelper(0);
    ASSERT_EQ(ExtractComServer(), 0);
    ASSERT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    host.ui().Reset();
  }
};

TEST_F(ComServerRemovalTest, MarkedReplaceableFileIsRewrittenAndUnregisteredPerUser) {
  // Something else in the file, still marked: the removal writes the server again before unregistering.
  ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(WriteBytes(ServerFile(), "not the server"));
  ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_HIDDEN));
  host.ui().StartHelper(0);
  UnregisterComServer();
  ASSERT_EQ(runs().size(), 1u);
  const ShellRun& run = runs()[0];
  EXPECT_TRUE(run.extended);
  EXPECT_EQ(run.owner, nullptr);
  EXPECT_EQ(run.file, L"Regsvr32");
  EXPECT_EQ(run.verb, L"");
  EXPECT_EQ(run.directory, L"");
  EXPECT_EQ(run.parameters, L"/s /u /n /i " + Quoted());
  EXPECT_EQ(run.show, SW_SHOW);
  EXPECT_EQ(run.mask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
  EXPECT_EQ(FileBytes(ServerFile()), BuildServerBytes());
  EXPECT_EQ(Counter(kServerRegistered), 0);
  EXPECT_NE(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(ComServerRemovalTest, FailedOrUnfinishedUnregistrationKeepsTheServerCountedRegistered) {
  struct {
    const char* name;
    DWORD exit_code;
    DWORD delay;
    BOOL starts;
  } const cases[] = {{"exit 5", 5, 0, TRUE}, {"past the bound", 0, 1500, TRUE}, {"no start", 0, 0, FALSE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_HIDDEN));
    host.ui().Reset();
    host.ui().StartHelper(c.exit_code, c.delay);
    host.ui().set_shell_ex_result(c.starts);
    Regsvr32WaitLimit = 300;
    UnregisterComServer();
    EXPECT_EQ(runs().size(), 1u);
    // Still registered as far as the add-in knows: a later open does not install over a removal that
    // may still be running.
    EXPECT_EQ(Counter(kServerRegistered), 1);
  }
}

// The removal deletes the file before it writes it again; when that write fails, the keys name a missing
// file, so the next open installs the server afresh instead of trusting the old registration.
TEST_F(ComServerRemovalTest, FailedRewriteLetsTheNextOpenInstallAgain) {
  {
    ScopedServerFileCallsForTesting short_write(&WriteHalf, nullptr);
    UnregisterComServer();
  }
  EXPECT_TRUE(runs().empty());
  EXPECT_FALSE(Exists(ServerFile()));
  EXPECT_EQ(Counter(kServerRegistered), 0);
  host.ui().StartHelper(0);
  EXPECT_EQ(ExtractComServer(), 0);
  ASSERT_EQ(runs().size(), 1u);
  EXPECT_EQ(runs()[0].parameters, L"/s /n /i " + Quoted());
  EXPECT_EQ(FileBytes(ServerFile()), BuildServerBytes());
  EXPECT_EQ(Counter(kServerRegistered), 1);
}

TEST_F(ComServerRemovalTest, LoadedOrUnmarkedFileIsLeftAlone) {
  {
    LoadedFile loaded(ServerFile());
    ASSERT_NE(loaded.module(), nullptr);
    UnregisterComServer();
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(Counter(kServerRegistered), 1);
    EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  }
  ASSERT_TRUE(SetFileAttributesW(ServerFile().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  UnregisterComServer();
  EXPECT_TRUE(runs().empty());
  EXPECT_EQ(Counter(kServerRegistered), 1);
  EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(ComServerRemovalTest, InstallationAfterRemovalRunsAgain) {
  host.ui().StartHelper(0);
  UnregisterComServer();
  ASSERT_EQ(Counter(kServerRegistered), 0);
  host.ui().Reset();
  host.ui().StartHelper(0);
  EXPECT_EQ(ExtractComServer(), 0);
  ASSERT_EQ(runs().size(), 1u);
  EXPECT_EQ(runs()[0].parameters, L"/s /n /i " + Quoted());
  EXPECT_EQ(Counter(kServerWritten), 2);
  EXPECT_EQ(Counter(kServerRegistered), 1);
  EXPECT_EQ(Counter(kServerHidden), 2);
  EXPECT_EQ(Attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST(ComServerRemovalBeforeInstallation, DoesNothing) {
  RestoreLoadState();
  UserInterface::Get().Reset();
  UnregisterComServer();
  EXPECT_TRUE(UserInterface::Get().shell_runs().empty());
}

}  // namespace
}  // namespace korvel::test
