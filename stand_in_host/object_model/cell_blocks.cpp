#include "object_model/cell_blocks.h"

#include "object_model/member_helpers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

CellBlock::CellBlock(Worksheet* sheet, LONG row, LONG column, LONG rows, LONG columns)
    : HostObject(L"Range"), sheet_(sheet), row_(row), column_(column), rows_(rows), columns_(columns) {
  Define(L"Row", ReadOnly([this] { return I4(row_); }));
  Define(L"Column", ReadOnly([this] { return I4(column_); }));
  Define(L"Count", ReadOnly([this] { return I4(rows_ * columns_); }));
  Define(L"Address", ReadOnly([this] {
    return Text((A1Address(row_, column_) + L":" + A1Address(row_ + rows_ - 1, column_ + columns_ - 1)).c_str());
  }));
  // A block starts where its first cell starts.
  Define(L"Left", ReadOnly([this] { OwnedVariant v; v.vt = VT_R8; v.dblVal = 48.0 * (column_ - 1); return v; }));
  Define(L"Top", ReadOnly([this] { OwnedVariant v; v.vt = VT_R8; v.dblVal = 15.0 * (row_ - 1); return v; }));
  Define(L"Cells", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 2) return DISP_E_BADPARAMCOUNT;
    LONG row = 0, column = 0;
    if (!ToLong(call.args[0], row) || !ToLong(call.args[1], column)) return DISP_E_TYPEMISMATCH;
    if (row < 1 || column < 1 || row_ + row - 1 > 1048576 || column_ + column - 1 > 16384) return DISP_E_BADINDEX;
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, sheet_->Cell(row_ + row - 1, column_ + column - 1));
  });
  DefineObject(L"Worksheet", [this] { return static_cast<HostObject*>(sheet_); });
  DefineObject(L"Parent", [this] { return static_cast<HostObject*>(sheet_); });
}

}  // namespace korvel::standin
