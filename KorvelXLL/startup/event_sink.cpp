// The sink connected to the host's application events at start-up and disconnected at removal, and what it does
// with each event. The sink takes the reference out of a workbook before it is saved or closed and puts it
// back afterwards, in the workbook the event names.
#include "startup/event_sink.h"

#include <ocidl.h>
#include <olectl.h>

#include <new>
#include <utility>

#include "common/com_owners.h"
#include "host/host_state.h"
#include "menus/menu_builder.h"
#include "startup/startup_steps.h"
#include "startup/vba_reference.h"

namespace korvel::xll {
namespace {

COfficeEventHandler g_sink;
DISPID g_previous_event = 0;

// The connection: what start-up obtained and holds until the host has taken the advise back, or the unload.
// A refused Unadvise leaves the host holding the sink under its cookie: the point, the cookie and the
// sink's reference are then kept (stale), so that the next disconnection, the next connection and the
// unload can try again. Forgetting them would leave the host calling a sink in a freed module.
struct Connection {
  korvel::ComPtr<IConnectionPointContainer> container;
  korvel::ComPtr<IConnectionPoint> point;
  bool holds_sink = false;  // the add-in's own counted reference to the sink
  bool stale = false;       // disconnected, but the host refused to take the advise back
};
Connection g_connection;

// Set when the library went away with the host still holding the sink: the module stays pinned, but the
// state that events act on is gone, so the sink answers without acting.
bool g_inert = false;

// The host's published event numbers.
constexpr DISPID kSheetCalculate = 0x61B;
constexpr DISPID kNewWorkbook = 0x61D;
constexpr DISPID kWorkbookOpen = 0x61F;
constexpr DISPID kWorkbookBeforeClose = 0x622;
constexpr DISPID kWorkbookBeforeSave = 0x623;
constexpr DISPID kWorkbookAddinInstall = 0x626;
constexpr DISPID kAfterCalculate = 0xA34;
constexpr DISPID kWorkbookAfterSave = 0xB5F;

constexpr wchar_t kApplicationEvents[] = L"{00024413-0000-0000-C000-000000000046}";

// The workbook the event passes as its first argument (the last in DISPPARAMS order); null when that is no
// object, and the action then works on the active workbook.
IDispatch* EventWorkbook(const DISPPARAMS* params) {
  if (!params || params->cArgs == 0 || !params->rgvarg) return nullptr;
  const VARIANT& first = params->rgvarg[params->cArgs - 1];
  if (first.vt == VT_DISPATCH) return first.pdispVal;
  if (first.vt == (VT_DISPATCH | VT_BYREF) && first.ppdispVal) return *first.ppdispVal;
  return nullptr;
}

enum class Target { kEventWorkbook, kActiveWorkbook, kAllWorkbooks };

struct EventRow {
  DISPID id;
  bool add;
  Target target;
  DISPID only_after;  // 0: always
  bool build_menus;
};

const EventRow kEvents[] = {
    {kNewWorkbook, true, Target::kEventWorkbook, 0, false},
    {kWorkbookOpen, true, Target::kEventWorkbook, 0, true},
    {kWorkbookBeforeClose, false, Target::kEventWorkbook, 0, false},
    {kWorkbookBeforeSave, false, Target::kEventWorkbook, 0, false},
    {kWorkbookAfterSave, true, Target::kEventWorkbook, 0, false},
    {kSheetCalculate, true, Target::kActiveWorkbook, kWorkbookAddinInstall, false},
    {kAfterCalculate, true, Target::kAllWorkbooks, kWorkbookAfterSave, false},
};

void Act(DISPID id, const DISPPARAMS* params) {
  for (const EventRow& row : kEvents) {
    if (row.id != id) continue;
    if (row.only_after && g_previous_event != row.only_after) return;
    switch (row.target) {
      case Target::kEventWorkbook: VbaReferenceInWorkbook(row.add, EventWorkbook(params)); break;
      case Target::kActiveWorkbook: VbaReference(row.add, true); break;
      case Target::kAllWorkbooks: VbaReference(row.add, false); break;
    }
    if (row.build_menus) BuildMenus();
    return;
  }
}

void GiveBackSink(Connection& c) {
  if (c.holds_sink) g_sink.Release();
  c.holds_sink = false;
}

// Asks the host to take back the advise of the held connection; true when nothing is advised any more.
// An unknown cookie means the host holds nothing under it. On a refusal the connection stays, stale.
bool TakeBackConnection() {
  if (!g_connection.point) return true;
  const HRESULT hr = g_connection.point->Unadvise(g_sink.cookie);
  if (FAILED(hr) && hr != CONNECT_E_NOCONNECTION) {
    g_connection.stale = true;
    return false;
  }
  Connection c = std::move(g_connection);
  g_connection = Connection{};
  g_sink.cookie = 0;
  GiveBackSink(c);
  return true;
}

}  // namespace

COfficeEventHandler& EventSink() { return g_sink; }
DISPID PreviousEvent() { return g_previous_event; }

HRESULT COfficeEventHandler::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG COfficeEventHandler::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&count)); }
ULONG COfficeEventHandler::Release() { return static_cast<ULONG>(InterlockedDecrement(&count)); }

