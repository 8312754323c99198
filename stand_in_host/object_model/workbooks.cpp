#include "object_model/workbooks.h"

#include <algorithm>

#include "object_model/member_helpers.h"
#include "object_model/vba_projects.h"

namespace korvel::standin {

Worksheet::Worksheet(HostObject* application, const std::wstring& name) : HostObject(L"Worksheet") {
  DefineValue(L"Name", Text(name.c_str()), VT_BSTR);
  DefineValue(L"DisplayPageBreaks", Bool(true), VT_BOOL);
  DefineValue(L"Visible", I4(-1), VT_I4);
  DefineObject(L"Application", [application] { return application; });
  shapes_ = korvel::ComPtr<HostObject>::Adopt(new Shapes(this));
  DefineObject(L"Shapes", [this] { return shapes_.get(); });
  DefineCellMembers();
}

namespace {

// An address text or a Range of the stand-in as the corner of a Range(cell1, cell2).
bool ReadCorner(Worksheet* sheet, const VARIANT* v, Areas& out) {
  if (v && v->vt == VT_BSTR) return ParseAreas(std::wstring(v->bstrVal, SysStringLen(v->bstrVal)), out);
  if (v && v->vt == VT_DISPATCH && v->pdispVal)
    if (auto* range = dynamic_cast<Range*>(v->pdispVal); range && range->sheet() == sheet) {
      out = range->areas();
      return true;
    }
  return false;
}

}  // namespace

void Worksheet::DefineCellMembers() {
  // Cells: the whole sheet, whose Item(row, column) is a cell.
  all_cells_ = korvel::ComPtr<HostObject>::Adopt(new Range(this, Areas{Area{1, 1, kSheetRows, kSheetColumns}}));
  DefineObject(L"Cells", [this] { return all_cells_.get(); });
  // Range("A1"), Range("B2:C3,E5"), Range(cell1, cell2) (the rectangle that holds both).
  Define(L"Range", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.empty() || call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
    Areas first, second;
    if (!ReadCorner(this, call.args[0], first)) return DISP_E_EXCEPTION;
    if (call.args.size() == 2 && call.args[1]->vt != VT_ERROR) {
      if (!ReadCorner(this, call.args[1], second)) return DISP_E_EXCEPTION;
      const Area& a = first.front();
      const Area& b = second.front();
      first = Areas{Area{std::min(a.first_row, b.first_row), std::min(a.first_column, b.first_column),
                         std::max(a.last_row, b.last_row), std::max(a.last_column, b.last_column)}};
    }
    Call plain = call;
    plain.args.clear();
    return Range::Give(plain, this, first);
  });
}

std::wstring Worksheet::name() const {
  const OwnedVariant& n = const_cast<Worksheet*>(this)->Value(L"Name");
  return n.vt == VT_BSTR ? std::wstring(n.bstrVal, SysStringLen(n.bstrVal)) : std::wstring();
}

Range* Worksheet::Cell(LONG row, LONG column) {
  auto& cell = cell_objects_[{row, column}];
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
  AttachVbaProject(this);
}

}  // namespace korvel::standin
