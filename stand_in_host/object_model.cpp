#include "object_model.h"

#include <cwctype>

namespace korvel::standin {
namespace {

std::wstring Lower(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

bool ToLong(const VARIANT* v, LONG& out) {
  if (!v) return false;
  OwnedVariant copy;
  if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_I4))) return false;
  out = copy.lVal;
  return true;
}

bool IsNumber(const VARIANT* v) {
  switch (v->vt) {
    case VT_I2: case VT_I4: case VT_I8: case VT_R4: case VT_R8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: return true;
    default: return false;
  }
}

OwnedVariant Bool(bool b) { return OwnedVariant::Bool(b); }
OwnedVariant I4(LONG v) { return OwnedVariant::I4(v); }
OwnedVariant Text(const wchar_t* t) { return OwnedVariant::Text(t); }

HRESULT GiveValue(HostObject::Call& call, const VARIANT& v) {
  if (!call.result) return S_OK;
  VariantClear(call.result);
  return VariantCopy(call.result, const_cast<VARIANT*>(&v));
}

// A member that only reads: a put, or arguments it does not take, are refused as the host refuses them.
HostObject::Member ReadOnly(std::function<OwnedVariant()> get) {
  return [get](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    return GiveValue(call, get());
  };
}

std::wstring ColumnLetters(LONG column) {
  std::wstring s;
  while (column > 0) {
    s.insert(s.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
    column = (column - 1) / 26;
  }
  return s;
}

}  // namespace

SeenArg SeeArg(const VARIANT& v) {
  SeenArg a;
  a.vt = v.vt;
  if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) {
    a.text = L"<object>";
    return a;
  }
  OwnedVariant text;
  if (v.vt != VT_EMPTY && v.vt != VT_ERROR &&
      SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&v), 0x0409, VARIANT_ALPHABOOL, VT_BSTR)))
    a.text.assign(text.bstrVal, SysStringLen(text.bstrVal));
  return a;
}

// ---- HostObject

HostObject::HostObject(std::wstring kind) : kind_(std::move(kind)) {}

ULONG HostObject::Release() {
  const LONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT HostObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT HostObject::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT HostObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT HostObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT n = 0; n < count; ++n) {
    ids[n] = DISPID_UNKNOWN;
    const std::wstring wanted = Lower(names[n] ? names[n] : L"");
    for (size_t i = 0; i < members_.size(); ++i)
      if (!wanted.empty() && Lower(members_[i].first) == wanted) ids[n] = static_cast<DISPID>(i + 1);
    if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT HostObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                           UINT*) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  const std::wstring& name = members_[id - 1].first;
  Call call;
  call.flags = flags;
  call.result = result;
  SeenInvoke seen;
  seen.object = kind_;
  seen.member = name;
  seen.flags = flags;
  if (params) {
    const UINT named = params->cNamedArgs;
    for (UINT i = 0; i < named && i < params->cArgs; ++i) {
      seen.named.push_back(params->rgdispidNamedArgs[i]);
      seen.named_args.push_back(SeeArg(params->rgvarg[i]));
      if (params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) call.value = &params->rgvarg[i];
    }
    // DISPPARAMS hold the last positional argument first.
    for (UINT i = params->cArgs; i > named; --i) {
      call.args.push_back(&params->rgvarg[i - 1]);
      seen.args.push_back(SeeArg(params->rgvarg[i - 1]));
    }
  }
  ObjectModel& model = ObjectModel::Get();
  HRESULT hr;
  if (const MemberFailure* f = model.MatchFailure(kind_, name, flags)) {
    if (result && (f->clear_result || f->write_result)) VariantClear(result);
    if (result && f->write_result) {
      result->vt = VT_I4;
      result->lVal = 7;
    }
    hr = f->hr;
  } else if (call.is_put() && !call.value) {
    hr = DISP_E_PARAMNOTFOUND;
  } else {
    // Keeps this object alive while its member runs, whatever the member does with the result argument.
    AddRef();
    hr = members_[id - 1].second(call);
    Release();
  }
  seen.returned = hr;
  model.Record(std::move(seen));
  return hr;
}

void HostObject::Define(const std::wstring& name, Member member) {
  for (auto& m : members_)
    if (Lower(m.first) == Lower(name)) {
      m.second = std::move(member);
      return;
    }
  members_.emplace_back(name, std::move(member));
}

