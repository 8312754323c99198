#include "startup/load_state.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "startup/com_server_install.h"
#include "startup/event_sink.h"
#include "startup/vba_reference.h"

namespace korvel::xll {

void RestoreLoadState() {
  // The host is told first, while the pointers it hands out are still held.
  RestoreEventSinkLoadState();
  RestoreReferenceLoadState();
  RestoreServerInstallLoadState();
  if (IDispatch* held = std::exchange(pExcelDisp, nullptr)) held->Release();
  if (IDispatch* held = std::exchange(pComServerDisp, nullptr)) held->Release();
  HostNormal = true;
  OperatingMode = 2;
  MenuLanguage = 2;
  std::fill(std::begin(StartupCounters), std::end(StartupCounters), 0);
  StartupCounters[kVbaAccess] = 1;
  // The Russian table is built first, then the English one, as at load: the mode row reads OperatingMode.
  ActiveMenuTable = BuildMenuTable(false);
  OtherMenuTable = BuildMenuTable(true);
}

}  // namespace korvel::xll
