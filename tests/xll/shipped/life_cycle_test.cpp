// The shipped add-in file loaded into the stand-in host and driven through its exports only: open,
// registration under the file's own path, the add-in manager's name, removal, unload, and OLE on the
// host's thread.
#include <gtest/gtest.h>
#include <objbase.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "host.h"

namespace {

using namespace korvel::standin;
using korvel::xll::XLOPER12;
using korvel::xll::xlGetHwnd;
using korvel::xll::xlretFailed;

std::wstring ShippedPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

// Whether the thread has COM: a new initialisation then only adds a count, which is taken back.
bool ThreadHasOle() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_FALSE;
}

class ShippedLifeCycle : public ::testing::Test {
 protected:
  void Load(HostStart start, LONG language) {
    host.Reset(start);
    host.application()->set_interface_language(language);
    ASSERT_NE(host.LoadAddIn(ShippedPath()), nullptr) << GetLastError();
    ASSERT_GE(host.hooked_imports(), 1) << "message boxes of the add-in would be shown";
    open = host.Export<int(__stdcall*)()>("xlAutoOpen");
    remove = host.Export<int(__stdcall*)()>("xlAutoRemove");
    manager_info = host.Export<XLOPER12*(__stdcall*)(XLOPER12*)>("xlAddInManagerInfo12");
    ASSERT_TRUE(open && remove && manager_info);
  }
  void TearDown() override {
    // A removal takes back the OLE initialisation of an open, which the next case on this thread would see.
    if (host.add_in() && remove) remove();
    host.UnloadAddIn();
    EXPECT_TRUE(host.api().unknown_functions().empty()) << "a function number the host does not serve";
    EXPECT_EQ(host.api().outstanding(), 0u);
    EXPECT_EQ(host.api().bad_frees(), 0u);
  }
  Application* app() { return host.application(); }

  Host& host = Host::Get();
  int(__stdcall* open)() = nullptr;
  int(__stdcall* remove)() = nullptr;
  XLOPER12*(__stdcall* manager_info)(XLOPER12*) = nullptr;
};

TEST_F(ShippedLifeCycle, OpenRegistersEveryRowUnderTheFilesPathAndUnloadLetsTheHostGo) {
  Load(HostStart::kOneWorkbook, 1049);
  const LONG app_refs = app()->refs();
  EXPECT_EQ(open(), 1);
  const auto& regs = host.api().registrations();
  ASSERT_EQ(regs.size(), 51u);
  for (const Registration& r : regs) {
    SCOPED_TRACE(r.procedure());
    ASSERT_EQ(r.args.size(), 13u);
    EXPECT_EQ(r.args[0].text, ShippedPath());
    EXPECT_TRUE(r.registered) << "not exported by the shipped file";
  }
  EXPECT_EQ(regs.front().procedure(), L"RusLetter");
  EXPECT_EQ(regs[26].procedure(), L"FindValuesXLL");
  EXPECT_EQ(regs[27].procedure(), L"HelpXLL");
  EXPECT_EQ(regs[28].procedure(), L"XLLbuttonHelp");
  EXPECT_EQ(regs.back().procedure(), L"XLLbuttonMenuLanguag");
  // The Application object, reached through the workbook window, is held until the library goes; while the
  // event sink is connected, the connection-point container and the point it gave hold two more (the
  // stand-in's container and point count their references on the Application, as one object).
  EXPECT_EQ(app()->refs(), app_refs + 3);

  host.api().InjectReturn(xlGetHwnd, xlretFailed);
  EXPECT_EQ(remove(), -1) << "the menus' removal could not read the host's window";
  host.api().InjectReturn(xlGetHwnd, 0);
  // This thread had no COM before the add-in's open, so the removal ends COM here: the Application object
  // goes with it, and a later open finds it again.
  EXPECT_EQ(app()->refs(), app_refs) << "the removal ended COM on the thread and still holds the Application";
  host.UnloadAddIn();
  EXPECT_EQ(app()->refs(), app_refs);
}

TEST_F(ShippedLifeCycle, HostWithoutAWorkbookGetsATemporaryOneClosedUnsaved) {
  Load(HostStart::kNoWorkbook, 1033);
  EXPECT_EQ(open(), 1);
  ASSERT_EQ(app()->closed_workbooks().size(), 1u);
  EXPECT_EQ(app()->closed_workbooks()[0].name, L"Book1");
  EXPECT_FALSE(app()->closed_workbooks()[0].saved);
  EXPECT_EQ(app()->workbooks()->size(), 0u);
  EXPECT_EQ(host.api().CallsOf(0x8077).size(), 1u);  // xlcNew
}

TEST_F(ShippedLifeCycle, AddInManagerNameComesBackThroughTheFilesFree) {
  Load(HostStart::kOneWorkbook, 1049);
  XLOPER12 action{};
  action.xltype = 0x0001;  // number
  action.val.num = 1.0;
  XLOPER12* name = manager_info(&action);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->xltype, 0x0002u | 0x4000u);  // string flagged xlbitDLLFree
  EXPECT_EQ(std::wstring(name->val.str + 1, static_cast<unsigned short>(name->val.str[0])), L"KorvelXLL(x64)");
  host.api().TakeResult(name);
  action.val.num = 2;
  XLOPER12* refused = manager_info(&action);
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(refused->xltype, 0x0010u | 0x4000u);  // error flagged xlbitDLLFree
  EXPECT_EQ(refused->val.err, 15);
  host.api().TakeResult(refused);
  EXPECT_EQ(host.api().handed_back(), 2u);
}

