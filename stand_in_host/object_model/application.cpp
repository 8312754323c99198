#include "object_model/application.h"

#include "calculation.h"
#include "object_model/member_helpers.h"

namespace korvel::standin {

Application::Application(bool with_workbook) : HostObject(L"Application") {
  workbooks_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Workbooks"));
  windows_ = korvel::ComPtr<HostObject>::Adopt(new HostCollection(L"Windows"));
  command_bars_ = korvel::ComPtr<HostObject>::Adopt(new CommandBars());
  language_settings_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"LanguageSettings"));

  DefineValue(L"Name", Text(L"Stand-in Spreadsheet"), VT_BSTR);
  DefineValue(L"Version", Text(L"16.0"), VT_BSTR);
  DefineValue(L"OperatingSystem", Text(L"Windows (64-bit) NT 10.00"), VT_BSTR);
  // The cell being calculated, or an error value outside a calculation.
  Define(L"Caller", [](Call& call) { return Calculation::Get().GiveCaller(call); });
  DefineValue(L"ScreenUpdating", Bool(true), VT_BOOL);
  DefineValue(L"Calculation", I4(-4105), VT_I4);
  DefineValue(L"EnableEvents", Bool(true), VT_BOOL);
  DefineValue(L"DisplayAlerts", Bool(true), VT_BOOL);
  DefineValue(L"Interactive", Bool(true), VT_BOOL);
  // Text while the add-in shows one; false hands the status bar back to the host.
  DefineValue(L"StatusBar", Bool(false));
  Define(L"Hwnd", ReadOnly([this] { return I4(static_cast<LONG>(reinterpret_cast<INT_PTR>(main_window_ ? main_window_() : nullptr))); }));
  DefineObject(L"Application", [this] { return this; });
  DefineObject(L"Parent", [this] { return this; });
  DefineObject(L"Workbooks", [this] { return workbooks_.get(); });
  DefineObject(L"Windows", [this] { return windows_.get(); });
  DefineObject(L"CommandBars", [this] { return static_cast<HostObject*>(command_bars()); });
  DefineObject(L"LanguageSettings", [this] { return language_settings_.get(); });
  DefineObject(L"ActiveWorkbook", [this] { return static_cast<HostObject*>(active_book_); });
  DefineObject(L"ActiveSheet", [this] { return static_cast<HostObject*>(active_sheet_); });
  DefineObject(L"ActiveWindow", [this] { return active_window_; });
  DefineObject(L"Sheets", [this] { return active_book_ ? static_cast<HostObject*>(active_book_->sheets()) : nullptr; });
  DefineObject(L"Worksheets",
               [this] { return active_book_ ? static_cast<HostObject*>(active_book_->sheets()) : nullptr; });
  // Cells and Range of the active sheet, as the host's global members give them.
  for (const wchar_t* member : {L"Cells", L"Range"})
    Define(member, [this, member](Call& call) -> HRESULT {
      if (!active_sheet_) return DISP_E_EXCEPTION;
      DISPID id = 0;
      LPOLESTR name = const_cast<LPOLESTR>(member);
      active_sheet_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
      std::vector<VARIANT> args;
      for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) args.push_back(**it);
      DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
      return active_sheet_->Invoke(id, IID_NULL, 0, call.flags, &params, call.result, nullptr, nullptr);
    });
  // The active sheet's selection, the same that the C API's xlfSelection gives.
  Define(L"Selection", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!active_sheet_) return DISP_E_EXCEPTION;
    return Range::Give(call, active_sheet_, active_sheet_->cells().selection().areas);
  });
  // Calculate, called as a method or read as a property: every open sheet's formulas take their values.
  Define(L"Calculate", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    CalculateAll();
    if (call.result) VariantInit(call.result);
    return S_OK;
  });

  // LanguageID(kind): kind 2 is the user-interface language; the other kinds (install, help, ...) give a
  // language of their own, so that a wrong kind shows.
  language_settings_->DefineValue(L"InterfaceLanguage", I4(1049), VT_I4);
  language_settings_->Define(L"LanguageID", [ls = language_settings_.get()](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    LONG kind = 0;
    if (!ToLong(call.args[0], kind)) return DISP_E_TYPEMISMATCH;
    if (kind < 1 || kind > 5) return E_INVALIDARG;
    constexpr LONG kGerman = 1031;
    return kind == 2 ? GiveValue(call, ls->Value(L"InterfaceLanguage")) : GiveValue(call, I4(kGerman));
  });
  language_settings_->DefineObject(L"Application", [this] { return this; });

  if (with_workbook) {
    Workbook* book = AddWorkbook(L"Book1");
    books_made_ = 1;
    active_book_ = book;
    active_sheet_ = static_cast<Worksheet*>(book->sheets()->At(0));
    active_window_ = AddWindow(book);
  }
}

void Application::set_interface_language(LONG id) { language_settings_->Value(L"InterfaceLanguage") = I4(id); }

Workbook* Application::workbook_of(HostObject* window) const {
  auto it = book_of_window_.find(window);
  return it == book_of_window_.end() ? nullptr : it->second;
}

Workbook* Application::NewWorkbook() {
  std::wstring name;
  do name = L"Book" + std::to_wstring(++books_made_);
  while (workbooks()->Find(name));
  Workbook* book = AddWorkbook(name);
  HostObject* window = AddWindow(book);
  active_book_ = book;
  active_sheet_ = static_cast<Worksheet*>(book->sheets()->At(0));
  active_window_ = window;
  return book;
}

