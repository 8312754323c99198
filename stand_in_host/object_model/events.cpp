#include "object_model/events.h"

#include <olectl.h>

namespace korvel::standin {
namespace {

// The host's published events and the arguments it passes with each, in the order it declares them.
enum class Arg { kWorkbook, kSheet, kSaveAsUI, kCancel, kSuccess };
struct PublishedEvent {
  const wchar_t* name;
  DISPID id;
  std::vector<Arg> args;
};
const PublishedEvent kPublished[] = {
    {L"SheetCalculate", 0x61B, {Arg::kSheet}},
    {L"NewWorkbook", 0x61D, {Arg::kWorkbook}},
    {L"WorkbookOpen", 0x61F, {Arg::kWorkbook}},
    {L"WorkbookBeforeClose", 0x622, {Arg::kWorkbook, Arg::kCancel}},
    {L"WorkbookBeforeSave", 0x623, {Arg::kWorkbook, Arg::kSaveAsUI, Arg::kCancel}},
    {L"WorkbookAddinInstall", 0x626, {Arg::kWorkbook}},
    {L"AfterCalculate", 0xA34, {}},
    {L"WorkbookAfterSave", 0xB5F, {Arg::kWorkbook, Arg::kSuccess}},
};

}  // namespace

const IID ApplicationEvents::kEventsInterface = {
    0x00024413, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Both parts share the Application's lifetime: their references are the Application's.
class ApplicationEvents::Container : public IConnectionPointContainer {
 public:
  explicit Container(ApplicationEvents* owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return owner_->application_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->application_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->application_->Release(); }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

 private:
  ApplicationEvents* owner_;
};

class ApplicationEvents::Point : public IConnectionPoint {
 public:
  explicit Point(ApplicationEvents* owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->application_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->application_->Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = kEventsInterface;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = owner_->container_.get();
    (*out)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override { return owner_->Advise(sink, cookie); }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return owner_->Unadvise(cookie); }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  ApplicationEvents* owner_;
};

HRESULT ApplicationEvents::Container::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (HRESULT hr = owner_->Injected(Step::kFindConnectionPoint)) return hr;
  if (iid != kEventsInterface) return CONNECT_E_NOCONNECTION;
  *out = owner_->point_.get();
  (*out)->AddRef();
  return S_OK;
}

ApplicationEvents* ApplicationEvents::AttachTo(HostObject* application) {
  auto events = std::make_shared<ApplicationEvents>(application);
  ApplicationEvents* raw = events.get();
  application->KeepPart(events);
  application->set_interface_provider([raw](REFIID iid) -> IUnknown* {
    if (iid != IID_IConnectionPointContainer || raw->Injected(Step::kContainer)) return nullptr;
    return raw->container_.get();
  });
  return raw;
}

ApplicationEvents::ApplicationEvents(HostObject* application)
    : application_(application), container_(new Container(this)), point_(new Point(this)) {}

void ApplicationEvents::Fail(Step step, HRESULT hr, int times) { failures_.push_back({step, hr, times}); }

HRESULT ApplicationEvents::Injected(Step step) {
  for (Failure& f : failures_) {
    if (f.step != step || f.times == 0) continue;
    if (f.times > 0) --f.times;
    return f.hr;
  }
  return S_OK;
}

HRESULT ApplicationEvents::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  if (HRESULT hr = Injected(Step::kAdvise)) return hr;
  // The events interface first; a sink that only speaks IDispatch is taken as such.
  korvel::ComPtr<IDispatch> dispatch;
  asked_.push_back(kEventsInterface);
  if (FAILED(sink->QueryInterface(kEventsInterface, dispatch.put_void())) || !dispatch) {
    asked_.push_back(IID_IDispatch);
    if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())) || !dispatch) return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = next_cookie_++;
  advised_.push_back({*cookie, std::move(dispatch)});
  return S_OK;
}

HRESULT ApplicationEvents::Unadvise(DWORD cookie) {
  if (HRESULT hr = Injected(Step::kUnadvise)) return hr;
  for (auto it = advised_.begin(); it != advised_.end(); ++it)
    if (it->cookie == cookie) {
      advised_.erase(it);
      ++unadvised_;
      return S_OK;
    }
  return CONNECT_E_NOCONNECTION;
}

void ApplicationEvents::FireRaw(DISPID id, REFIID iid, std::vector<OwnedVariant> args) {
  // DISPPARAMS hold the last argument first.
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it);
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  // A sink may unadvise while it handles the event.
  std::vector<Advised> sinks = advised_;
  last_result_ = S_OK;
  for (Advised& a : sinks)
    last_result_ = a.sink->Invoke(id, iid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

bool ApplicationEvents::Fire(const std::wstring& event, HostObject* subject) {
  for (const PublishedEvent& e : kPublished) {
    if (event != e.name) continue;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<OwnedVariant> args;
    for (Arg a : e.args) {
      OwnedVariant v;
      switch (a) {
        case Arg::kWorkbook:
        case Arg::kSheet:
          v.vt = VT_DISPATCH;
          v.pdispVal = subject;
          if (subject) subject->AddRef();
          break;
        case Arg::kSaveAsUI:
        case Arg::kSuccess:
          v = OwnedVariant::Bool(a == Arg::kSuccess);
          break;
        case Arg::kCancel:
          v.vt = VT_BYREF | VT_BOOL;
          v.pboolVal = &cancel;
          break;
      }
      args.push_back(std::move(v));
    }
    FireRaw(e.id, IID_NULL, std::move(args));
    return true;
  }
  return false;
}

}  // namespace korvel::standin
