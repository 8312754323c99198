// The stand-in host's objects over IDispatch by member name (case-insensitive): each member is one row of its
// object's table, and later features add rows. Collections of items by index or by name.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/com_owners.h"
#include "host/owned_variant.h"

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
  LCID lcid = 0;
  IID iid = IID_NULL;
  std::vector<SeenArg> args;  // positional arguments in natural order
  std::vector<DISPID> named;
  std::vector<SeenArg> named_args;  // the value of a put
  HRESULT returned = S_OK;
  // Made by the stand-in itself while it served another call (a collection's default member, say), not by
  // the caller.
  bool nested = false;
};

struct SeenLookup {
  std::wstring object;
  std::vector<std::wstring> names;
  UINT count = 0;
  LCID lcid = 0;
  IID iid = IID_NULL;
  bool nested = false;
};

SeenArg SeeArg(const VARIANT& v);

// The host's objects answer as the host does: Invoke writes its result over the result argument and
// neither clears nor releases what was there (a caller that hands over a result that is not empty would
// leak it in the host, and that is recorded as a fault), and a member runs without a reference of its own
// to the object, so that a caller who releases an object while calling it is seen. A released object's
// memory stays, answering every call with a recorded fault, so that a call on it shows instead of reading
// freed memory.
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
  virtual ~HostObject();
  // Objects come from the global heap; their memory is never given back (see the definition of delete).
  static void* operator new(size_t size);
  static void operator delete(void* memory);
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  const std::wstring& kind() const { return kind_; }
  LONG refs() const { return refs_; }
  // Objects made and not yet released, over the whole process: a caller that keeps a reference it was
  // given makes the count grow with every run.
  static long live();
  // Runs that measure the process's memory over thousands of cycles free released objects instead of
  // keeping them: a call on one is then no longer recorded as a fault. Off unless a test turns it on.
  static void set_free_released(bool on);

  // An object that the host makes to answer one call (a range of cells, a list of its areas) rather than
  // one it keeps: such objects are counted while alive, so that a test sees one that a caller never let go.
  void MarkMadeForCall();
  static long made_for_call_alive();

  void Define(const std::wstring& name, Member member);
  // A stored property read and written as a value; `type` other than VT_EMPTY is the type a put converts to.
  void DefineValue(const std::wstring& name, const VARIANT& initial, VARTYPE type = VT_EMPTY);
  // A property that gives an object; arguments go to that object's Item, as the host's default member does.
  void DefineObject(const std::wstring& name, std::function<HostObject*()> get);
  // The stored value of a property made with DefineValue.
  OwnedVariant& Value(const std::wstring& name);
  // The member of that name (empty when there is none), so that a family can wrap what another defined.
  Member MemberOf(const std::wstring& name) const;

  // Further interfaces, asked after IUnknown and IDispatch: the provider gives an interface pointer of this
  // object (which QueryInterface adds a reference to) or null.
  void set_interface_provider(std::function<IUnknown*(REFIID)> provider) { interfaces_ = std::move(provider); }
  // Parts that live exactly as long as this object (the parts behind those further interfaces, for one).
  void KeepPart(std::shared_ptr<void> part) { parts_.push_back(std::move(part)); }

  // IUnknown and IDispatch.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;

  // Hands `object` back as a member's result (written over the result argument), or applies the call's
  // arguments to its Item.
  static HRESULT GiveObject(Call& call, HostObject* object);

 private:
  std::wstring kind_;
  LONG refs_ = 1;
  std::vector<std::pair<std::wstring, Member>> members_;
  std::vector<std::wstring> lower_names_;  // members_' names in lower case, for the lookups by name
  std::map<std::wstring, OwnedVariant> values_;  // by lower-case name
  std::function<IUnknown*(REFIID)> interfaces_;
  std::vector<std::shared_ptr<void>> parts_;
  bool made_for_call_ = false;
};

// Items by 1-based index or by their Name; Count; Add when a factory is given.
class HostCollection : public HostObject {
 public:
  explicit HostCollection(std::wstring kind);
  HostObject* Append(korvel::ComPtr<HostObject> item);
  // Puts `item` at 0-based `index` (the end when beyond it); the items from there move up by one.
  HostObject* Insert(size_t index, korvel::ComPtr<HostObject> item);
  // The 0-based position of `item`, or size() when it is not in the collection.
  size_t IndexOf(const HostObject* item) const;
  HostObject* At(size_t index) const { return index < items_.size() ? items_[index].get() : nullptr; }
  HostObject* Find(const std::wstring& name) const;
  // Takes `item` out of the collection; false when it is not in it.
  bool Remove(HostObject* item);
  size_t size() const { return items_.size(); }
  void set_factory(std::function<korvel::ComPtr<HostObject>(Call&)> make) { factory_ = std::move(make); }

 private:
  std::vector<korvel::ComPtr<HostObject>> items_;
  std::function<korvel::ComPtr<HostObject>(Call&)> factory_;
};

}  // namespace korvel::standin