HRESULT COfficeEventHandler::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT COfficeEventHandler::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT COfficeEventHandler::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT COfficeEventHandler::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                    UINT*) {
  if (iid != IID_NULL) return E_INVALIDARG;
  if (g_inert) return S_OK;
  try {
    Act(id, params);
  } catch (...) {
    // The host must never see an exception; the event still counts as the previous one.
  }
  g_previous_event = id;
  return S_OK;
}

bool ConnectEventSink() {
  if (g_connection.point && !g_connection.stale) return true;
  if (!pExcelDisp) return false;
  if (!TakeBackConnection()) {
    // The host still holds the sink under the old cookie, and a second advise would run every event twice:
    // the old advise is the connection again.
    g_connection.stale = false;
    ++StartupCounters[kSinkConnected];
    return true;
  }
  // Taken into a local connection first: a step that fails gives back everything taken before it.
  Connection c;
  if (FAILED(pExcelDisp->QueryInterface(IID_IConnectionPointContainer, c.container.put_void())) || !c.container)
    return false;
  IID events{};
  if (FAILED(IIDFromString(const_cast<LPOLESTR>(kApplicationEvents), &events))) return false;
  g_sink.AddRef();
  c.holds_sink = true;
  DWORD cookie = 0;
  if (FAILED(c.container->FindConnectionPoint(events, c.point.put())) || !c.point ||
      FAILED(c.point->Advise(static_cast<IDispatch*>(&g_sink), &cookie))) {
    GiveBackSink(c);
    return false;
  }
  g_sink.cookie = cookie;
  g_connection = std::move(c);
  ++StartupCounters[kSinkConnected];
  return true;
}

void DisconnectEventSink() {
  StartupCounters[kSinkConnected] = 0;
  TakeBackConnection();
}

bool DisconnectEventSinkAtUnload() {
  try {
    DisconnectEventSink();
  } catch (...) {
  }
  if (!g_connection.point) return true;
  // The last try failed: the host may still call the sink. It stays mapped (the caller pins the module) and
  // from now on answers without acting; the host's connection objects are given back all the same.
  g_inert = true;
  g_connection.point.reset();
  g_connection.container.reset();
  GiveBackSink(g_connection);
  return false;
}

bool EventSinkStale() { return g_connection.stale; }

void AbandonEventConnectionAtExit() {
  g_connection.point.detach();
  g_connection.container.detach();
  g_connection.holds_sink = false;
  g_connection.stale = false;
}

void RestoreEventSinkLoadState() {
  DisconnectEventSink();
  // A host that refused again is replaced by a fresh one: whatever it held goes with it.
  Connection dropped = std::move(g_connection);
  g_connection = Connection{};
  GiveBackSink(dropped);
  g_sink.cookie = 0;
  g_inert = false;
  g_previous_event = 0;
}

}  // namespace korvel::xll
