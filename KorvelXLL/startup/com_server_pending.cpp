// The VBA references and the event sink are not built yet: each step fails without doing anything, so
// start-up goes on with its other steps.
#include "startup/startup_steps.h"

namespace korvel::xll {

int VbaReference(bool, bool) { return -1; }
bool ConnectEventSink() { return false; }
void DisconnectEventSink() {}

}  // namespace korvel::xll
