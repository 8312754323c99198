// Lookup worksheet functions: the value at the position of the first exact, case-sensitive match, in
// row-by-row order. VLOOKUP3 reads arrays in place; VlookupXLL also takes references and lets the host
// convert each cell to the type of the value sought.
#include <optional>

#include "functions/lookup_values.h"
#include "functions/result_records.h"
#include "host/host_call.h"
#include "host/xl_owners.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// The record's value sought and found: numbers and texts only.
bool Searchable(const XLOPER12& find) { return find.xltype == xltypeNum || find.xltype == xltypeStr; }

XLOPER12 IntegerRecord(int value) {
  XLOPER12 x{};
  x.xltype = xltypeInt;
  x.val.w = value;
  return x;
}

// Asks the host for the value of the cell at `position`, converted to `type`. The record comes back only
// when the host succeeded; a failed call leaves nothing to give back, so `value` then holds nothing.
int CoerceCell(const CellCollection& c, long long position, int type, HostResult& value) {
  XlAreaList room{};
  XLOPER12 cell = c.CellAt(position, room);
  XLOPER12 target = IntegerRecord(type);
  const int code = Excel12(xlCoerce, value.get(), 2, &cell, &target);
  if (code == xlretSuccess) value.TakenFromHost();
  else *value.get() = XLOPER12{{}, xltypeMissing};
  return code;
}

// 0-based position of the first cell whose converted value matches `find`; null when none does or a cell
// is not yet calculated. A cell that the host cannot convert is passed over.
std::optional<long long> FindInCells(const CellCollection& c, const XLOPER12& find) {
  for (long long i = 0; i < c.count; ++i) {
    HostResult value;
    const int code = CoerceCell(c, i, static_cast<int>(KindOf(find)), value);
    if (code == xlretUncalced) return std::nullopt;
    if (code != xlretSuccess) continue;
    if (SameValue(*value.get(), find)) return i;
  }
  return std::nullopt;
}

// The cell's number, text, boolean, error or empty value, copied into `result`; the host's record goes
// back at once. Any answer but success leaves `result` as it was.
constexpr int kAnyCellValue = xltypeNum | xltypeStr | xltypeBool | xltypeErr | xltypeNil;  // 279

void ReadCellInto(const CellCollection& c, long long position, XLOPER12& result) {
  HostResult value;
  if (CoerceCell(c, position, kAnyCellValue, value) != xlretSuccess) return;
  const XLOPER12& v = *value;
  if (CopyNumberOrText(v, result)) return;
  switch (KindOf(v)) {
    case xltypeBool:
    case xltypeErr:
    case xltypeNil:
      FreeXLOper(&result);
      result.xltype = KindOf(v) | xlbitDLLFree;
      result.val = v.val;
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" {

XLOPER12* __stdcall VlookupXLL(XLOPER12* array_find, XLOPER12* find, XLOPER12* array_result) {
  try {
    const std::optional<CellCollection> in = CellCollection::Of(array_find);
    const std::optional<CellCollection> out = CellCollection::Of(array_result);
    if (!in || !out || in->count != out->count) return nullptr;
    XLOPER12* result = NewErrorResult(xlerrNA);
    if (!result) return nullptr;
    try {
      // Only a number or a text can match: a cell converted to any other type stops the scan with #N/A.
      if (!find || !Searchable(*find)) return result;
      const std::optional<long long> at =
          in->kind == CellCollection::Kind::kArray ? FindInElements(*in, *find) : FindInCells(*in, *find);
      if (!at) return result;
      if (out->kind == CellCollection::Kind::kArray) CopyNumberOrText(out->elements[*at], *result);
      else ReadCellInto(*out, *at, *result);
    } catch (...) {
      // Copies are made whole before the record changes: it holds #N/A or a finished value.
    }
    return result;
  } catch (...) {
    return nullptr;
  }
}

XLOPER12* __stdcall VLOOKUP3(XLOPER12* array_find, XLOPER12* array_result, XLOPER12* find) {
  XLOPER12* result = NewErrorResult(xlerrNA);
  if (!result) return nullptr;
  try {
    if (!array_find || !array_result || array_find->xltype != xltypeMulti || array_result->xltype != xltypeMulti)
      return result;
    const std::optional<CellCollection> in = CellCollection::Of(array_find);
    const std::optional<CellCollection> out = CellCollection::Of(array_result);
    if (!in || !out || in->count != out->count || !find || !Searchable(*find)) return result;
    if (find->xltype == xltypeStr && (!find->val.str || !find->val.str[0])) return result;
    const std::optional<long long> at = FindInElements(*in, *find);
    if (!at) return result;
    const XLOPER12& partner = out->elements[*at];
    if (partner.xltype == xltypeStr && (!partner.val.str || !partner.val.str[0])) {
      FreeXLOper(result);
      result->xltype = xltypeNum | xlbitDLLFree;
      result->val.num = 0;
    } else {
      CopyNumberOrText(partner, *result);
    }
  } catch (...) {
  }
  return result;
}

}