void HostObject::DefineValue(const std::wstring& name, const VARIANT& initial, VARTYPE type) {
  values_[Lower(name)] = OwnedVariant(initial);
  const std::wstring key = Lower(name);
  Define(name, [this, key, type](Call& call) -> HRESULT {
    OwnedVariant& stored = values_[key];
    if (call.is_put()) {
      if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
      OwnedVariant value;
      HRESULT hr = type == VT_EMPTY ? VariantCopy(&value, call.value) : VariantChangeType(&value, call.value, 0, type);
      if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
      stored = std::move(value);
      return S_OK;
    }
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    return GiveValue(call, stored);
  });
}

void HostObject::DefineObject(const std::wstring& name, std::function<HostObject*()> get) {
  Define(name, [get](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    return GiveObject(call, get());
  });
}

OwnedVariant& HostObject::Value(const std::wstring& name) { return values_[Lower(name)]; }

HRESULT HostObject::GiveObject(Call& call, HostObject* object) {
  if (!call.args.empty()) {
    if (!object) return DISP_E_EXCEPTION;
    DISPID item = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Item");
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &item))) return DISP_E_BADPARAMCOUNT;
    std::vector<VARIANT> args;
    for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) args.push_back(**it);
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return object->Invoke(item, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, call.result, nullptr,
                          nullptr);
  }
  if (!call.result) return S_OK;
  VariantClear(call.result);
  call.result->vt = VT_DISPATCH;
  call.result->pdispVal = object;
  if (object) object->AddRef();
  return S_OK;
}

// ---- HostCollection

HostCollection::HostCollection(std::wstring kind) : HostObject(std::move(kind)) {
  Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(items_.size())); }));
  Define(L"Item", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    HostObject* found = nullptr;
    if (IsNumber(call.args[0])) {
      LONG index = 0;
      if (!ToLong(call.args[0], index)) return DISP_E_TYPEMISMATCH;
      if (index >= 1) found = At(static_cast<size_t>(index - 1));
    } else if (call.args[0]->vt == VT_BSTR) {
      found = Find(std::wstring(call.args[0]->bstrVal, SysStringLen(call.args[0]->bstrVal)));
    } else {
      return DISP_E_TYPEMISMATCH;
    }
    if (!found) return DISP_E_BADINDEX;
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, found);
  });
  Define(L"Add", [this](Call& call) -> HRESULT {
    if (!factory_) return DISP_E_MEMBERNOTFOUND;
    korvel::ComPtr<HostObject> made = factory_(call);
    if (!made) return DISP_E_EXCEPTION;
    HostObject* item = Append(made);
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, item);
  });
}

HostObject* HostCollection::Append(korvel::ComPtr<HostObject> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

HostObject* HostCollection::Find(const std::wstring& name) const {
  for (const auto& item : items_) {
    const OwnedVariant& n = item->Value(L"Name");
    if (n.vt == VT_BSTR && Lower(std::wstring(n.bstrVal, SysStringLen(n.bstrVal))) == Lower(name)) return item.get();
  }
  return nullptr;
}

// ---- cells and sheets

Range::Range(Worksheet* sheet, LONG row, LONG column) : HostObject(L"Range"), row_(row), column_(column) {
  interior_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Interior"));
  interior_->DefineValue(L"Color", I4(16777215), VT_I4);
  interior_->DefineValue(L"ColorIndex", I4(-4142), VT_I4);
  DefineValue(L"Value", OwnedVariant());
  DefineValue(L"Formula", Text(L""));
  DefineValue(L"NumberFormat", Text(L"General"));
  Define(L"Row", ReadOnly([this] { return I4(row_); }));
  Define(L"Column", ReadOnly([this] { return I4(column_); }));
  // The host's default cell size: 48 points wide, 15 points high.
  Define(L"Left", ReadOnly([this] { OwnedVariant v; v.vt = VT_R8; v.dblVal = 48.0 * (column_ - 1); return v; }));
  Define(L"Top", ReadOnly([this] { OwnedVariant v; v.vt = VT_R8; v.dblVal = 15.0 * (row_ - 1); return v; }));
  Define(L"Address", ReadOnly([this] {
    return Text((L"$" + ColumnLetters(column_) + L"$" + std::to_wstring(row_)).c_str());
  }));
  DefineObject(L"Interior", [this] { return interior_.get(); });
  DefineObject(L"Worksheet", [sheet] { return static_cast<HostObject*>(sheet); });
  DefineObject(L"Parent", [sheet] { return static_cast<HostObject*>(sheet); });
}

Worksheet::Worksheet(HostObject* application, const std::wstring& name) : HostObject(L"Worksheet") {
  DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  DefineValue(L"DisplayPageBreaks", Bool(true), VT_BOOL);
  DefineValue(L"Visible", I4(-1), VT_I4);
  DefineObject(L"Application", [application] { return application; });
  Define(L"Cells", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 2) return DISP_E_BADPARAMCOUNT;
    LONG row = 0, column = 0;
    if (!ToLong(call.args[0], row) || !ToLong(call.args[1], column)) return DISP_E_TYPEMISMATCH;
    if (row < 1 || row > 1048576 || column < 1 || column > 16384) return DISP_E_BADINDEX;
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, Cell(row, column));
  });
}

