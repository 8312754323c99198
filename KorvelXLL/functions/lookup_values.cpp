#include "functions/lookup_values.h"

#include <cstring>
#include <memory>

#include "host/xl_records.h"

namespace korvel::xll {
namespace {

long long CellsOf(const XlArea& a) {
  const long long rows = static_cast<long long>(a.rwLast) - a.rwFirst + 1;
  const long long columns = static_cast<long long>(a.colLast) - a.colFirst + 1;
  return rows > 0 && columns > 0 ? rows * columns : 0;
}

}  // namespace

std::optional<CellCollection> CellCollection::Of(const XLOPER12* record) {
  if (!record) return std::nullopt;
  CellCollection c{};
  switch (record->xltype) {
    case xltypeSRef:
      c.kind = Kind::kSheetRef;
      c.area = record->val.sref.ref;
      break;
    case xltypeRef:
      if (!record->val.mref.lpmref || record->val.mref.lpmref->count < 1) return std::nullopt;
      c.kind = Kind::kRef;
      c.area = record->val.mref.lpmref->reftbl[0];
      c.sheet = record->val.mref.idSheet;
      break;
    case xltypeMulti: {
      const long long rows = record->val.array.rows;
      const long long columns = record->val.array.columns;
      if (!record->val.array.lparray || rows <= 0 || columns <= 0) return std::nullopt;
      c.kind = Kind::kArray;
      c.elements = record->val.array.lparray;
      c.count = rows * columns;
      c.width = columns;
      return c;
    }
    default:
      return std::nullopt;
  }
  c.count = CellsOf(c.area);
  if (!c.count) return std::nullopt;
  c.width = static_cast<long long>(c.area.colLast) - c.area.colFirst + 1;
  return c;
}

XLOPER12 CellCollection::CellAt(long long position, XlAreaList& room) const {
  XlArea cell{};
  cell.rwFirst = cell.rwLast = static_cast<XlRow>(area.rwFirst + position / width);
  cell.colFirst = cell.colLast = static_cast<XlColumn>(area.colFirst + position % width);
  XLOPER12 ref{};
  if (kind == Kind::kSheetRef) {
    ref.xltype = xltypeSRef;
    ref.val.sref.count = 1;
    ref.val.sref.ref = cell;
  } else {
    room.count = 1;
    room.reftbl[0] = cell;
    ref.xltype = xltypeRef;
    ref.val.mref.lpmref = &room;
    ref.val.mref.idSheet = sheet;
  }
  return ref;
}

bool SameValue(const XLOPER12& candidate, const XLOPER12& find) {
  if (KindOf(candidate) != KindOf(find)) return false;
  if (KindOf(find) == xltypeNum) return candidate.val.num == find.val.num;
  if (KindOf(find) != xltypeStr) return false;
  const wchar_t* a = candidate.val.str;
  const wchar_t* b = find.val.str;
  if (!a || !b) return a == b;
  return a[0] == b[0] && std::wmemcmp(a + 1, b + 1, static_cast<unsigned short>(b[0])) == 0;
}

std::optional<long long> FindInElements(const CellCollection& c, const XLOPER12& find) {
  const XLOPER12* e = c.elements;
  // One loop per kind sought: a lookup over a million elements is a tight scan of their type words.
  if (KindOf(find) == xltypeNum) {
    const double sought = find.val.num;
    for (long long i = 0; i < c.count; ++i)
      if (KindOf(e[i]) == xltypeNum && e[i].val.num == sought) return i;
    return std::nullopt;
  }
  for (long long i = 0; i < c.count; ++i)
    if (KindOf(e[i]) == xltypeStr && SameValue(e[i], find)) return i;
  return std::nullopt;
}

bool CopyNumberOrText(const XLOPER12& value, XLOPER12& result) {
  if (KindOf(value) == xltypeNum) {
    FreeXLOper(&result);
    result.xltype = xltypeNum | xlbitDLLFree;
    result.val.num = value.val.num;
    return true;
  }
  if (KindOf(value) != xltypeStr) return false;
  const unsigned short count = value.val.str ? static_cast<unsigned short>(value.val.str[0]) : 0;
  auto buffer = std::make_unique<wchar_t[]>(count + 2u);
  buffer[0] = static_cast<wchar_t>(count);
  if (count) std::wmemcpy(buffer.get() + 1, value.val.str + 1, count);
  buffer[count + 1] = L'\0';
  FreeXLOper(&result);
  result.xltype = xltypeStr | xlbitDLLFree;
  result.val.str = buffer.release();
  return true;
}

}  // namespace korvel::xll