bool Application::ActivateWindowNamed(const std::wstring& name) {
  for (size_t i = 0; i < windows()->size(); ++i) {
    HostObject* window = windows()->At(i);
    Workbook* book = workbook_of(window);
    const OwnedVariant& caption = window->Value(L"Caption");
    const bool by_caption =
        caption.vt == VT_BSTR && Lower(std::wstring(caption.bstrVal, SysStringLen(caption.bstrVal))) == Lower(name);
    const OwnedVariant& book_name = book ? book->Value(L"Name") : caption;
    const bool by_book = book && book_name.vt == VT_BSTR &&
                         Lower(std::wstring(book_name.bstrVal, SysStringLen(book_name.bstrVal))) == Lower(name);
    if (!by_caption && !by_book) continue;
    active_window_ = window;
    active_book_ = book;
    active_sheet_ = book ? static_cast<Worksheet*>(book->sheets()->At(0)) : nullptr;
    return true;
  }
  return false;
}

bool Application::CloseActiveWorkbook(bool save) {
  Workbook* book = active_book_;
  if (!book) return false;
  // Held until the host has let go of every reference to it.
  book->AddRef();
  auto keep = korvel::ComPtr<HostObject>::Adopt(book);
  const OwnedVariant& name = book->Value(L"Name");
  closed_.push_back({std::wstring(name.bstrVal, SysStringLen(name.bstrVal)), save});
  for (size_t i = windows()->size(); i > 0; --i) {
    HostObject* window = windows()->At(i - 1);
    if (workbook_of(window) != book) continue;
    if (on_window_removed_) on_window_removed_(window);
    book_of_window_.erase(window);
    windows()->Remove(window);
  }
  workbooks()->Remove(book);
  active_window_ = windows()->size() ? windows()->At(0) : nullptr;
  active_book_ = active_window_ ? workbook_of(active_window_) : nullptr;
  active_sheet_ = active_book_ ? static_cast<Worksheet*>(active_book_->sheets()->At(0)) : nullptr;
  return true;
}

void Application::CalculateAll() {
  ++calculations_;
  for (size_t b = 0; b < workbooks()->size(); ++b) {
    auto* book = static_cast<Workbook*>(workbooks()->At(b));
    for (size_t s = 0; s < book->sheets()->size(); ++s)
      if (auto* sheet = dynamic_cast<Worksheet*>(book->sheets()->At(s))) sheet->cells().Calculate();
  }
}

Worksheet* Application::SheetById(DWORD_PTR id) const {
  for (size_t b = 0; b < workbooks()->size(); ++b) {
    auto* book = static_cast<Workbook*>(workbooks()->At(b));
    for (size_t s = 0; s < book->sheets()->size(); ++s)
      if (auto* sheet = dynamic_cast<Worksheet*>(book->sheets()->At(s)); sheet && sheet->cells().id() == id)
        return sheet;
  }
  return nullptr;
}

Worksheet* Application::SheetNamed(const std::wstring& name) const {
  Workbook* book = active_book_;
  std::wstring sheet_name = name;
  if (!name.empty() && name[0] == L'[') {
    const size_t close = name.find(L']');
    if (close == std::wstring::npos) return nullptr;
    book = static_cast<Workbook*>(workbooks()->Find(name.substr(1, close - 1)));
    sheet_name = name.substr(close + 1);
  }
  if (!book) return nullptr;
  return dynamic_cast<Worksheet*>(book->sheets()->Find(sheet_name));
}

Workbook* Application::AddWorkbook(const std::wstring& name) {
  auto* book = new Workbook(this, name, 3);
  workbooks()->Append(korvel::ComPtr<HostObject>::Adopt(book));
  return book;
}

HostObject* Application::AddWindow(Workbook* book) {
  auto* window = new Window();
  const OwnedVariant& name = book->Value(L"Name");
  window->DefineValue(L"Caption", name, VT_BSTR);
  window->DefineObject(L"Application", [this] { return this; });
  window->DefineObject(L"ActiveSheet", [this] { return static_cast<HostObject*>(active_sheet_); });
  window->Define(L"ActivateNext", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    ActivateNext();
    if (call.result) VariantClear(call.result);
    return S_OK;
  });
  windows()->Append(korvel::ComPtr<HostObject>::Adopt(window));
  book_of_window_[window] = book;
  if (on_window_added_) on_window_added_(window);
  return window;
}

Window::Window() : HostObject(L"Window"), command_bars_(korvel::ComPtr<HostObject>::Adopt(new CommandBars())) {}

CommandBars* Application::command_bars() const {
  if (auto* window = dynamic_cast<Window*>(active_window_)) return window->command_bars();
  return static_cast<CommandBars*>(command_bars_.get());
}

void Application::ActivateNext() {
  const size_t n = windows()->size();
  for (size_t i = 0; i < n; ++i) {
    if (windows()->At(i) != active_window_) continue;
    for (size_t step = 1; step <= n; ++step) {
      HostObject* next = windows()->At((i + step) % n);
      if (next != skipped_window_) {
        active_window_ = next;
        break;
      }
    }
    return;
  }
}

}  // namespace korvel::standin
