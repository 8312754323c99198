#include "object_model/workbooks.h"

#include "object_model/member_helpers.h"
#include "object_model/hyperlinks.h"
#include "object_model/names.h"
#include "object_model/sheet_tabs.h"
#include "object_model/vba_projects.h"

namespace korvel::standin {

Worksheet::Worksheet(HostObject* application, const std::wstring& name) : HostObject(L"Worksheet") {
  DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  DefineValue(L"DisplayPageBreaks", Bool(true), VT_BOOL);
  DefineValue(L"Visible", I4(-1), VT_I4);
  DefineObject(L"Application", [application] { return application; });
  shapes_ = korvel::ComPtr<HostObject>::Adopt(new Shapes(this));
  DefineObject(L"Shapes", [this] { return shapes_.get(); });
  AttachHyperlinks(this);
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
  worksheets_ = AttachSheetTabs(this, application);
  names_ = MakeNames();
  DefineObject(L"Names", [this] { return names_.get(); });
  AttachVbaProject(this);
}

}  // namespace korvel::standin
