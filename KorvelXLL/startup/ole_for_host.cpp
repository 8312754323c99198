#include "startup/ole_for_host.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

namespace korvel::xll {
namespace {

bool g_initialised = false;
bool g_first_on_thread = false;  // the add-in's OleInitialize gave S_OK: the thread had no COM before it

// Whether COM is started on this thread; the process's implicit multithreaded apartment does not count.
bool ThreadHasCom() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && qualifier != APTTYPEQUALIFIER_IMPLICIT_MTA;
}

}  // namespace

void InitialiseOleForHost() {
  if (g_initialised) return;
  // S_FALSE: the thread had OLE already; the call still counts and needs its OleUninitialize. A failure
  // (a multithreaded apartment, for one) counts nothing and must not be undone.
  const bool had_com = ThreadHasCom();
  const HRESULT hr = OleInitialize(nullptr);
  g_initialised = SUCCEEDED(hr);
  // Not S_OK alone: Wine answers S_OK to the first OleInitialize of a thread whose COM a CoInitializeEx
  // started, and that COM outlives the OleUninitialize.
  g_first_on_thread = hr == S_OK && !had_com;
}

void UninitialiseOleForHost() {
  if (!g_initialised) return;
  g_initialised = false;
  g_first_on_thread = false;
  OleUninitialize();
}

bool OleInitialisedForHost() { return g_initialised; }
bool OleFirstInitialisedForHost() { return g_initialised && g_first_on_thread; }

}  // namespace korvel::xll
