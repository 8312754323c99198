// Removal (xlAutoRemove): its steps in order, all of them also after the menus' removal failed, and OLE,
// which the add-in uninitialises only as far as its own open initialised it.
#include <objbase.h>
#include <ole2.h>

#include <stdexcept>
#include <thread>

#include "com_creation.h"
#include "life_cycle_fixture.h"
#include "startup/ole_for_host.h"

namespace korvel::test {
namespace {

class RemovalTest : public LifeCycleTest {};

bool Fails() { return false; }
bool Throws() { throw std::runtime_error("step failed"); }

TEST_F(RemovalTest, EveryStepRunsInOrderAndTheResultIsOne) {
  ASSERT_EQ(xlAutoOpen(), 1);
  ::StartupCounters[kSinkConnected] = 1;
  g_ran.clear();
  EXPECT_EQ(xlAutoRemove(), 1);
  EXPECT_EQ(g_ran, (std::vector<size_t>{100 + kRemoveMenus, 100 + kRemoveReferences, 100 + kUnregisterServer}));
  EXPECT_EQ(Counter(kSinkConnected), 0);
  EXPECT_FALSE(korvel::xll::OleInitialisedForHost());
  // Registrations are never undone, and the objects found stay for the next open.
  EXPECT_TRUE(host.api().CallsOf(xlfRegister).size() == 51u);
  EXPECT_EQ(*addin.pExcelDisp, static_cast<IDispatch*>(app()));
}

TEST_F(RemovalTest, FailedMenuRemovalStillRunsTheOtherStepsAndGivesMinusOne) {
  for (auto failing : {&Fails, &Throws}) {
    korvel::xll::RestoreLoadState();
    RecordStepsOfOtherConcerns();
    ASSERT_EQ(xlAutoOpen(), 1);
    ::StartupCounters[kSinkConnected] = 1;
    RemovalSteps[kRemoveMenus].run = failing;
    g_ran.clear();
    EXPECT_EQ(xlAutoRemove(), -1);
    // The sink must not stay connected once the host can unload the library.
    EXPECT_EQ(Counter(kSinkConnected), 0);
    EXPECT_EQ(g_ran, (std::vector<size_t>{100 + kRemoveReferences, 100 + kUnregisterServer}));
    EXPECT_FALSE(korvel::xll::OleInitialisedForHost());
  }
}

TEST_F(RemovalTest, MenuRemovalThatCannotReadTheHostsWindowGivesMinusOne) {
  // The real removal of the menus: its first request of the host's window handle fails.
  RemovalSteps[kRemoveMenus] = real_removal_[kRemoveMenus];
  host.api().InjectReturn(xlGetHwnd, xlretFailed);
  EXPECT_EQ(xlAutoRemove(), -1);
}

TEST_F(RemovalTest, StepsRunOnlyWhileTheirConditionsHold) {
  // No Application object and no sink: neither the references nor the sink are touched.
  g_ran.clear();
  EXPECT_EQ(xlAutoRemove(), 1);
  EXPECT_EQ(g_ran, (std::vector<size_t>{100 + kRemoveMenus, 100 + kUnregisterServer}));
  EXPECT_EQ(Counter(kSinkConnected), 0);
}

TEST_F(RemovalTest, RemovalThenOpenRegistersAgain) {
  ASSERT_EQ(xlAutoOpen(), 1);
  ASSERT_EQ(xlAutoRemove(), 1);
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(Counter(kFunctionsRegistered), 2);
  EXPECT_EQ(host.api().registrations().size(), 102u);
  EXPECT_EQ(Counter(kHostDispatch), 1) << "the Application object stayed";
  EXPECT_TRUE(korvel::xll::OleInitialisedForHost());
}

// The removal's OleUninitialize ends COM on a thread where the add-in's open was the first to initialise it,
// and the last CoUninitialize of a thread unloads the in-process servers COM loaded for it: the server's
// object and the host's go first, and the next open finds and binds them again. On a thread that had OLE
// before (the real host's), both stay for the next open.
TEST_F(RemovalTest, RemovalThatEndsComOnTheThreadGivesUpTheHeldObjectsAndTheNextOpenBindsAgain) {
  struct {
    const char* name;
    bool thread_had_ole;
  } const cases[] = {{"the add-in's OLE was the thread's first", false}, {"the thread had OLE before", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    korvel::xll::RestoreLoadState();
    std::thread([&] {
      if (c.thread_had_ole) {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
      }
      // The host's windows answer the window search on the thread that made them.
      Start(HostStart::kOneWorkbook, kRussianUI);
      RecordStepsOfOtherConcerns();
      StartUpSteps[kServerObject] = real_start_up_[kServerObject];
      ::StartupCounters[kServerRegistered] = 1;
      ASSERT_EQ(xlAutoOpen(), 1);
      ASSERT_NE(pComServerDisp, nullptr);
      ASSERT_EQ(*addin.pExcelDisp, static_cast<IDispatch*>(app()));
      EXPECT_EQ(Counter(kServerDispatch), 1);
      EXPECT_EQ(Counter(kHostDispatch), 1);

      EXPECT_EQ(xlAutoRemove(), 1);
      EXPECT_EQ(pComServerDisp != nullptr, c.thread_had_ole);
      EXPECT_EQ(*addin.pExcelDisp != nullptr, c.thread_had_ole);
      EXPECT_EQ(Counter(kServerDispatch), c.thread_had_ole ? 1 : 0);
      EXPECT_EQ(Counter(kHostDispatch), c.thread_had_ole ? 1 : 0);

      ASSERT_EQ(xlAutoOpen(), 1);
      EXPECT_NE(pComServerDisp, nullptr);
      EXPECT_EQ(*addin.pExcelDisp, static_cast<IDispatch*>(app()));
      EXPECT_EQ(Counter(kServerDispatch), 1);
      EXPECT_EQ(Counter(kHostDispatch), 1);
      EXPECT_EQ(ComCreation::Get().creations().size(), c.thread_had_ole ? 1u : 2u);
      xlAutoRemove();
      korvel::xll::RestoreLoadState();
      host.Reset();
      if (c.thread_had_ole) OleUninitialize();
    }).join();
    Start(HostStart::kOneWorkbook, kRussianUI);
  }
}

// OLE on a thread of its own, as a case sets it up.
enum class ThreadOle { kNone, kApartment, kMultithreaded };

// Whether the thread still has COM after the add-in's calls: a new initialisation then only adds a count.
bool StillInitialised(DWORD model) {
  const HRESULT hr = CoInitializeEx(nullptr, model);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_FALSE;
}

// The load state comes first: an open on the main thread by an earlier case would count for the thread here.
class OleForHostTest : public AddInTest {};

TEST_F(OleForHostTest, OpenAndRemovalUndoOnlyWhatTheAddInDid) {
  struct Case {
    const char* name;
    ThreadOle before;
    bool initialised_by_add_in;
    bool still_afterwards;
  };
  const Case cases[] = {
      {"a thread without OLE", ThreadOle::kNone, true, false},
      {"a thread that initialised OLE itself", ThreadOle::kApartment, true, true},
      {"a multithreaded apartment, where OLE cannot start", ThreadOle::kMultithreaded, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::thread([&c] {
      if (c.before == ThreadOle::kApartment) {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
      }
      if (c.before == ThreadOle::kMultithreaded) {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
      }
      const DWORD model = c.before == ThreadOle::kMultithreaded ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED;
      for (int cycle = 0; cycle < 2; ++cycle) {
        korvel::xll::InitialiseOleForHost();
        korvel::xll::InitialiseOleForHost();  // a later open: counted once
        EXPECT_EQ(korvel::xll::OleInitialisedForHost(), c.initialised_by_add_in);
        if (c.initialised_by_add_in) {
          EXPECT_TRUE(StillInitialised(model));
        }
        korvel::xll::UninitialiseOleForHost();
        korvel::xll::UninitialiseOleForHost();  // a second removal undoes nothing more
        EXPECT_FALSE(korvel::xll::OleInitialisedForHost());
        EXPECT_EQ(StillInitialised(model), c.still_afterwards);
      }
      if (c.before == ThreadOle::kApartment) OleUninitialize();
      if (c.before == ThreadOle::kMultithreaded) CoUninitialize();
    }).join();
  }
}

}  // namespace
}  // namespace korvel::test
