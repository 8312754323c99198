// The walk over the host's windows that the menu builder, the removal and the mode command share:
// "ActiveWindow.ActivateNext" until the host's window handle (xlGetHwnd) is the start handle again.
#pragma once

#include <set>

namespace korvel::xll {

// The shown text when the host's windows never lead back to the start window.
extern const wchar_t* const kWalkLostText;

class WindowWalk {
 public:
  enum class Step {
    kAnotherWindow,  // a window not visited yet is active
    kBackAtStart,    // the start window is active again: the walk is complete
    kStopped,        // a host call failed, or the walk went round without the start window
  };

  // Reads the start handle; false when the request failed (Excel12X has reported it).
  bool Start();
  // Activates the next window (quietly, as a window step is) and reads its handle. A handle other than
  // the start handle that comes round a second time means the host's order does not lead back to the start
  // window: the walk stops with a box rather than loop for ever.
  Step Advance();

 private:
  int start_ = 0;
  std::set<int> visited_;
};

}  // namespace korvel::xll
