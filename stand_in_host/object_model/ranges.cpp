#include "object_model/ranges.h"

#include "common/safearray_access.h"
#include "object_model/cell_values.h"
#include "object_model/member_helpers.h"
#include "object_model/object_model.h"
#include "object_model/sheet_extras.h"
#include "object_model/sheet_geometry.h"

namespace korvel::standin {
namespace {

// Beyond this many cells Value and Formula refuse with the host's out-of-memory answer instead of building
// an array of the whole sheet.
constexpr int64_t kMaxArrayCells = int64_t{1} << 24;

// The host's End directions.
constexpr LONG kUp = -4162, kDown = -4121, kToLeft = -4159, kToRight = -4161;

bool Omitted(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }

// An index or size of any integer type (VT_I2, VT_I4, VT_I8, VT_UI8, ...) or an integral number.
bool ToIndex(const VARIANT* v, int64_t& out) {
  if (!v || v->vt == VT_BSTR || v->vt == VT_DISPATCH || v->vt == VT_EMPTY) return false;
  OwnedVariant copy;
  if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_I8))) return false;
  out = copy.llVal;
  return true;
}

bool InSheet(int64_t row, int64_t column) {
  return row >= 1 && row <= kSheetRows && column >= 1 && column <= kSheetColumns;
}

bool Holds(const SheetCells& cells, LONG row, LONG column) {
  const Cell* cell = cells.Find(row, column);
  return cell && (!cell->value.empty() || cell->has_formula());
}

OwnedVariant Real(double v) {
  OwnedVariant o;
  o.vt = VT_R8;
  o.dblVal = v;
  return o;
}

bool Putable(const VARIANT& v) {
  return !(v.vt & (VT_ARRAY | VT_BYREF)) && v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN;
}

// An object whose Count is a fixed number: what Rows and Columns give, for their Count.
HRESULT GiveCounter(HostObject::Call& call, LONG count) {
  auto counter = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Range"));
  counter->MarkMadeForCall();
  counter->Define(L"Count", ReadOnly([count] { return I4(count); }));
  return HostObject::GiveObject(call, counter.get());
}

}  // namespace

std::wstring A1Address(LONG row, LONG column) { return AddressOf(Areas{Area{row, column, row, column}}); }

Range::Range(Worksheet* sheet, Areas areas) : HostObject(L"Range"), sheet_(sheet), areas_(std::move(areas)) {
  if (areas_.empty()) areas_.push_back(Area{});
  DefineValueMembers();
  DefineNavigationMembers();
  DefineShapeMembers();
  DefineObject(L"Worksheet", [sheet] { return static_cast<HostObject*>(sheet); });
  DefineObject(L"Parent", [sheet] { return static_cast<HostObject*>(sheet); });
  AttachRangeExtras(this);
}

int64_t Range::count() const {
  int64_t n = 0;
  for (const Area& a : areas_) n += a.count();
  return n;
}

HRESULT Range::Give(Call& call, Worksheet* sheet, const Areas& areas) {
  if (!sheet || areas.empty()) return DISP_E_EXCEPTION;
  if (areas.size() == 1 && areas.front().count() == 1)
    return GiveObject(call, sheet->Cell(areas.front().first_row, areas.front().first_column));
  auto made = korvel::ComPtr<HostObject>::Adopt(new Range(sheet, areas));
  made->MarkMadeForCall();
  return GiveObject(call, made.get());
}

// ---- Values: Value and Formula (a scalar for one cell, else a 2-D array of the first area), ClearContents.

void Range::DefineValueMembers() {
  Define(L"Value", [this](Call& call) { return call.is_put() ? PutValues(call) : GetValues(call, false); });
  Define(L"Formula", [this](Call& call) { return call.is_put() ? PutValues(call) : GetValues(call, true); });
  Define(L"ClearContents", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    for (const Area& a : areas_) sheet_->cells().ClearArea(a);
    return GiveValue(call, Bool(true));
  });
  DefineValue(L"NumberFormat", Text(L"General"));
}

HRESULT GiveAreaValues(HostObject::Call& call, const Area& a, const std::function<OwnedVariant(LONG, LONG)>& one) {
  if (a.count() == 1) return GiveValue(call, one(a.first_row, a.first_column));
  if (a.count() > kMaxArrayCells) return E_OUTOFMEMORY;
  SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(a.rows()), 1}, {static_cast<ULONG>(a.columns()), 1}};
  UniqueSafeArray array(SafeArrayCreate(VT_VARIANT, 2, bounds));
  if (!array.get()) return E_OUTOFMEMORY;
  {
    SafeArrayLock lock(array.get());
    if (FAILED(lock.status())) return lock.status();
    auto* data = lock.data<VARIANT>();
    // The first index (the row) varies fastest in the array's memory.
    for (LONG r = 0; r < a.rows(); ++r)
      for (LONG c = 0; c < a.columns(); ++c) {
        OwnedVariant v = one(a.first_row + r, a.first_column + c);
        data[static_cast<size_t>(c) * static_cast<size_t>(a.rows()) + r] = v;
        VariantInit(&v);  // handed to the array
      }
  }
  if (!call.result) return S_OK;
  VariantInit(call.result);
  call.result->vt = VT_ARRAY | VT_VARIANT;
  call.result->parray = array.release();
  return S_OK;
}

