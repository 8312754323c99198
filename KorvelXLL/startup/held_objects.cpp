#include "startup/held_objects.h"

#include <utility>

#include "host/host_state.h"

namespace korvel::xll {

void ReleaseHeldObjects() {
  if (IDispatch* held = std::exchange(pComServerDisp, nullptr)) held->Release();
  if (IDispatch* held = std::exchange(pExcelDisp, nullptr)) held->Release();
}

}  // namespace korvel::xll
