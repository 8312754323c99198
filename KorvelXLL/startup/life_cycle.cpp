// The add-in's life cycle in the host: the start-up and removal sequences, and the two notifications that
// do nothing.
#include "startup/life_cycle.h"

#include <algorithm>
#include <iterator>

#include "host/host_state.h"
#include "menus/menu_builder.h"
#include "startup/event_sink.h"
#include "startup/exports.h"
#include "startup/held_objects.h"
#include "startup/host_application.h"
#include "startup/life_cycle_steps.h"
#include "startup/menu_language.h"
#include "startup/ole_for_host.h"
#include "startup/startup_steps.h"

namespace korvel::xll {
namespace {

// The menus-built count when the last removal deleted the menus; -1 before any removal. Until a build
// completes after a removal, the next open builds the menus again, whatever the count says.
long long g_builds_at_removal = -1;

bool Always() { return true; }

bool RunRegistrationPass() {
  RegisterAll();
  // Counts passes: refused rows are kept by the pass itself (RefusedRegistrations).
  ++StartupCounters[kFunctionsRegistered];
  return true;
}
bool HostApplicationWanted() { return StartupCounters[kHostDispatch] == 0 && !pExcelDisp; }
bool RunReachHostApplication() {
  ReachHostApplication();
  return pExcelDisp != nullptr;
}
bool RunChooseMenuLanguage() {
  ChooseMenuLanguage();
  return true;
}
bool MenusWanted() {
  const long long built = StartupCounters[kMenusBuilt];
  return built == 0 || built == g_builds_at_removal;
}
bool RunBuildMenus() { return BuildMenus() == 0; }
bool ServerWanted() { return StartupCounters[kServerRegistered] == 0; }
bool RunInstallServer() {
  ExtractComServer();
  return true;
}
// Not the tally: a removal that takes out references the add-in never added would leave it off 0 for good.
bool ReferencesWanted() { return StartupReferencePassPending(); }
bool RunAddReferences() { return VbaReference(true, false) == 0; }
bool ServerObjectWanted() {
  return StartupCounters[kServerDispatch] == 0 && StartupCounters[kServerRegistered] != 0;
}
bool RunBindServer() {
  BindComServer();
  return pComServerDisp != nullptr;
}
bool SinkWanted() { return StartupCounters[kSinkConnected] == 0 && pExcelDisp; }
bool RunConnectSink() { return ConnectEventSink(); }

bool RunRemoveMenus() { return RemoveMenus() == 0; }
bool HostKnown() { return pExcelDisp != nullptr; }
bool RunRemoveReferences() { return VbaReference(false, false) == 0; }
// Also a disconnection whose Unadvise the host refused: the next removal asks again.
bool SinkConnected() { return StartupCounters[kSinkConnected] != 0 || EventSinkStale(); }
bool RunDisconnectSink() {
  StartupCounters[kSinkConnected] = 0;
  DisconnectEventSink();
  return true;
}
bool RunUnregisterServer() {
  UnregisterComServer();
  return true;
}
bool RunUninitialiseOle() {
  if (OleFirstInitialisedForHost()) {
    // The thread's last CoUninitialize unloads the in-process servers that COM loaded for it: the server's
    // object would point into freed code. Both objects go first, and the next open finds and binds them
    // again.
    ReleaseHeldObjects();
    StartupCounters[kServerDispatch] = 0;
    StartupCounters[kHostDispatch] = 0;
  }
  UninitialiseOleForHost();
  return true;
}

const LifeCycleStep kStartUp[kStartUpStepCount] = {
    {"registration", &Always, &RunRegistrationPass},
    {"host application", &HostApplicationWanted, &RunReachHostApplication},
    {"menu language", &Always, &RunChooseMenuLanguage},
    {"menus", &MenusWanted, &RunBuildMenus},
    {"COM server", &ServerWanted, &RunInstallServer},
    {"VBA references", &ReferencesWanted, &RunAddReferences},
    {"server object", &ServerObjectWanted, &RunBindServer},
    {"event sink", &SinkWanted, &RunConnectSink},
};

// The sink must not stay connected once the host can unload the library: every step runs, also after the
// menus' removal failed.
const LifeCycleStep kRemoval[kRemovalStepCount] = {
    {"menus", &Always, &RunRemoveMenus},
    {"VBA references", &HostKnown, &RunRemoveReferences},
    {"event sink", &SinkConnected, &RunDisconnectSink},
    {"COM server", &Always, &RunUnregisterServer},
    {"OLE", &Always, &RunUninitialiseOle},
};

bool RunStep(const LifeCycleStep& step) {
  try {
    if (step.due && !step.due()) return true;
    return step.run && step.run();
  } catch (...) {
    return false;
  }
}

}  // namespace

LifeCycleStep StartUpSteps[kStartUpStepCount] = {};
LifeCycleStep RemovalSteps[kRemovalStepCount] = {};

void RestoreLifeCycle() {
  std::copy(std::begin(kStartUp), std::end(kStartUp), std::begin(StartUpSteps));
  std::copy(std::begin(kRemoval), std::end(kRemoval), std::begin(RemovalSteps));
  g_builds_at_removal = -1;
}

namespace {
// The tables hold their steps from the library's static initialisation on.
[[maybe_unused]] const bool kStepsReady = (RestoreLifeCycle(), true);
}  // namespace

}  // namespace korvel::xll

using namespace korvel::xll;

extern "C" {

int __stdcall xlAutoOpen() {
  try {
    // An open while the event sink is connected finds everything done.
    if (StartupCounters[kSinkConnected] != 0) return 1;
    InitialiseOleForHost();
    for (const LifeCycleStep& step : StartUpSteps) RunStep(step);
  } catch (...) {
  }
  return 1;
}

int __stdcall xlAutoClose() { return 1; }
int __stdcall xlAutoAdd() { return 1; }

int __stdcall xlAutoRemove() {
  int result = 1;
  try {
    g_builds_at_removal = StartupCounters[kMenusBuilt];
    for (size_t i = 0; i < kRemovalStepCount; ++i)
      if (!RunStep(RemovalSteps[i]) && i == 0) result = -1;
  } catch (...) {
    result = -1;
  }
  return result;
}

}