Range* Worksheet::Cell(LONG row, LONG column) {
  auto& cell = cells_[{row, column}];
  if (!cell) cell = korvel::ComPtr<HostObject>::Adopt(new Range(this, row, column));
  return static_cast<Range*>(cell.get());
}

Workbook::Workbook(HostObject* application, const std::wstring& name, int sheets) : HostObject(L"Workbook") {
  sheets_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Sheets"));
  for (int i = 1; i <= sheets; ++i)
    this->sheets()->Append(korvel::ComPtr<HostObject>::Adopt(new Worksheet(application, L"Sheet" + std::to_wstring(i))));
  DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  DefineValue(L"Saved", Bool(true), VT_BOOL);
  DefineObject(L"Application", [application] { return application; });
  DefineObject(L"Sheets", [this] { return sheets_.get(); });
  DefineObject(L"Worksheets", [this] { return sheets_.get(); });
}

// ---- Application

Application::Application() : HostObject(L"Application") {
  workbooks_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Workbooks"));
  windows_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Windows"));
  command_bars_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"CommandBars"));
  language_settings_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"LanguageSettings"));

  DefineValue(L"Name", Text(L"Stand-in Spreadsheet"), VT_BSTR);
  DefineValue(L"Version", Text(L"16.0"), VT_BSTR);
  DefineValue(L"ScreenUpdating", Bool(true), VT_BOOL);
  DefineValue(L"Calculation", I4(-4105), VT_I4);
  DefineValue(L"EnableEvents", Bool(true), VT_BOOL);
  DefineValue(L"DisplayAlerts", Bool(true), VT_BOOL);
  DefineValue(L"Interactive", Bool(true), VT_BOOL);
  // Text while the add-in shows one; false hands the status bar back to the host.
  DefineValue(L"StatusBar", Bool(false));
  Define(L"Hwnd", ReadOnly([this] { return I4(static_cast<LONG>(reinterpret_cast<INT_PTR>(main_window_))); }));
  DefineObject(L"Application", [this] { return this; });
  DefineObject(L"Parent", [this] { return this; });
  DefineObject(L"Workbooks", [this] { return workbooks_.get(); });
  DefineObject(L"Windows", [this] { return windows_.get(); });
  DefineObject(L"CommandBars", [this] { return command_bars_.get(); });
  DefineObject(L"LanguageSettings", [this] { return language_settings_.get(); });
  DefineObject(L"ActiveWorkbook", [this] { return static_cast<HostObject*>(active_book_); });
  DefineObject(L"ActiveSheet", [this] { return static_cast<HostObject*>(active_sheet_); });
  DefineObject(L"ActiveWindow", [this] { return active_window_; });
  DefineObject(L"Sheets", [this] { return active_book_ ? static_cast<HostObject*>(active_book_->sheets()) : nullptr; });
  DefineObject(L"Worksheets",
               [this] { return active_book_ ? static_cast<HostObject*>(active_book_->sheets()) : nullptr; });
  Define(L"Cells", [this](Call& call) -> HRESULT {
    if (!active_sheet_) return DISP_E_EXCEPTION;
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Cells");
    active_sheet_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    std::vector<VARIANT> args;
    for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) args.push_back(**it);
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return active_sheet_->Invoke(id, IID_NULL, 0, call.flags, &params, call.result, nullptr, nullptr);
  });

  // LanguageID(kind): the host's interface language for every kind asked.
  language_settings_->DefineValue(L"InterfaceLanguage", I4(1049), VT_I4);
  language_settings_->Define(L"LanguageID", [ls = language_settings_.get()](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    return GiveValue(call, ls->Value(L"InterfaceLanguage"));
  });
  language_settings_->DefineObject(L"Application", [this] { return this; });

  for (const wchar_t* bar : {L"Worksheet Menu Bar", L"Cell", L"Row", L"Column"}) {
    auto* commandbar = new HostObject(L"CommandBar");
    commandbar->DefineValue(L"Name", Text(bar), VT_BSTR);
    auto controls = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"CommandBarControls"));
    static_cast<HostCollection*>(controls.get())->set_factory([](Call& call) {
      auto control = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"CommandBarControl"));
      LONG type = 1;
      if (!call.args.empty()) ToLong(call.args[0], type);
      control->DefineValue(L"Type", I4(type), VT_I4);
      for (const wchar_t* p : {L"Caption", L"Tag", L"OnAction", L"TooltipText", L"Text"})
        control->DefineValue(p, Text(L""), VT_BSTR);
      control->DefineValue(L"FaceId", I4(0), VT_I4);
      control->DefineValue(L"ListIndex", I4(0), VT_I4);
      control->DefineValue(L"BeginGroup", Bool(false), VT_BOOL);
      return control;
    });
    commandbar->DefineObject(L"Controls", [controls] { return controls.get(); });
    command_bars()->Append(korvel::ComPtr<HostObject>::Adopt(commandbar));
  }

  Workbook* book = AddWorkbook(L"Book1");
  active_book_ = book;
  active_sheet_ = static_cast<Worksheet*>(book->sheets()->At(0));
  active_window_ = AddWindow(book);
}

