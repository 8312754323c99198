// The add-in's sink of the host's application events and its connection to the host's Application.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace korvel::xll {

// The host's application-events interface is a dispatch interface: nothing beyond IDispatch travels.
struct IApplicationEvents2 : public IDispatch {};

// One object for the life of the library; its count starts at 1 and it is never freed.
class COfficeEventHandler : public IApplicationEvents2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

  DWORD cookie = 0;          // 0 until connected
  volatile LONG count = 1;
};

COfficeEventHandler& EventSink();
// The DISPID of the last event Invoke accepted; 0 at load.
DISPID PreviousEvent();

// The unload's last word: a sink still advised (connected, or stale after a refused Unadvise) is
// disconnected, so that the host never calls into a library that is gone. False when the host refused
// again: the module must then stay mapped, and the sink no longer acts on events.
bool DisconnectEventSinkAtUnload();
// A disconnection whose Unadvise the host refused: the point, the cookie and the sink's reference are kept
// for the next try.
bool EventSinkStale();
// Process exit: the host's objects may be gone already, so the connection's pointers are dropped without a
// call (the process frees everything anyway); the globals' destructors then touch nothing.
void AbandonEventConnectionAtExit();
// Back to the load state: disconnected (the host is told), no previous event.
void RestoreEventSinkLoadState();

}  // namespace korvel::xll