TEST_F(ShippedLifeCycle, ThreadThatInitialisedOleItselfKeepsIt) {
  ASSERT_EQ(OleInitialize(nullptr), S_OK);
  Load(HostStart::kOneWorkbook, 1049);
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    EXPECT_EQ(open(), 1);
    EXPECT_EQ(host.api().registrations().size(), 51u * (cycle + 1));
    remove();
    EXPECT_TRUE(ThreadHasOle());
  }
  host.UnloadAddIn();
  EXPECT_TRUE(ThreadHasOle());
  OleUninitialize();
  EXPECT_FALSE(ThreadHasOle());
}

TEST_F(ShippedLifeCycle, OpenBringsOleToTheHostsThreadAndRemovalTakesItAway) {
  ASSERT_FALSE(ThreadHasOle());
  Load(HostStart::kOneWorkbook, 1049);
  EXPECT_FALSE(ThreadHasOle()) << "loading the library initialises nothing";
  EXPECT_EQ(open(), 1);
  EXPECT_TRUE(ThreadHasOle());
  EXPECT_EQ(open(), 1);  // the sink is not connected: a later open runs again, OLE counted once
  remove();
  EXPECT_FALSE(ThreadHasOle());
  remove();  // a second removal undoes nothing it did not do
  EXPECT_FALSE(ThreadHasOle());
}

// A host that refuses the removal's Unadvise still holds the sink: the next open takes the stale advise back
// before it advises anew, so the host holds one advise and every event runs once.
TEST_F(ShippedLifeCycle, RefusedUnadviseIsTakenBackByTheNextOpen) {
  struct {
    const char* name;
    int refusals;  // Unadvise calls the host refuses, from the removal's on
    bool advised_anew;
  } const cases[] = {{"the next open's Unadvise succeeds", 1, true},
                     {"the next open's Unadvise is refused too", 2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(HostStart::kOneWorkbook, 1049);
    ApplicationEvents& events = *host.model().events();
    ASSERT_EQ(open(), 1);
    ASSERT_EQ(events.advised().size(), 1u);
    const DWORD first_cookie = events.advised()[0].cookie;
    events.Fail(ApplicationEvents::Step::kUnadvise, E_FAIL, c.refusals);
    remove();
    EXPECT_EQ(events.advised().size(), 1u) << "the host refused: it still holds the sink";
    EXPECT_EQ(open(), 1);
    ASSERT_EQ(events.advised().size(), 1u) << "one advise, or every event runs twice";
    EXPECT_EQ(events.advised()[0].cookie != first_cookie, c.advised_anew);
    EXPECT_EQ(events.unadvised(), c.advised_anew ? 1 : 0);
    remove();
    EXPECT_TRUE(events.advised().empty());
    host.UnloadAddIn();
    EXPECT_TRUE(events.advised().empty());
  }
}

// The file under another name, so that the pinned module stays apart from every other case's.
std::wstring PinnedCopyPath() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"KorvelXLL refused-unadvise copy.xll";
}

// A host that refuses every Unadvise keeps calling the sink after the unload: the module stays mapped
// (pinned), and its sink answers without acting, instead of the host faulting in freed code.
TEST_F(ShippedLifeCycle, HostThatRefusesEveryUnadviseKeepsTheModuleMappedAndCallsASinkThatDoesNothing) {
  const std::wstring copy = PinnedCopyPath();
  DeleteFileW(copy.c_str());  // left by an earlier run, whose process has ended
  ASSERT_TRUE(CopyFileW(ShippedPath().c_str(), copy.c_str(), FALSE)) << GetLastError();
  host.Reset(HostStart::kOneWorkbook);
  ASSERT_NE(host.LoadAddIn(copy), nullptr) << GetLastError();
  open = host.Export<int(__stdcall*)()>("xlAutoOpen");
  remove = host.Export<int(__stdcall*)()>("xlAutoRemove");
  ASSERT_TRUE(open && remove);
  ApplicationEvents& events = *host.model().events();
  ASSERT_EQ(open(), 1);
  events.Fail(ApplicationEvents::Step::kUnadvise, E_FAIL);
  remove();
  host.UnloadAddIn();
  ASSERT_EQ(events.advised().size(), 1u);
  EXPECT_NE(GetModuleHandleW(copy.c_str()), nullptr) << "the host holds a sink in a module that is gone";
  host.model().ClearInvokes();
  for (const wchar_t* event : {L"WorkbookOpen", L"WorkbookBeforeSave", L"AfterCalculate"}) {
    EXPECT_TRUE(events.Fire(event, app()->active_workbook()));
    EXPECT_EQ(events.last_result(), S_OK);
  }
  EXPECT_TRUE(host.model().invokes().empty()) << "the unloaded add-in's sink acted on an event";
  // The sink's reference goes back to the host's Application when it goes.
  host.Reset(HostStart::kOneWorkbook);
  remove = nullptr;
}

}  // namespace
