// The Application as a source of the host's application events: IConnectionPointContainer with the one
// point of the events interface {00024413-0000-0000-C000-000000000046}. Advise asks the sink for that
// interface, then for IDispatch, as the host does; tests fire events by name with the host's arguments, or
// by any DISPID, and make each connection step fail on request.
#pragma once

#include <ocidl.h>

#include <vector>

#include "object_model/host_object.h"

namespace korvel::standin {

class ApplicationEvents {
 public:
  // Installs itself as `application`'s container; `application` keeps it alive.
  static ApplicationEvents* AttachTo(HostObject* application);
  explicit ApplicationEvents(HostObject* application);

  enum class Step { kContainer, kFindConnectionPoint, kAdvise, kUnadvise };
  // The step fails with `hr` on its next `times` calls (-1: every call).
  void Fail(Step step, HRESULT hr, int times = -1);

  struct Advised {
    DWORD cookie;
    korvel::ComPtr<IDispatch> sink;
  };
  const std::vector<Advised>& advised() const { return advised_; }
  // Every interface Advise asked a sink for, in order.
  const std::vector<IID>& asked() const { return asked_; }
  int unadvised() const { return unadvised_; }

  // Fires a published event ("WorkbookBeforeSave", ...) at every advised sink with the host's arguments for
  // it: `subject` is the workbook or the sheet; Cancel goes by reference. False for a name not in the table.
  bool Fire(const std::wstring& event, HostObject* subject = nullptr);
  // Any DISPID, any interface id, arguments in natural order.
  void FireRaw(DISPID id, REFIID iid, std::vector<OwnedVariant> args);
  // What the sinks returned from the last Invoke.
  HRESULT last_result() const { return last_result_; }

  static const IID kEventsInterface;

 private:
  class Container;
  class Point;
  HRESULT Injected(Step step);
  HRESULT Advise(IUnknown* sink, DWORD* cookie);
  HRESULT Unadvise(DWORD cookie);

  HostObject* application_;
  std::unique_ptr<Container> container_;
  std::unique_ptr<Point> point_;
  std::vector<Advised> advised_;
  std::vector<IID> asked_;
  struct Failure {
    Step step;
    HRESULT hr;
    int times;
  };
  std::vector<Failure> failures_;
  DWORD next_cookie_ = 0x51;
  int unadvised_ = 0;
  HRESULT last_result_ = S_OK;

  friend class Container;
  friend class Point;
};

}  // namespace korvel::standin
