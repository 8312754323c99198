#include "object_model/ranges.h"

#include "cells/cell_store.h"

#include "object_model/member_helpers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

std::wstring A1Address(LONG row, LONG column) { return L"$" + ColumnLetters(column) + L"$" + std::to_wstring(row); }

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
  // Cells(row, column) counted from this cell, as within any range.
  Define(L"Cells", [this, sheet](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 2) return DISP_E_BADPARAMCOUNT;
    LONG row = 0, column = 0;
    if (!ToLong(call.args[0], row) || !ToLong(call.args[1], column)) return DISP_E_TYPEMISMATCH;
    if (row < 1 || column < 1 || row_ + row - 1 > 1048576 || column_ + column - 1 > 16384) return DISP_E_BADINDEX;
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, sheet->Cell(row_ + row - 1, column_ + column - 1));
  });
  DefineObject(L"Interior", [this] { return interior_.get(); });
  DefineObject(L"Worksheet", [sheet] { return static_cast<HostObject*>(sheet); });
  DefineObject(L"Parent", [sheet] { return static_cast<HostObject*>(sheet); });
}

}  // namespace korvel::standin
