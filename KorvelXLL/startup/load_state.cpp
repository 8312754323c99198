#include "startup/load_state.h"

#include <algorithm>
#include <iterator>

#include "host/fast_mode.h"
#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "startup/com_server_install.h"
#include "startup/event_sink.h"
#include "startup/held_objects.h"
#include "startup/life_cycle_steps.h"
#include "startup/ole_for_host.h"
#include "startup/registration.h"
#include "startup/vba_reference.h"

namespace korvel::xll {

void RestoreLoadState() {
  // The host is told first, while the pointers it hands out are still held.
  RestoreEventSinkLoadState();
  RestoreReferenceLoadState();
  RestoreServerInstallLoadState();
  ReleaseHeldObjects();
  // An open that no removal followed leaves its OLE initialisation on the thread.
  UninitialiseOleForHost();
  HostNormal = true;
  RestoreFastModeLoadState();
  OperatingMode = 2;
  MenuLanguage = 2;
  std::fill(std::begin(StartupCounters), std::end(StartupCounters), 0);
  StartupCounters[kVbaAccess] = 1;
  ForgetRegistrationPass();
  RestoreLifeCycle();
  // The Russian table is built first, then the English one, as at load: the mode row reads OperatingMode.
  ActiveMenuTable = BuildMenuTable(false);
  OtherMenuTable = BuildMenuTable(true);
}

}  // namespace korvel::xll
