#include "startup/ole_for_host.h"

#include <windows.h>
#include <ole2.h>

namespace korvel::xll {
namespace {

bool g_initialised = false;

}  // namespace

void InitialiseOleForHost() {
  if (g_initialised) return;
  // S_FALSE: the thread had OLE already; the call still counts and needs its OleUninitialize. A failure
  // (a multithreaded apartment, for one) counts nothing and must not be undone.
  g_initialised = SUCCEEDED(OleInitialize(nullptr));
}

void UninitialiseOleForHost() {
  if (!g_initialised) return;
  g_initialised = false;
  OleUninitialize();
}

bool OleInitialisedForHost() { return g_initialised; }

}  // namespace korvel::xll
