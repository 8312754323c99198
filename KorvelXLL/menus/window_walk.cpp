#include "menus/window_walk.h"

#include "host/fast_mode.h"
#include "host/host_call.h"
#include "host/xl_records.h"
#include "menus/menu_calls.h"
#include "menus/prompts.h"

namespace korvel::xll {
namespace {

// A result record that starts empty and goes back to the host when it is done with.
struct HandleRecord {
  XLOPER12 record{{}, xltypeMissing};
  HandleRecord() = default;
  HandleRecord(const HandleRecord&) = delete;
  HandleRecord& operator=(const HandleRecord&) = delete;
  ~HandleRecord() { FreeXLOper(&record); }
};

// The host's window handle as the integer that xlGetHwnd gives; false when the request failed.
bool RequestHandle(int& handle) {
  HandleRecord r;
  if (Excel12X(xlGetHwnd, &r.record, false, nullptr, 0) != xlretSuccess) return false;
  if ((r.record.xltype & ~(xlbitXLFree | xlbitDLLFree)) != xltypeInt) return false;
  handle = r.record.val.w;
  return true;
}

}  // namespace

const wchar_t* const kWalkLostText =
    L"The host's windows did not lead back to the first window: the walk over the windows stopped.";

bool WindowWalk::Start() {
  visited_.clear();
  return RequestHandle(start_);
}

WindowWalk::Step WindowWalk::Advance() {
  if (!CallMember(L"ActiveWindow.ActivateNext", nullptr, {}, /*quiet=*/true)) return Step::kStopped;
  int current = 0;
  if (!RequestHandle(current)) return Step::kStopped;
  if (current == start_) return Step::kBackAtStart;
  if (!visited_.insert(current).second) {
    RestoreHostBeforeReport();
    ShowBox(kErrorBox, kWalkLostText);
    return Step::kStopped;
  }
  return Step::kAnotherWindow;
}

}  // namespace korvel::xll
