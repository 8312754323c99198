// The event sink: its COM surface, its connection to the Application's events (and each step of it failing),
// and what the host's events do to the references of every workbook.
#include "add_in.h"

#include <ocidl.h>

#include "startup/event_sink.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

using Names = std::vector<std::wstring>;

// The host's events interface, written out here.
const IID kAppEvents = {0x00024413, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class EventSinkTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartupCounters[kServerRegistered] = 1;
    sink_count_at_start = Count();
    app_refs_at_start = app()->refs();
  }
  ApplicationEvents& events() { return *host.model().events(); }
  COfficeEventHandler& sink() { return EventSink(); }
  LONG Count() { return EventSink().count; }

  LONG sink_count_at_start = 0;
  LONG app_refs_at_start = 0;
};

TEST_F(EventSinkTest, QueryInterfaceTable) {
  const IID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  struct {
    const char* name;
    const IID* iid;
    bool found;
  } const cases[] = {{"IUnknown", &IID_IUnknown, true},
                     {"IDispatch", &IID_IDispatch, true},
                     {"the host's events interface", &kAppEvents, false},
                     {"IConnectionPoint", &IID_IConnectionPoint, false},
                     {"an interface nobody has", &other, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = reinterpret_cast<void*>(1);
    const HRESULT hr = sink().QueryInterface(*c.iid, &out);
    if (c.found) {
      EXPECT_EQ(hr, S_OK);
      EXPECT_EQ(out, static_cast<IDispatch*>(&sink()));
      EXPECT_EQ(Count(), sink_count_at_start + 1);
      sink().Release();
    } else {
      EXPECT_EQ(hr, E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(Count(), sink_count_at_start);
  }
  EXPECT_EQ(sink().QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(EventSinkTest, CountsAndTheThreeMembersItDoesNotImplement) {
  EXPECT_EQ(sink().AddRef(), static_cast<ULONG>(sink_count_at_start + 1));
  EXPECT_EQ(sink().Release(), static_cast<ULONG>(sink_count_at_start));
  UINT n = 7;
  EXPECT_EQ(sink().GetTypeInfoCount(&n), E_NOTIMPL);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(sink().GetTypeInfo(0, 0, &info), E_NOTIMPL);
  LPOLESTR name = const_cast<LPOLESTR>(L"WorkbookOpen");
  DISPID id = 0;
  EXPECT_EQ(sink().GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);
}

TEST_F(EventSinkTest, ConnectsOnceAndDisconnectsGivingEverythingBack) {
  ASSERT_TRUE(ConnectEventSink());
  EXPECT_EQ(StartupCounters[kSinkConnected], 1);
  ASSERT_EQ(events().advised().size(), 1u);
  EXPECT_EQ(events().advised()[0].cookie, sink().cookie);
  EXPECT_NE(sink().cookie, 0u);
  EXPECT_EQ(events().advised()[0].sink.get(), static_cast<IDispatch*>(&sink()));
  // Advise asked for the events interface, then took IDispatch.
  ASSERT_EQ(events().asked().size(), 2u);
  EXPECT_EQ(events().asked()[0], kAppEvents);
  EXPECT_EQ(events().asked()[1], IID_IDispatch);
  // The add-in's own reference and the host's.
  EXPECT_EQ(Count(), sink_count_at_start + 2);
  // A second connection changes nothing.
  EXPECT_TRUE(ConnectEventSink());
  EXPECT_EQ(events().advised().size(), 1u);
  EXPECT_EQ(StartupCounters[kSinkConnected], 1);

  DisconnectEventSink();
  EXPECT_EQ(StartupCounters[kSinkConnected], 0);
  EXPECT_TRUE(events().advised().empty());
  EXPECT_EQ(events().unadvised(), 1);
  EXPECT_EQ(sink().cookie, 0u);
  EXPECT_EQ(Count(), sink_count_at_start);
  // The container and the point went back too.
  EXPECT_EQ(app()->refs(), app_refs_at_start);
}

TEST_F(EventSinkTest, DisconnectsAlsoWhenTheCounterWasClearedFirst) {
  ASSERT_TRUE(ConnectEventSink());
  StartupCounters[kSinkConnected] = 0;  // as the removal does before it disconnects
  DisconnectEventSink();
  EXPECT_TRUE(events().advised().empty());
  EXPECT_EQ(Count(), sink_count_at_start);
}

TEST_F(EventSinkTest, EachConnectionStepFailingGivesBackWhatItTookAndARetryConnects) {
  struct {
    const char* name;
    ApplicationEvents::Step step;
  } const cases[] = {{"container", ApplicationEvents::Step::kContainer},
                     {"connection point", ApplicationEvents::Step::kFindConnectionPoint},
                     {"advise", ApplicationEvents::Step::kAdvise}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAfresh();
    app_refs_at_start = app()->refs();
    events().Fail(c.step, E_FAIL, 1);
    EXPECT_FALSE(ConnectEventSink());
    EXPECT_EQ(StartupCounters[kSinkConnected], 0);
    EXPECT_TRUE(events().advised().empty());
    EXPECT_EQ(Count(), sink_count_at_start);
    EXPECT_EQ(app()->refs(), app_refs_at_start);
    EXPECT_TRUE(boxes().empty());

    EXPECT_TRUE(ConnectEventSink());
    EXPECT_EQ(StartupCounters[kSinkConnected], 1);
    EXPECT_EQ(events().advised().size(), 1u);
    DisconnectEventSink();
  }
}

TEST_F(EventSinkTest, WithoutTheApplicationNothingIsTried) {
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  EXPECT_FALSE(ConnectEventSink());
  EXPECT_TRUE(events().advised().empty());
  EXPECT_EQ(Count(), sink_count_at_start);
}

TEST_F(EventSinkTest, ThreeConnectionCyclesLeaveOneSinkAndTheCountsAsAtStart) {
  std::vector<DWORD> cookies;
  for (int cycle = 0; cycle < 3; ++cycle) {
    ASSERT_TRUE(ConnectEventSink());
    ASSERT_EQ(events().advised().size(), 1u);
    cookies.push_back(sink().cookie);
    DisconnectEventSink();
    EXPECT_TRUE(events().advised().empty());
    EXPECT_EQ(Count(), sink_count_at_start);
    EXPECT_EQ(app()->refs(), app_refs_at_start);
  }
  EXPECT_NE(cookies[0], cookies[1]);
  EXPECT_NE(cookies[1], cookies[2]);
}

TEST_F(EventSinkTest, UnloadDisconnectsASinkStillConnected) {
  ASSERT_TRUE(ConnectEventSink());
  DisconnectEventSinkAtUnload();
  EXPECT_TRUE(events().advised().empty());
  EXPECT_EQ(events().unadvised(), 1);
  EXPECT_EQ(Count(), sink_count_at_start);
  DisconnectEventSinkAtUnload();  // nothing left to do
  EXPECT_EQ(events().unadvised(), 1);
}

// A refused Unadvise: the host still holds the sink, so the add-in keeps the point, the cookie and its
// reference, and each later disconnection asks again until the host takes it back.
TEST_F(EventSinkTest, RefusedDisconnectionKeepsTheConnectionForTheNextTry) {
  ASSERT_TRUE(ConnectEventSink());
  const DWORD cookie = sink().cookie;
  events().Fail(ApplicationEvents::Step::kUnadvise, E_FAIL, 2);
  for (int refused = 1; refused <= 2; ++refused) {
    SCOPED_TRACE(refused);
    DisconnectEventSink();
    EXPECT_EQ(StartupCounters[kSinkConnected], 0);
    EXPECT_TRUE(EventSinkStale());
    ASSERT_EQ(events().advised().size(), 1u);
    EXPECT_EQ(sink().cookie, cookie);
    EXPECT_EQ(Count(), sink_count_at_start + 2);
  }
  DisconnectEventSink();
  EXPECT_FALSE(EventSinkStale());
  EXPECT_TRUE(events().advised().empty());
  EXPECT_EQ(events().unadvised(), 1);
  EXPECT_EQ(sink().cookie, 0u);
  EXPECT_EQ(Count(), sink_count_at_start);
  EXPECT_EQ(app()->refs(), app_refs_at_start);
}

// The unload's try is the last: when the host refuses it too, the caller must keep the module mapped, and
// the sink that the host still calls acts no more.
TEST_F(EventSinkTest, UnloadThatTheHostRefusesTooAsksToKeepTheModuleAndTheSinkActsNoMore) {
  ASSERT_TRUE(ConnectEventSink());
  events().Fail(ApplicationEvents::Step::kUnadvise, E_FAIL);
  DisconnectEventSink();
  EXPECT_FALSE(DisconnectEventSinkAtUnload());
  ASSERT_EQ(events().advised().size(), 1u);
  // The host's connection objects went back all the same.
  EXPECT_EQ(app()->refs(), app_refs_at_start);
  host.model().ClearInvokes();
  EXPECT_TRUE(events().Fire(L"WorkbookOpen", app()->active_workbook()));
  EXPECT_EQ(events().last_result(), S_OK);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(PreviousEvent(), 0);
}

// At process exit the host's objects may be gone: the connection is dropped without a single call into them,
// so neither the exit nor a destructor afterwards touches the host.
TEST_F(EventSinkTest, ProcessExitDropsTheConnectionWithoutCallingTheHost) {
  ASSERT_TRUE(ConnectEventSink());
  const LONG refs_connected = app()->refs();
  ASSERT_GT(refs_connected, app_refs_at_start);
  AbandonEventConnectionAtExit();
  EXPECT_EQ(app()->refs(), refs_connected);
  EXPECT_EQ(events().unadvised(), 0);
  DisconnectEventSink();  // nothing is left that could reach the host
  EXPECT_EQ(events().unadvised(), 0);
  EXPECT_EQ(app()->refs(), refs_connected);
}

TEST_F(EventSinkTest, WrongInterfaceIdIsRefusedAndKeepsThePreviousEvent) {
  ASSERT_TRUE(ConnectEventSink());
  events().Fire(L"WorkbookAfterSave", app()->active_workbook());
  ASSERT_EQ(PreviousEvent(), 0xB5F);
  events().FireRaw(0xA34, kAppEvents, {});
  EXPECT_EQ(events().last_result(), E_INVALIDARG);
  EXPECT_EQ(PreviousEvent(), 0xB5F);
  EXPECT_EQ(StartupCounters[kVbaReferences], 1);
  events().FireRaw(0xA34, IID_NULL, {});
  EXPECT_EQ(events().last_result(), S_OK);
  EXPECT_EQ(PreviousEvent(), 0xA34);
}

// ---- event sequences

struct Step {
  const wchar_t* event;      // a published event, or null for `raw`
  const wchar_t* subject;    // workbook or sheet by name ("" none)
  DISPID raw;                // fired with a non-object first argument when `event` is null
  const wchar_t* holding;    // the workbooks whose project holds the reference afterwards, in order
  long long tally;           // counter 9 afterwards
};

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

// At the start: Book1 (active, holding the reference), Book2 and Book3 (not), Tools.xlam an add-in workbook,
// tally 1. Book3 stands for a workbook that has just been opened or made.
const Sequence kSequences[] = {
    {"save, then a calculation after it",
     {{L"WorkbookBeforeSave", L"Book1", 0, L"", 0},
      {L"WorkbookAfterSave", L"Book1", 0, L"Book1", 1},
      {L"AfterCalculate", L"", 0, L"Book1 Book2 Book3 Tools.xlam", 4},
      {L"AfterCalculate", L"", 0, L"Book1 Book2 Book3 Tools.xlam", 4}}},
    {"calculation not right after a save does nothing",
     {{L"AfterCalculate", L"", 0, L"Book1", 1},
      {L"WorkbookBeforeSave", L"Book1", 0, L"", 0},
      {L"AfterCalculate", L"", 0, L"", 0}}},
    {"close", {{L"WorkbookBeforeClose", L"Book1", 0, L"", 0}}},
    {"open and new name their workbook, active or not",
     {{L"WorkbookOpen", L"Book3", 0, L"Book1 Book3", 2},
      {L"NewWorkbook", L"Book2", 0, L"Book1 Book2 Book3", 3},
      {L"WorkbookBeforeSave", L"Book3", 0, L"Book1 Book2", 2},
      {L"WorkbookAfterSave", L"Book2", 0, L"Book1 Book2", 2},
      {L"WorkbookBeforeClose", L"Book2", 0, L"Book1", 1}}},
    {"sheet calculation only right after an add-in was installed",
     {{L"WorkbookBeforeClose", L"Book1", 0, L"", 0},
      {L"SheetCalculate", L"Sheet1", 0, L"", 0},
      {L"WorkbookAddinInstall", L"Tools.xlam", 0, L"", 0},
      {L"SheetCalculate", L"Sheet1", 0, L"Book1", 1},
      {L"SheetCalculate", L"Sheet1", 0, L"Book1", 1}}},
    {"an event whose workbook is no object works on the active one",
     {{nullptr, L"", 0x623, L"", 0}, {nullptr, L"", 0xB5F, L"Book1", 1}}},
    {"any other event does nothing and becomes the previous one",
     {{L"WorkbookAfterSave", L"Book2", 0, L"Book1 Book2", 2},
      {nullptr, L"", 0x700, L"Book1 Book2", 2},
      {L"AfterCalculate", L"", 0, L"Book1 Book2", 2}}},
};

class EventSequenceTest : public EventSinkTest {
 protected:
  void Arrange() {
    StartAfresh();
    StartupCounters[kServerRegistered] = 1;
    books = {app()->active_workbook(), app()->AddWorkbook(L"Book2"), app()->AddWorkbook(L"Book3"),
             host.model().add_ins()->Add(L"Tools.xlam", true)};
    ASSERT_EQ(VbaReference(true, true), 0);
    ASSERT_TRUE(ConnectEventSink());
  }
  HostObject* Subject(const std::wstring& name) {
    if (name.empty()) return nullptr;
    if (name == L"Sheet1") return app()->active_sheet();
    for (Workbook* b : books)
      if (TextOf(b->Value(L"Name")) == name) return b;
    return nullptr;
  }
  std::wstring Holding() {
    std::wstring out;
    for (Workbook* b : books)
      if (ProjectOf(b)->AddedReferences() == Names{L"KorvelCOM"})
        out += (out.empty() ? L"" : L" ") + TextOf(b->Value(L"Name"));
    return out;
  }
  std::vector<Workbook*> books;
};

TEST_F(EventSequenceTest, ReferencesOfEveryWorkbookAfterEachEvent) {
  for (const Sequence& sequence : kSequences) {
    SCOPED_TRACE(sequence.name);
    Arrange();
    for (const Step& step : sequence.steps) {
      SCOPED_TRACE(step.event ? std::wstring(step.event) : L"DISPID " + std::to_wstring(step.raw));
      if (step.event) {
        ASSERT_TRUE(events().Fire(step.event, Subject(step.subject)));
      } else {
        std::vector<OwnedVariant> args;
        args.push_back(OwnedVariant::I4(0));
        events().FireRaw(step.raw, IID_NULL, std::move(args));
      }
      EXPECT_EQ(events().last_result(), S_OK);
      EXPECT_EQ(Holding(), step.holding);
      EXPECT_EQ(StartupCounters[kVbaReferences], step.tally);
    }
    EXPECT_TRUE(boxes().empty());
    DisconnectEventSink();
  }
}

TEST_F(EventSequenceTest, UntrustedAccessStopsEveryLaterEvent) {
  Arrange();
  host.model().set_vba_access_trusted(false);
  events().Fire(L"WorkbookBeforeSave", books[0]);
  EXPECT_EQ(StartupCounters[kVbaAccess], 0);
  host.model().set_vba_access_trusted(true);
  host.model().ClearInvokes();
  events().Fire(L"WorkbookAfterSave", books[0]);
  events().Fire(L"AfterCalculate");
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(Holding(), L"Book1");
  DisconnectEventSink();
}

}  // namespace
}  // namespace korvel::test
