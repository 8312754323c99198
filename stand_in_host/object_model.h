// The stand-in host's object model over IDispatch by member name (case-insensitive): Application, workbooks,
// sheets of cells, windows, command bars and language settings. Each member is one row of its object's
// table; later features add rows. Every Invoke is recorded, any member can be made to fail, and the same
// thing is always the same object.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "com_owners.h"
#include "owned_variant.h"

namespace korvel::standin {

using xll::OwnedVariant;

struct SeenArg {
  VARTYPE vt = VT_EMPTY;
  std::wstring text;  // the value as text; "<object>" for objects, "" when it does not convert
};

struct SeenInvoke {
  std::wstring object;  // the object's kind, such as "Application" or "Worksheet"
  std::wstring member;  // as the table names it
  WORD flags = 0;
  std::vector<SeenArg> args;  // positional arguments in natural order
  std::vector<DISPID> named;
  std::vector<SeenArg> named_args;  // the value of a put
  HRESULT returned = S_OK;
};

SeenArg SeeArg(const VARIANT& v);

class HostObject : public IDispatch {
 public:
  // A call of one member: positional arguments in natural order, the value of a put apart.
  struct Call {
    WORD flags = 0;
    std::vector<VARIANT*> args;
    VARIANT* value = nullptr;
    VARIANT* result = nullptr;
    bool is_put() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  };
  using Member = std::function<HRESULT(Call&)>;

  explicit HostObject(std::wstring kind);
  virtual ~HostObject() = default;
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  const std::wstring& kind() const { return kind_; }
  LONG refs() const { return refs_; }

  void Define(const std::wstring& name, Member member);
  // A stored property read and written as a value; `type` other than VT_EMPTY is the type a put converts to.
  void DefineValue(const std::wstring& name, const VARIANT& initial, VARTYPE type = VT_EMPTY);
  // A property that gives an object; arguments go to that object's Item, as the host's default member does.
  void DefineObject(const std::wstring& name, std::function<HostObject*()> get);
  // The stored value of a property made with DefineValue.
  OwnedVariant& Value(const std::wstring& name);

  // IUnknown and IDispatch.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;

  // Hands `object` back as a member's result, or applies the call's arguments to its Item.
  static HRESULT GiveObject(Call& call, HostObject* object);

 private:
  std::wstring kind_;
  LONG refs_ = 1;
  std::vector<std::pair<std::wstring, Member>> members_;
  std::map<std::wstring, OwnedVariant> values_;  // by lower-case name
};

// Items by 1-based index or by their Name; Count; Add when a factory is given.
class HostCollection : public HostObject {
 public:
  explicit HostCollection(std::wstring kind);
  HostObject* Append(korvel::ComPtr<HostObject> item);
  HostObject* At(size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }
  HostObject* Find(const std::wstring& name) const;
  size_t size() const { return items_.size(); }
  void set_factory(std::function<korvel::ComPtr<HostObject>(Call&)> make) { factory_ = std::move(make); }

 private:
  std::vector<korvel::ComPtr<HostObject>> items_;
  std::function<korvel::ComPtr<HostObject>(Call&)> factory_;
};

class Worksheet;
class Workbook;

class Range : public HostObject {
 public:
  Range(Worksheet* sheet, LONG row, LONG column);
  LONG row() const { return row_; }
  LONG column() const { return column_; }

 private:
  LONG row_;
  LONG column_;
  korvel::ComPtr<HostObject> interior_;
};

class Worksheet : public HostObject {
 public:
  Worksheet(HostObject* application, const std::wstring& name);
  Range* Cell(LONG row, LONG column);

 private:
  std::map<std::pair<LONG, LONG>, korvel::ComPtr<HostObject>> cells_;
};

class Workbook : public HostObject {
 public:
  Workbook(HostObject* application, const std::wstring& name, int sheets);
  HostCollection* sheets() const { return static_cast<HostCollection*>(sheets_.get()); }

 private:
  korvel::ComPtr<HostObject> sheets_;
};

class Application : public HostObject {
 public:
  Application();
  Workbook* AddWorkbook(const std::wstring& name);
  HostObject* AddWindow(Workbook* book);
  Workbook* active_workbook() const { return active_book_; }
  Worksheet* active_sheet() const { return active_sheet_; }
  HostObject* active_window() const { return active_window_; }
  // A test may take the active sheet, workbook or window away (null), as the host has none at times.
  void set_active_sheet(Worksheet* s) { active_sheet_ = s; }
  void set_active_workbook(Workbook* b) { active_book_ = b; }
  void set_active_window(HostObject* w) { active_window_ = w; }
  HostCollection* workbooks() const { return static_cast<HostCollection*>(workbooks_.get()); }
  HostCollection* windows() const { return static_cast<HostCollection*>(windows_.get()); }
  HostCollection* command_bars() const { return static_cast<HostCollection*>(command_bars_.get()); }
  void set_main_window(HWND hwnd) { main_window_ = hwnd; }

 private:
  korvel::ComPtr<HostObject> workbooks_, windows_, command_bars_, language_settings_;
  Workbook* active_book_ = nullptr;
  Worksheet* active_sheet_ = nullptr;
  HostObject* active_window_ = nullptr;
  HWND main_window_ = nullptr;
};

// A failure a test sets on a member: every matching Invoke returns `hr` (and may first clear or write the
// result argument, as some callees do).
struct MemberFailure {
  std::wstring object;  // kind; empty for any
  std::wstring member;
  WORD flags = 0;  // 0 for any call; otherwise the call must share a bit with these
  HRESULT hr = E_FAIL;
  int times = -1;  // -1 for every call
  bool clear_result = false;
  bool write_result = false;  // writes VT_I4 7 into the result before failing
};

class ObjectModel {
 public:
  static ObjectModel& Get();
  // A fresh Application with one workbook of three sheets and one window.
  void Reset();
  Application* application() const { return static_cast<Application*>(application_.get()); }

  void Fail(MemberFailure failure) { failures_.push_back(std::move(failure)); }
  void ClearFailures() { failures_.clear(); }
  const std::vector<SeenInvoke>& invokes() const { return invokes_; }
  void ClearInvokes() { invokes_.clear(); }
  // Puts as "Member=value" texts, in order (the value as text).
  std::vector<std::wstring> Puts() const;

  // Called by HostObject::Invoke.
  const MemberFailure* MatchFailure(const std::wstring& object, const std::wstring& member, WORD flags);
  void Record(SeenInvoke seen) { invokes_.push_back(std::move(seen)); }

 private:
  ObjectModel();
  korvel::ComPtr<HostObject> application_;
  std::vector<MemberFailure> failures_;
  std::vector<SeenInvoke> invokes_;
};

}  // namespace korvel::standin
