#include "host/fast_mode.h"

#include <utility>

#include "host/auto_wrap.h"
#include "host/host_state.h"

namespace korvel::xll {
namespace {

constexpr LONG kCalculationAutomatic = -4105;
constexpr LONG kCalculationManual = -4135;

struct Setting {
  const wchar_t* path;
  OwnedVariant at_load;  // put back by a restore before any switch has read the host's own value
  OwnedVariant fast;
  OwnedVariant saved;    // the host's own value, read by the last switch; empty before the first
  const VARIANT& restored() const { return saved.vt == VT_EMPTY ? at_load : saved; }
};

// Keeps the host's settings from one switch to the next; cleared when the library is unloaded.
Setting g_settings[] = {
    {L"ScreenUpdating", OwnedVariant::Bool(true), OwnedVariant::Bool(false)},
    {L"Calculation", OwnedVariant::I4(kCalculationAutomatic), OwnedVariant::I4(kCalculationManual)},
    {L"EnableEvents", OwnedVariant::Bool(true), OwnedVariant::Bool(false)},
    {L"ActiveSheet.DisplayPageBreaks", OwnedVariant::Bool(true), OwnedVariant::Bool(false)},
};

bool g_restoring = false;
unsigned g_failures = 0;

// One put through the dotted-path layer; false when it gave anything but 0. A put that reaches no object
// after the first segment ("ActiveSheet.DisplayPageBreaks" without an active sheet) is reported by the
// layer and gives 0: it counts as made, as every caller of the layer counts it.
bool Put(const wchar_t* path, const VARIANT& value) {
  return AutoWrapX(path, nullptr, DISPATCH_PROPERTYPUT, nullptr, false, nullptr, 1, value) == 0;
}

bool Restore(bool after_failed_switch) {
  g_restoring = true;
  bool failed = !Put(L"StatusBar", OwnedVariant::Bool(false));
  for (Setting& s : g_settings) failed |= !Put(s.path, s.restored());
  HostNormal = true;
  g_restoring = false;
  return failed || after_failed_switch;
}

bool Switch() {
  if (!HostNormal) return true;
  HostNormal = false;
  for (Setting& s : g_settings) {
    // Read into a value of its own: what a failed read leaves behind (the object that was called, an empty
    // value) is not the setting and must never be put back as if it were.
    OwnedVariant read;
    const unsigned before = g_failures;
    const int rc = AutoWrapX(s.path, nullptr, 0, &read, false, nullptr, 0);
    if (rc != 0 || g_failures != before) return true;  // the failing call has put the host back
    if (read.vt == VT_EMPTY || read.vt == VT_DISPATCH || read.vt == VT_UNKNOWN) {
      Restore(true);
      return true;
    }
    s.saved = std::move(read);
  }
  if (!Put(L"StatusBar", OwnedVariant::Text(L"XLL..."))) return Restore(true);
  for (Setting& s : g_settings)
    if (!Put(s.path, s.fast)) return Restore(true);
  return false;
}

}  // namespace

void RestoreFastModeLoadState() {
  for (Setting& s : g_settings) s.saved.Clear();
  g_restoring = false;
}

void RestoreHostBeforeReport() {
  if (!HostNormal && !g_restoring) Restore(false);
}

void NoteHostCallFailure() { ++g_failures; }

unsigned HostCallFailureCount() { return g_failures; }

void LeaveHostNormal() {
  if (!HostNormal) HostFastMode(true);
}

}  // namespace korvel::xll

extern "C" bool HostFastMode(bool restore) {
  try {
    return restore ? korvel::xll::Restore(false) : korvel::xll::Switch();
  } catch (...) {
    // A VARIANT that could not be made or copied: the host is put back as far as it goes.
    if (!HostNormal && !korvel::xll::g_restoring) korvel::xll::Restore(true);
    korvel::xll::g_restoring = false;
    HostNormal = true;
    return true;
  }
}
