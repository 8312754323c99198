// Start-up (xlAutoOpen): the host's Application object through a workbook window or a temporary workbook,
// the menu language, later opens, and a failure in each step.
#include <functional>
#include <stdexcept>

#include "life_cycle_fixture.h"
#include "startup/ole_for_host.h"

namespace korvel::test {
namespace {

class StartUpTest : public LifeCycleTest {};

struct StartCase {
  const char* name;
  HostStart start;
  LONG language;
  long long temporary_workbooks;
  int menu_language;
  const wchar_t* first_caption;  // of row 0 of the active table afterwards
};

const StartCase kStarts[] = {
    {"workbook window, Russian", HostStart::kOneWorkbook, kRussianUI, 0, 2, L"XLL Справка"},
    {"workbook window, English", HostStart::kOneWorkbook, kEnglishUI, 0, 1, L"XLL Help"},
    {"no workbook, Russian", HostStart::kNoWorkbook, kRussianUI, 1, 2, L"XLL Справка"},
    {"no workbook, English", HostStart::kNoWorkbook, kEnglishUI, 1, 1, L"XLL Help"},
};

std::wstring Caption(const MenuTable& t) { return std::wstring(t[0][3].bstrVal, SysStringLen(t[0][3].bstrVal)); }

TEST_F(StartUpTest, EachKindOfHostStart) {
  for (const StartCase& c : kStarts) {
    SCOPED_TRACE(c.name);
    Fresh(c.start, c.language);
    const std::vector<std::wstring> books_before = WorkbookNames();
    const LONG app_refs = app()->refs();

    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(Counter(kFunctionsRegistered), 1);
    EXPECT_EQ(Counter(kTemporaryWorkbook), c.temporary_workbooks);
    EXPECT_EQ(Counter(kHostDispatch), 1);
    EXPECT_EQ(*addin.pExcelDisp, static_cast<IDispatch*>(app()));
    EXPECT_EQ(app()->refs(), app_refs + 1) << "pExcelDisp holds one reference";
    EXPECT_EQ(::MenuLanguage, c.menu_language);
    EXPECT_EQ(Caption(*addin.ActiveMenuTable), c.first_caption);
    EXPECT_TRUE(BoxTexts().empty());

    // The temporary workbook is gone, closed without saving; the host's own workbooks are as they were.
    EXPECT_EQ(WorkbookNames(), books_before);
    EXPECT_EQ(host.api().CallsOf(xlcNew).size(), static_cast<size_t>(c.temporary_workbooks));
    if (c.temporary_workbooks) {
      ASSERT_EQ(app()->closed_workbooks().size(), 1u);
      EXPECT_EQ(app()->closed_workbooks()[0].name, L"Book1");
      EXPECT_FALSE(app()->closed_workbooks()[0].saved);
      EXPECT_TRUE(host.windows().workbook_windows().empty());
      EXPECT_EQ(app()->active_window(), nullptr);
    } else {
      EXPECT_TRUE(app()->closed_workbooks().empty());
    }
    EXPECT_EQ(host.api().outstanding(), 0u);
  }
}

TEST_F(StartUpTest, LaterOpenRegistersAgainAndRepeatsOnlyWhatHasNotSucceeded) {
  Start(HostStart::kNoWorkbook, kEnglishUI);
  ASSERT_EQ(xlAutoOpen(), 1);
  ASSERT_EQ(::MenuLanguage, 1);
  host.ui().Reset();
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(Counter(kFunctionsRegistered), 2);
  EXPECT_EQ(host.api().registrations().size(), 102u);
  // The Application object is kept: no second temporary workbook, no second search.
  EXPECT_EQ(Counter(kTemporaryWorkbook), 1);
  EXPECT_EQ(Counter(kHostDispatch), 1);
  EXPECT_EQ(host.api().CallsOf(xlcNew).size(), 1u);
  // The tables are not swapped back.
  EXPECT_EQ(::MenuLanguage, 1);
  EXPECT_EQ(Caption(*addin.ActiveMenuTable), L"XLL Help");
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(StartUpTest, OpenWhileTheEventSinkIsConnectedDoesNothing) {
  ::StartupCounters[kSinkConnected] = 1;
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_TRUE(host.api().calls().empty());
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(Counter(kFunctionsRegistered), 0);
  EXPECT_EQ(Counter(kHostDispatch), 0);
  EXPECT_EQ(*addin.pExcelDisp, nullptr);
  EXPECT_FALSE(korvel::xll::OleInitialisedForHost());
}

TEST_F(StartUpTest, CloseAndAddNotificationsDoNothing) {
  EXPECT_EQ(xlAutoClose(), 1);
  EXPECT_EQ(xlAutoAdd(), 1);
  EXPECT_TRUE(host.api().calls().empty());
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(Counter(kFunctionsRegistered), 0);
}

// One failure in the start-up's host calls, and what start-up makes of it.
struct FailureCase {
  const char* name;
  HostStart start;
  std::function<void(Host&)> inject;
  long long temporary_workbooks;
  long long host_dispatch;
  int menu_language;
  std::vector<std::wstring> books_after;
  std::vector<std::wstring> closed;
  std::vector<std::wstring> box_texts;
};

const std::wstring kNoApplication = L"AutoWrapX>ERROR:IDispatch>LanguageSettings";

TEST_F(StartUpTest, FailureInEachStepLeavesItsCounterAndStartUpGoesOn) {
  const FailureCase cases[] = {
      {"the path for every registration", HostStart::kOneWorkbook,
       [](Host& h) { h.api().InjectReturn(xlGetName, xlretFailed); }, 0, 1, 2, {L"Book1"}, {}, {}},
      {"the host window", HostStart::kOneWorkbook,
       [](Host& h) { h.api().InjectReturn(xlGetHwnd, xlretFailed); }, 1, 0, 1, {L"Book1"}, {L"Book2"},
       {kNoApplication}},
      {"the native object model of the workbook window", HostStart::kOneWorkbook,
       [](Host& h) { h.windows().RefuseObjectRequests(h.application()->windows()->At(0)); }, 1, 1, 2, {L"Book1"},
       {L"Book2"}, {}},
      {"the windows' Application", HostStart::kOneWorkbook,
       [](Host& h) { h.model().Fail({L"Window", L"Application"}); }, 1, 0, 1, {L"Book1"}, {L"Book2"},
       {kNoApplication}},
      {"the new workbook", HostStart::kNoWorkbook, [](Host& h) { h.api().InjectReturn(xlcNew, xlretFailed); }, 0, 0,
       1, {}, {}, {L"Excel12X>ERROR:32>Function:32887", kNoApplication}},
      {"the new workbook's name", HostStart::kNoWorkbook,
       [](Host& h) { h.api().InjectReturn(xlfGetDocument, xlretFailed); }, 1, 0, 1, {}, {L"Book1"},
       {L"Excel12X>ERROR:32>Function:188", kNoApplication}},
      {"the activation by name", HostStart::kNoWorkbook,
       [](Host& h) { h.api().InjectReturn(xlcActivate, xlretFailed); }, 1, 1, 2, {}, {L"Book1"},
       {L"Excel12X>ERROR:32>Function:32871"}},
      {"the close", HostStart::kNoWorkbook, [](Host& h) { h.api().InjectReturn(xlcClose, xlretFailed); }, 1, 1, 2,
       {L"Book1"}, {}, {L"Excel12X>ERROR:32>Function:32784"}},
      {"the interface language", HostStart::kOneWorkbook,
       [](Host& h) { h.model().Fail({L"LanguageSettings", L"LanguageID"}); }, 0, 1, 1, {L"Book1"}, {},
       {L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:LanguageID"}},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh(c.start, kRussianUI);
    c.inject(host);
    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(Counter(kFunctionsRegistered), 1);
    EXPECT_EQ(Counter(kTemporaryWorkbook), c.temporary_workbooks);
    EXPECT_EQ(Counter(kHostDispatch), c.host_dispatch);
    EXPECT_EQ(*addin.pExcelDisp != nullptr, c.host_dispatch != 0);
    EXPECT_EQ(::MenuLanguage, c.menu_language);
    EXPECT_EQ(WorkbookNames(), c.books_after);
    std::vector<std::wstring> closed;
    for (const ClosedWorkbook& w : app()->closed_workbooks()) {
      closed.push_back(w.name);
      EXPECT_FALSE(w.saved);
    }
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(BoxTexts(), c.box_texts);
    EXPECT_EQ(host.api().outstanding(), 0u);
    EXPECT_EQ(host.api().bad_frees(), 0u);
    // The steps after the failure ran.
    EXPECT_EQ(std::count(g_ran.begin(), g_ran.end(), kMenus), 1);
    if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
  }
}

TEST_F(StartUpTest, ActivationThatEndsOnAUsersWorkbookClosesNothing) {
  // The user's workbook gives no object model, so start-up needs its temporary workbook; the host then
  // refuses to activate it by name and leaves the user's workbook active instead.
  host.windows().RefuseObjectRequests(app()->windows()->At(0));
  host.api().SetHandler(xlcActivate, [this](int, XLOPER12**, XLOPER12*) {
    app()->ActivateWindowNamed(L"Book1");
    return xlretFailed;
  });
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(Counter(kTemporaryWorkbook), 1);
  EXPECT_EQ(Counter(kHostDispatch), 1);
  EXPECT_TRUE(app()->closed_workbooks().empty()) << "a user's workbook was closed in place of the temporary one";
  EXPECT_EQ(WorkbookNames(), (std::vector<std::wstring>{L"Book1", L"Book2"}));
  EXPECT_EQ(host.api().CallsOf(xlcClose).size(), 0u);
}

TEST_F(StartUpTest, TemporaryWorkbookIsSearchedThroughTheHostsWindowAskedAfresh) {
  // The new workbook gets a frame of its own: a search of the empty frame that the host gave before would
  // find nothing.
  Start(HostStart::kNoWorkbook, kRussianUI);
  HWND empty_frame = host.windows().main();
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(Counter(kHostDispatch), 1);
  EXPECT_EQ(host.windows().object_requests(), 1);
  EXPECT_EQ(host.windows().main(), empty_frame);
}

// The search's recorder finds the Application that the case names.
IDispatch* g_found = nullptr;
bool RanAndFound() {
  g_ran.push_back(kApplication);
  if (g_found) g_found->AddRef();
  ::pExcelDisp = g_found;
  return g_found != nullptr;
}

TEST_F(StartUpTest, EachStepRunsWhileItsCountersSaySo) {
  struct Case {
    const char* name;
    std::function<void()> set;
    std::vector<size_t> expected;
  };
  const Case cases[] = {
      {"load state", [] {}, {kRegistration, kApplication, kLanguage, kMenus, kServer, kReferences, kSink}},
      {"menus built", [] { ::StartupCounters[kMenusBuilt] = 1; },
       {kRegistration, kApplication, kLanguage, kServer, kReferences, kSink}},
      {"server registered",
       [] { ::StartupCounters[kServerRegistered] = 1; },
       {kRegistration, kApplication, kLanguage, kMenus, kReferences, kServerObject, kSink}},
      {"server registered and bound",
       [] {
         ::StartupCounters[kServerRegistered] = 1;
         ::StartupCounters[kServerDispatch] = 1;
       },
       {kRegistration, kApplication, kLanguage, kMenus, kReferences, kSink}},
      // The tally does not gate the reference pass: it runs until a pass has gone through since load.
      {"references tallied, no pass yet", [] { ::StartupCounters[kVbaReferences] = 2; },
       {kRegistration, kApplication, kLanguage, kMenus, kServer, kReferences, kSink}},
      {"Application found before", [] { ::StartupCounters[kHostDispatch] = 1; },
       {kRegistration, kLanguage, kMenus, kServer, kReferences}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    korvel::xll::RestoreLoadState();
    RecordStartUpSteps(std::make_index_sequence<kStartUpStepCount>());
    StartUpSteps[kApplication].run = &RanAndFound;
    g_found = app();
    c.set();
    g_ran.clear();
    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(g_ran, c.expected);
  }
  g_found = nullptr;
}

TEST_F(StartUpTest, SinkStepNeedsTheApplicationObject) {
  RecordStartUpSteps(std::make_index_sequence<kStartUpStepCount>());
  // The recorder of the search finds nothing; the real search would have found the window's Application.
  g_ran.clear();
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(std::count(g_ran.begin(), g_ran.end(), kSink), 0);
  *addin.pExcelDisp = app();
  app()->AddRef();
  g_ran.clear();
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(std::count(g_ran.begin(), g_ran.end(), kSink), 1);
  EXPECT_EQ(std::count(g_ran.begin(), g_ran.end(), kApplication), 0) << "pExcelDisp is known";
}

bool Throws() { throw std::runtime_error("step failed"); }

TEST_F(StartUpTest, StepThatThrowsStopsNeitherStartUpNorTheNextSteps) {
  StartUpSteps[kRegistration].run = &Throws;
  StartUpSteps[kLanguage].run = &Throws;
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(Counter(kHostDispatch), 1);
  EXPECT_EQ(Counter(kFunctionsRegistered), 0) << "a pass that did not end is not counted";
}

// The menus' step as a recorder that succeeds (raising the menus-built count, as the builder does) or fails.
bool g_build_succeeds = true;
int g_builds = 0;
bool RecordBuild() {
  ++g_builds;
  if (g_build_succeeds) ++::StartupCounters[kMenusBuilt];
  return g_build_succeeds;
}

TEST_F(StartUpTest, NextOpenAfterARemovalBuildsTheMenusAgain) {
  StartUpSteps[kMenus].run = &RecordBuild;
  g_builds = 0;
  g_build_succeeds = true;
  ASSERT_EQ(xlAutoOpen(), 1);
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(g_builds, 1) << "built menus are not built again";
  ASSERT_EQ(xlAutoRemove(), 1);
  g_build_succeeds = false;
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(g_builds, 2) << "the menus come back after a removal, although the count is not 0";
  g_build_succeeds = true;
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(g_builds, 3) << "a failed build is tried again";
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(g_builds, 3);
  EXPECT_EQ(Counter(kMenusBuilt), 2);
}

}  // namespace
}  // namespace korvel::test