Workbook* Application::AddWorkbook(const std::wstring& name) {
  auto* book = new Workbook(this, name, 3);
  workbooks()->Append(korvel::ComPtr<HostObject>::Adopt(book));
  return book;
}

HostObject* Application::AddWindow(Workbook* book) {
  auto* window = new HostObject(L"Window");
  const OwnedVariant& name = book->Value(L"Name");
  window->DefineValue(L"Caption", name, VT_BSTR);
  window->DefineObject(L"Application", [this] { return this; });
  window->DefineObject(L"ActiveSheet", [this] { return static_cast<HostObject*>(active_sheet_); });
  // The next window of the host becomes the active one.
  window->Define(L"ActivateNext", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    const size_t n = windows()->size();
    for (size_t i = 0; i < n; ++i)
      if (windows()->At(i) == active_window_) {
        active_window_ = windows()->At((i + 1) % n);
        break;
      }
    if (call.result) VariantClear(call.result);
    return S_OK;
  });
  windows()->Append(korvel::ComPtr<HostObject>::Adopt(window));
  return window;
}

// ---- ObjectModel

ObjectModel& ObjectModel::Get() {
  static ObjectModel model;
  return model;
}

ObjectModel::ObjectModel() { Reset(); }

void ObjectModel::Reset() {
  failures_.clear();
  invokes_.clear();
  application_ = korvel::ComPtr<HostObject>::Adopt(new Application());
}

const MemberFailure* ObjectModel::MatchFailure(const std::wstring& object, const std::wstring& member, WORD flags) {
  for (MemberFailure& f : failures_) {
    if (f.times == 0) continue;
    if (!f.object.empty() && Lower(f.object) != Lower(object)) continue;
    if (Lower(f.member) != Lower(member)) continue;
    if (f.flags && !(f.flags & flags)) continue;
    if (f.times > 0) --f.times;
    return &f;
  }
  return nullptr;
}

std::vector<std::wstring> ObjectModel::Puts() const {
  std::vector<std::wstring> out;
  for (const SeenInvoke& s : invokes_)
    if ((s.flags & DISPATCH_PROPERTYPUT) && !s.named_args.empty())
      out.push_back(s.member + L"=" + s.named_args.back().text + (s.returned == S_OK ? L"" : L" (failed)"));
  return out;
}

}  // namespace korvel::standin
