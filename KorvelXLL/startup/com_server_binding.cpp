// The binding at start-up: the server's VBA object, created by its ProgID and held in pComServerDisp until the
// library unloads. Its two failures are the only boxes of start-up without an owner, captioned "Error".
#include <objbase.h>

#include "host/host_state.h"
#include "startup/startup_steps.h"

namespace korvel::xll {
namespace {

void ShowBindingFailure(const wchar_t* text) { MessageBoxW(nullptr, text, L"Error", MB_ICONHAND | MB_SETFOREGROUND); }

}  // namespace

void BindComServer() {
  // Only a registered server is bound, and only once.
  if (StartupCounters[kServerRegistered] == 0 || StartupCounters[kServerDispatch] != 0 || pComServerDisp) return;
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(L"KorvelCOM.VBA", &clsid))) {
    ShowBindingFailure(L"CLSIDFromProgID() failed");
    return;
  }
  IDispatch* made = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&made))) ||
      !made) {
    ShowBindingFailure(L"KorvelCOM not registered properly");
    return;
  }
  pComServerDisp = made;
  ++StartupCounters[kServerDispatch];
}

}  // namespace korvel::xll
