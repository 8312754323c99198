// The server's installation, the references and the event sink as the life cycle runs them: whole
// xlAutoOpen and xlAutoRemove cycles in the stand-in host, Regsvr32 played by the host's helper program.
#include "add_in.h"

#include "startup/event_sink.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

class ServerLifeCycleTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    host.ui().StartHelper(0);
    sink_count_at_start = EventSink().count;
    app_refs_at_start = app()->refs();
  }
  ApplicationEvents& events() { return *host.model().events(); }
  std::vector<std::wstring> RunParameters() {
    std::vector<std::wstring> out;
    for (const ShellRun& run : host.ui().shell_runs())
      if (run.file == L"Regsvr32") out.push_back(run.parameters.substr(0, run.parameters.find(L'"')));
    return out;
  }
  int AddFromGuidCalls() {
    int n = 0;
    for (const SeenInvoke& s : host.model().invokes()) n += s.member == L"AddFromGuid";
    return n;
  }
  LONG sink_count_at_start = 0;
  LONG app_refs_at_start = 0;
};

TEST_F(ServerLifeCycleTest, ThreeOpenRemoveCyclesLeaveOneSinkAndCountsAsAtStart) {
  for (int cycle = 1; cycle <= 3; ++cycle) {
    SCOPED_TRACE(cycle);
    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(StartupCounters[kSinkConnected], 1);
    ASSERT_EQ(events().advised().size(), 1u);
    EXPECT_EQ(EventSink().count, sink_count_at_start + 2);
    xlAutoRemove();
    EXPECT_TRUE(events().advised().empty());
    EXPECT_EQ(StartupCounters[kSinkConnected], 0);
    EXPECT_EQ(EventSink().count, sink_count_at_start);
  }
  EXPECT_EQ(StartupCounters[kFunctionsRegistered], 3);
  // The server's object is held until unload; the host's Application by pExcelDisp alone.
  EXPECT_EQ(app()->refs(), app_refs_at_start);
}

TEST_F(ServerLifeCycleTest, ReopenAfterARemovalInstallsAgain) {
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_NE(pComServerDisp, nullptr);
  xlAutoRemove();
  // The stand-in's server object comes from the build's own registration, so the temporary file is free.
  EXPECT_EQ(StartupCounters[kServerRegistered], 0);
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(RunParameters(), (std::vector<std::wstring>{L"/s /n /i ", L"/s /u /n /i ", L"/s /n /i "}));
  EXPECT_EQ(StartupCounters[kServerWritten], 2);  // the removal's rewrite is not the installation's
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  xlAutoRemove();
}

TEST_F(ServerLifeCycleTest, FailedRegistrationIsTriedAgainByTheNextOpen) {
  host.ui().StartHelper(5);
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(StartupCounters[kServerRegistered], 0);
  EXPECT_EQ(pComServerDisp, nullptr);
  EXPECT_EQ(AddFromGuidCalls(), 0);
  xlAutoRemove();
  host.ui().StartHelper(0);
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(StartupCounters[kServerRegistered], 1);
  EXPECT_NE(pComServerDisp, nullptr);
  EXPECT_EQ(ProjectOf(app()->active_workbook())->AddedReferences(), std::vector<std::wstring>{L"KorvelCOM"});
  xlAutoRemove();
}

TEST_F(ServerLifeCycleTest, ReferencePassRunsAgainAfterARemovalThatLeftTheTallyOffZero) {
  Workbook* saved = app()->AddWorkbook(L"Saved.xlsm");
  VARIANT project = VDisp(ProjectOf(saved));
  std::vector<OwnedVariant> args;
  args.push_back(OwnedVariant::Text(L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}"));
  args.push_back(OwnedVariant::I4(1));
  args.push_back(OwnedVariant::I4(0));
  ASSERT_EQ(AutoWrapX(L"References.AddFromGuid", &project, 0, nullptr, true, &args, 0), 0);
  VariantClear(&project);

  EXPECT_EQ(xlAutoOpen(), 1);
  xlAutoRemove();
  EXPECT_EQ(StartupCounters[kVbaReferences], -1);
  host.model().ClearInvokes();
  EXPECT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(AddFromGuidCalls(), 2);
  EXPECT_EQ(ProjectOf(saved)->AddedReferences(), std::vector<std::wstring>{L"KorvelCOM"});
  xlAutoRemove();
}

TEST_F(ServerLifeCycleTest, WorkbookOpenBuildsTheMenusOfItsNewWindow) {
  EXPECT_EQ(xlAutoOpen(), 1);
  const long long built = StartupCounters[kMenusBuilt];
  Workbook* opened = app()->AddWorkbook(L"Opened.xlsx");
  // The host opens a workbook in a window of its own and makes it active before it tells its sinks.
  app()->set_active_window(app()->AddWindow(opened));
  app()->set_active_workbook(opened);
  events().Fire(L"WorkbookOpen", opened);
  EXPECT_EQ(StartupCounters[kMenusBuilt], built + 1);
  EXPECT_EQ(ProjectOf(opened)->AddedReferences(), std::vector<std::wstring>{L"KorvelCOM"});
  xlAutoRemove();
}

}  // namespace
}  // namespace korvel::test