HRESULT Range::GetValues(Call& call, bool formulas) {
  if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
  const SheetCells& cells = sheet_->cells();
  return GiveAreaValues(call, areas_.front(), [&](LONG r, LONG c) {
    const Cell* cell = cells.Find(r, c);
    return formulas ? Text(FormulaText(cell).c_str()) : ToVariant(cell ? cell->value : CellValue());
  });
}

HRESULT Range::PutValues(Call& call) {
  if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
  const VARIANT* value = call.value;
  if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
  SheetCells& cells = sheet_->cells();
  std::vector<OwnedVariant> elements;
  int64_t rows = 1, columns = 1;
  if (value->vt & VT_ARRAY) {
    SAFEARRAY* psa = (value->vt & VT_BYREF) ? (value->pparray ? *value->pparray : nullptr) : value->parray;
    if (!psa || (psa->cDims != 1 && psa->cDims != 2)) return DISP_E_TYPEMISMATCH;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(psa, &type))) return DISP_E_TYPEMISMATCH;
    LONG low0 = 0, high0 = -1, low1 = 0, high1 = 0;
    SafeArrayGetLBound(psa, 1, &low0);
    SafeArrayGetUBound(psa, 1, &high0);
    if (psa->cDims == 2) {
      SafeArrayGetLBound(psa, 2, &low1);
      SafeArrayGetUBound(psa, 2, &high1);
    }
    // One dimension is one row, as the host spreads it.
    rows = psa->cDims == 2 ? int64_t{high0} - low0 + 1 : 1;
    columns = psa->cDims == 2 ? int64_t{high1} - low1 + 1 : int64_t{high0} - low0 + 1;
    if (rows < 1 || columns < 1 || rows * columns > kMaxArrayCells) return DISP_E_TYPEMISMATCH;
    for (int64_t r = 0; r < rows; ++r)
      for (int64_t c = 0; c < columns; ++c) {
        LONG index[2];
        if (psa->cDims == 2) {
          index[0] = static_cast<LONG>(low0 + r);
          index[1] = static_cast<LONG>(low1 + c);
        } else {
          index[0] = static_cast<LONG>(low0 + c);
        }
        OwnedVariant e;
        HRESULT hr;
        if (type == VT_VARIANT) {
          hr = SafeArrayGetElement(psa, index, &e);
        } else {
          hr = SafeArrayGetElement(psa, index, &e.llVal);
          if (SUCCEEDED(hr)) e.vt = type;
        }
        if (FAILED(hr) || !Putable(e)) return DISP_E_TYPEMISMATCH;
        elements.push_back(std::move(e));
      }
  } else {
    if (!Putable(*value)) return DISP_E_TYPEMISMATCH;
    elements.emplace_back(*value);
  }
  // The host calculates an entered formula at once unless its calculation is manual (-4135).
  const OwnedVariant& mode = ObjectModel::Get().application()->Value(L"Calculation");
  const bool calculate = !(mode.vt == VT_I4 && mode.lVal == -4135);
  const bool clears = elements.size() == 1 && (elements[0].vt == VT_EMPTY || elements[0].vt == VT_NULL);
  for (const Area& a : areas_) {
    if (clears) {
      cells.ClearArea(a);
      continue;
    }
    if (a.count() > kMaxArrayCells) return E_OUTOFMEMORY;
    // A single row or column repeats across the area; cells beyond a larger array get #N/A.
    for (LONG r = 0; r < a.rows(); ++r)
      for (LONG c = 0; c < a.columns(); ++c) {
        const int64_t er = rows == 1 ? 0 : r, ec = columns == 1 ? 0 : c;
        const LONG row = a.first_row + r, column = a.first_column + c;
        if (er >= rows || ec >= columns) {
          cells.SetValue(row, column, CellValue::Error(42));
          continue;
        }
        PutVariant(cells, row, column, elements[static_cast<size_t>(er * columns + ec)], calculate);
      }
  }
  return S_OK;
}

// ---- Navigation: Areas, Count, CountLarge, Item, Cells, Row, Column, Rows, Columns, Resize, End, Select.

