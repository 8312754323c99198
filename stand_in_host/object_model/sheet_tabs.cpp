#include "object_model/sheet_tabs.h"

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {
namespace {

// The worksheets of a workbook's tabs, in tab order: Count and Item by index or name, nothing kept of its own.
class WorksheetsView : public HostObject {
 public:
  explicit WorksheetsView(HostCollection* tabs) : HostObject(L"Worksheets"), tabs_(tabs) {
    Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(Sheets().size())); }));
    Define(L"Item", ItemByIndexOrName(
                        [this](size_t i) -> HostObject* {
                          const std::vector<HostObject*> sheets = Sheets();
                          return i < sheets.size() ? sheets[i] : nullptr;
                        },
                        [this](const std::wstring& name) -> HostObject* {
                          for (HostObject* s : Sheets())
                            if (Lower(SheetName(s)) == name) return s;
                          return nullptr;
                        }));
  }

 private:
  std::vector<HostObject*> Sheets() const {
    std::vector<HostObject*> out;
    for (size_t i = 0; i < tabs_->size(); ++i)
      if (tabs_->At(i)->kind() == L"Worksheet") out.push_back(tabs_->At(i));
    return out;
  }
  HostCollection* tabs_;
};

}  // namespace

ChartSheet::ChartSheet(HostObject* application, const std::wstring& name) : HostObject(L"Chart") {
  DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  DefineValue(L"Visible", I4(-1), VT_I4);
  DefineObject(L"Application", [application] { return application; });
}

std::wstring SheetName(const HostObject* sheet) {
  const OwnedVariant& name = const_cast<HostObject*>(sheet)->Value(L"Name");
  return name.vt == VT_BSTR ? std::wstring(name.bstrVal, SysStringLen(name.bstrVal)) : std::wstring();
}

korvel::ComPtr<HostObject> AttachSheetTabs(Workbook* book, HostObject* application) {
  HostCollection* tabs = book->sheets();
  auto view = korvel::ComPtr<HostObject>::Adopt(new WorksheetsView(tabs));
  book->DefineObject(L"Worksheets", [book] { return book->worksheets(); });
  // Sheets.Add(): "Sheet<n>", n one more than the sheets made in this book so far (passing over names in
  // use), before the active sheet of this book, and activated.
  auto made = std::make_shared<int>(static_cast<int>(tabs->size()));
  tabs->Define(L"Add", [book, tabs, application, made](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    auto* app = static_cast<Application*>(application);
    std::wstring name;
    do name = L"Sheet" + std::to_wstring(++*made);
    while (tabs->Find(name));
    HostObject* active = app->active_workbook() == book ? static_cast<HostObject*>(app->active_sheet()) : nullptr;
    const size_t at = active ? tabs->IndexOf(active) : 0;
    Worksheet* sheet = AddWorksheet(book, name, at);
    app->set_active_sheet(sheet);
    return HostObject::GiveObject(call, sheet);
  });
  return view;
}

ChartSheet* AddChartSheet(Workbook* book, const std::wstring& name, size_t position) {
  auto* chart = new ChartSheet(ObjectModel::Get().application(), name);
  book->sheets()->Insert(position, korvel::ComPtr<HostObject>::Adopt(chart));
  return chart;
}

Worksheet* AddWorksheet(Workbook* book, const std::wstring& name, size_t position) {
  auto* sheet = new Worksheet(ObjectModel::Get().application(), name);
  book->sheets()->Insert(position, korvel::ComPtr<HostObject>::Adopt(sheet));
  return sheet;
}

Workbook* WorkbookOfSheet(const HostObject* sheet) {
  HostCollection* books = ObjectModel::Get().application()->workbooks();
  for (size_t i = 0; i < books->size(); ++i) {
    auto* book = static_cast<Workbook*>(books->At(i));
    if (book->sheets()->IndexOf(sheet) < book->sheets()->size()) return book;
  }
  return nullptr;
}

}  // namespace korvel::standin
