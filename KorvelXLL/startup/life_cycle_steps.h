// The start-up and removal sequences as tables of steps: each step runs when its condition holds, and
// whatever one step throws or fails, the next still runs.
#pragma once

#include <cstddef>

namespace korvel::xll {

struct LifeCycleStep {
  const char* name;
  bool (*due)();  // null: always
  bool (*run)();  // false when the step failed
};

// xlAutoOpen after its early return, in order: registration, the host's Application object, the menu
// language, the menus, the COM server, the VBA references, the server's object, the event sink.
constexpr size_t kStartUpStepCount = 8;
extern LifeCycleStep StartUpSteps[kStartUpStepCount];
// xlAutoRemove in order: the menus (whose failure makes the removal's result -1), the VBA references, the
// event sink, the server's registration, OLE.
constexpr size_t kRemovalStepCount = 5;
extern LifeCycleStep RemovalSteps[kRemovalStepCount];

// Both tables as the library has them at load, and no removal seen yet.
void RestoreLifeCycle();

}  // namespace korvel::xll