void Range::DefineNavigationMembers() {
  Define(L"Areas", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    auto areas = korvel::ComPtr<HostCollection>::Adopt(new HostCollection(L"Areas"));
    areas->MarkMadeForCall();
    for (const Area& a : areas_) {
      if (a.count() == 1) {
        HostObject* cell = sheet_->Cell(a.first_row, a.first_column);
        cell->AddRef();
        areas->Append(korvel::ComPtr<HostObject>::Adopt(cell));
      } else {
        auto area = korvel::ComPtr<HostObject>::Adopt(new Range(sheet_, Areas{a}));
        area->MarkMadeForCall();
        areas->Append(area);
      }
    }
    return GiveObject(call, areas.get());
  });
  Define(L"Count", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    // Past the 32-bit range the host's Count overflows; CountLarge is for such ranges.
    if (count() > 0x7FFFFFFF) return DISP_E_OVERFLOW;
    return GiveValue(call, I4(static_cast<LONG>(count())));
  });
  Define(L"CountLarge", ReadOnly([this] {
    OwnedVariant v;
    if (ObjectModel::Get().count_large_type() == VT_R8) return Real(static_cast<double>(count()));
    v.vt = VT_I8;
    v.llVal = count();
    return v;
  }));
  // Item(row, column) counted from the first area's first cell; Item(n) row by row across its width.
  Define(L"Item", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.empty() || call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
    const Area& a = areas_.front();
    int64_t i = 0, j = 0;
    if (!ToIndex(call.args[0], i)) return DISP_E_TYPEMISMATCH;
    int64_t row = 0, column = 0;
    if (call.args.size() == 2 && !Omitted(call.args[1])) {
      if (!ToIndex(call.args[1], j)) return DISP_E_TYPEMISMATCH;
      row = a.first_row + i - 1;
      column = a.first_column + j - 1;
    } else {
      if (i < 1) return DISP_E_BADINDEX;
      row = a.first_row + (i - 1) / a.columns();
      column = a.first_column + (i - 1) % a.columns();
    }
    if (!InSheet(row, column)) return DISP_E_BADINDEX;
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, sheet_->Cell(static_cast<LONG>(row), static_cast<LONG>(column)));
  });
  // Cells(row, column) is Item within this range; without arguments, the range itself.
  DefineObject(L"Cells", [this] { return this; });
  Define(L"Row", ReadOnly([this] { return I4(row()); }));
  Define(L"Column", ReadOnly([this] { return I4(column()); }));
  Define(L"Rows", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    return GiveCounter(call, static_cast<LONG>(areas_.front().rows()));
  });
  Define(L"Columns", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    return GiveCounter(call, static_cast<LONG>(areas_.front().columns()));
  });
  Define(L"Address", ReadOnly([this] { return Text(AddressOf(areas_).c_str()); }));
  Define(L"Resize", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
    const Area& a = areas_.front();
    int64_t rows = a.rows(), columns = a.columns();
    if (call.args.size() >= 1 && !Omitted(call.args[0]) && !ToIndex(call.args[0], rows)) return DISP_E_TYPEMISMATCH;
    if (call.args.size() >= 2 && !Omitted(call.args[1]) && !ToIndex(call.args[1], columns))
      return DISP_E_TYPEMISMATCH;
    if (rows < 1 || columns < 1 || !InSheet(a.first_row + rows - 1, a.first_column + columns - 1))
      return DISP_E_EXCEPTION;
    Call plain = call;
    plain.args.clear();
    return Give(plain, sheet_,
                Areas{Area{a.first_row, a.first_column, static_cast<LONG>(a.first_row + rows - 1),
                           static_cast<LONG>(a.first_column + columns - 1)}});
  });
  // End(direction): where the host's Ctrl+arrow goes from the first cell: to the end of a run of cells that
  // hold something, or over empty cells to the next one that does, or to the sheet's edge.
  Define(L"End", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    int64_t direction = 0;
    if (!ToIndex(call.args[0], direction)) return DISP_E_TYPEMISMATCH;
    LONG dr = 0, dc = 0;
    switch (direction) {
      case kUp: dr = -1; break;
      case kDown: dr = 1; break;
      case kToLeft: dc = -1; break;
      case kToRight: dc = 1; break;
      default: return DISP_E_EXCEPTION;
    }
    const SheetCells& cells = sheet_->cells();
    LONG r = row(), c = column();
    if (InSheet(r + dr, c + dc)) {
      if (Holds(cells, r, c) && Holds(cells, r + dr, c + dc)) {
        while (InSheet(r + dr, c + dc) && Holds(cells, r + dr, c + dc)) r += dr, c += dc;
      } else {
        r += dr, c += dc;
        while (!Holds(cells, r, c) && InSheet(r + dr, c + dc)) r += dr, c += dc;
      }
    }
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, sheet_->Cell(r, c));
  });
  // Select makes the range the sheet's selection, on the active sheet only, as the host allows.
  Define(L"Select", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (ObjectModel::Get().application()->active_sheet() != sheet_) return DISP_E_EXCEPTION;
    sheet_->cells().Select(areas_);
    return GiveValue(call, Bool(true));
  });
}

// ---- Where the range lies on the page (the sheet's layout, sheet_geometry.h), Interior.

void Range::DefineShapeMembers() {
  interior_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Interior"));
  interior_->DefineValue(L"Color", I4(16777215), VT_I4);
  interior_->DefineValue(L"ColorIndex", I4(-4142), VT_I4);
  DefineGeometryMembers(this);
  DefineObject(L"Interior", [this] { return interior_.get(); });
}

}  // namespace korvel::standin
