// The host's C API functions over cells: xlSheetId, xlCoerce, xlSet, xlfSelection, xlcSelect,
// xlcSelectLastCell and xlcCalculateNow, on the cells and selections that the object model shows too
// (cells/cell_store.h). Strings, arrays (with their strings) and area tables that they hand out are host memory, counted until
// xlFree. A call that the host cannot carry out returns its code (xlretFailed, or xlretUncalced for a cell
// not yet calculated) and leaves the result record as it was.
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <optional>

#include "c_api.h"
#include "calculation.h"
#include "host_numbers.h"
#include "object_model/object_model.h"

namespace korvel::standin {

using namespace hostapi;

namespace {

// Beyond this many cells a coerced array or a filled reference is refused, as the host refuses what it has
// no memory for; a test of the add-in's limits stays within it.
constexpr int64_t kMaxArrayCells = int64_t{1} << 24;
constexpr DWORD kScalarKinds = xltypeNum | xltypeStr | xltypeBool | xltypeErr | xltypeNil | xltypeInt;

Application* App() { return ObjectModel::Get().application(); }

DWORD Kind(const XLOPER12* r) { return r ? r->xltype & ~(xlbitXLFree | xlbitDLLFree) : 0; }

Area FromXl(const XlArea& a) { return Area{a.rwFirst + 1, a.colFirst + 1, a.rwLast + 1, a.colLast + 1}; }

XlArea ToXl(const Area& a) { return XlArea{a.first_row - 1, a.last_row - 1, a.first_column - 1, a.last_column - 1}; }

void CommandDone(XLOPER12* result) {
  if (!result) return;
  *result = XLOPER12{};
  result->xltype = xltypeBool;
  result->val.xbool = TRUE;
}

// The sheet and areas a reference names: xltypeSRef on the current sheet, xltypeRef on the sheet of its id.
struct Target {
  Worksheet* sheet = nullptr;
  Areas areas;
};

bool ReadReference(const XLOPER12* r, Target& target) {
  Target t;
  switch (Kind(r)) {
    case xltypeSRef:
      if (r->val.sref.count != 1) return false;
      // A reference without a sheet lies on the sheet being calculated, else on the active one.
      t.sheet = Calculation::Get().sheet() ? Calculation::Get().sheet() : App() ? App()->active_sheet() : nullptr;
      t.areas.push_back(FromXl(r->val.sref.ref));
      break;
    case xltypeRef:
      if (!r->val.mref.lpmref || r->val.mref.lpmref->count == 0) return false;
      t.sheet = App() ? App()->SheetById(r->val.mref.idSheet) : nullptr;
      for (WORD i = 0; i < r->val.mref.lpmref->count; ++i) t.areas.push_back(FromXl(r->val.mref.lpmref->reftbl[i]));
      break;
    default: return false;
  }
  if (!t.sheet) return false;
  for (const Area& a : t.areas)
    if (!a.Valid()) return false;
  target = std::move(t);
  return true;
}

// A value record as a cell would hold it; false for a kind no cell holds (references, arrays, flow).
bool ReadScalar(const XLOPER12* r, CellValue& out) {
  switch (Kind(r)) {
    case xltypeNum: out = CellValue(r->val.num); return true;
    case xltypeInt: out = CellValue(r->val.w); return true;
    case xltypeBool: out = CellValue::Bool(r->val.xbool != 0); return true;
    case xltypeErr: out = CellValue::Error(r->val.err); return true;
    case xltypeStr:
      if (!r->val.str) return false;
      out = CellValue(std::wstring(r->val.str + 1, static_cast<unsigned short>(r->val.str[0])));
      return true;
    case xltypeNil:
    case xltypeMissing: out = CellValue(); return true;
    default: return false;
  }
}

// A value converted to a record kind, before it is written out.
struct Converted {
  DWORD type = xltypeNil;
  CellValue value;  // number for xltypeNum and xltypeInt, text, boolean or error
};

DWORD NaturalKind(const CellValue& v) {
  switch (v.kind) {
    case CellValue::Kind::kNumber: return xltypeNum;
    case CellValue::Kind::kText: return xltypeStr;
    case CellValue::Kind::kBool: return xltypeBool;
    case CellValue::Kind::kError: return xltypeErr;
    case CellValue::Kind::kEmpty: return xltypeNil;
  }
  return xltypeNil;
}

// A text as a number, as the host reads one typed into a cell: digits with a sign, a point and an exponent,
// spaces around; nothing else (no hexadecimal, no "inf").
bool TextToNumber(const std::wstring& text, double& out) {
  size_t first = text.find_first_not_of(L' ');
  size_t last = text.find_last_not_of(L' ');
  if (first == std::wstring::npos) return false;
  const std::wstring t = text.substr(first, last - first + 1);
  bool digit = false;
  for (wchar_t c : t) {
    if (std::iswdigit(c) && c < 0x80) digit = true;
    else if (c != L'.' && c != L'+' && c != L'-' && c != L'e' && c != L'E') return false;
  }
  if (!digit) return false;
  wchar_t* end = nullptr;
  const double n = std::wcstod(t.c_str(), &end);
  if (!end || *end != 0 || !std::isfinite(n)) return false;
  out = n;
  return true;
}

// A number as the host writes it in text: up to 15 significant digits.
std::wstring NumberToText(double n) {
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%.15G", n);
  return buffer;
}

bool ConvertTo(const CellValue& v, DWORD type, Converted& out) {
  using K = CellValue::Kind;
  out.type = type;
  switch (type) {
    case xltypeNum:
    case xltypeInt: {
      double n = 0;
      if (v.kind == K::kNumber) n = v.number;
      else if (v.kind == K::kBool) n = v.boolean ? 1 : 0;
      else if (v.kind == K::kText && !TextToNumber(v.text, n)) return false;
      else if (v.kind == K::kError) return false;
      if (type == xltypeInt) {
        n = std::round(n);
        if (n < -2147483648.0 || n > 2147483647.0) return false;
      }
      out.value = CellValue(n);
      return true;
    }
    case xltypeStr:
      if (v.kind == K::kError) return false;
      out.value = v.kind == K::kText     ? v
                  : v.kind == K::kNumber ? CellValue(NumberToText(v.number))
                  : v.kind == K::kBool   ? CellValue(v.boolean ? L"TRUE" : L"FALSE")
                                         : CellValue(L"");
      return true;
    case xltypeBool:
      if (v.kind == K::kNumber) out.value = CellValue::Bool(v.number != 0);
      else if (v.kind == K::kBool) out.value = v;
      else if (v.kind == K::kEmpty) out.value = CellValue::Bool(false);
      else if (v.kind == K::kText && _wcsicmp(v.text.c_str(), L"TRUE") == 0) out.value = CellValue::Bool(true);
      else if (v.kind == K::kText && _wcsicmp(v.text.c_str(), L"FALSE") == 0) out.value = CellValue::Bool(false);
      else return false;
      return true;
    case xltypeErr:
      if (v.kind != K::kError) return false;
      out.value = v;
      return true;
    case xltypeNil:
      if (v.kind != K::kEmpty) return false;
      out.value = v;
      return true;
    default: return false;
  }
}

// The value in its own kind when the mask holds that kind, else the first kind of the mask it converts to.
bool Coerce(const CellValue& v, DWORD mask, Converted& out) {
  if (mask & NaturalKind(v)) return ConvertTo(v, NaturalKind(v), out);
  for (DWORD kind : {xltypeNum, xltypeStr, xltypeBool, xltypeInt, xltypeErr, xltypeNil})
    if ((mask & kind) && ConvertTo(v, kind, out)) return true;
  return false;
}

// Counted strings of host memory inside an array, freed with it.
struct HostArray {
  std::unique_ptr<XLOPER12[]> records;
  std::vector<std::unique_ptr<wchar_t[]>> strings;
};

wchar_t* CountedCopy(const std::wstring& text, std::vector<std::unique_ptr<wchar_t[]>>& owner) {
  const size_t n = text.size() > 32767 ? 32767 : text.size();
  auto buffer = std::make_unique<wchar_t[]>(n + 2);
  buffer[0] = static_cast<wchar_t>(n);
  for (size_t i = 0; i < n; ++i) buffer[i + 1] = text[i];
  owner.push_back(std::move(buffer));
  return owner.back().get();
}

// One element or scalar result: strings go into `strings` (an array's) or are handed out on their own.
void Write(const Converted& c, XLOPER12& record, std::vector<std::unique_ptr<wchar_t[]>>* strings) {
  record = XLOPER12{};
  record.xltype = c.type;
  switch (c.type) {
    case xltypeNum: record.val.num = c.value.number; break;
    case xltypeInt: record.val.w = static_cast<int>(c.value.number); break;
    case xltypeBool: record.val.xbool = c.value.boolean; break;
    case xltypeErr: record.val.err = c.value.error; break;
    case xltypeStr:
      if (strings) record.val.str = CountedCopy(c.value.text, *strings);
      else CApi::Get().HandOutString(&record, c.value.text);
      break;
    default: record.xltype = xltypeNil; break;
  }
}

// Hands out an array of `rows` x `columns` elements, each given by `element(row, column)`.
template <class Element>
void HandOutArray(XLOPER12* result, int64_t rows, int64_t columns, Element element) {
  auto array = std::make_shared<HostArray>();
  array->records = std::make_unique<XLOPER12[]>(static_cast<size_t>(rows * columns));
  for (int64_t r = 0; r < rows; ++r)
    for (int64_t c = 0; c < columns; ++c) Write(element(r, c), array->records[r * columns + c], &array->strings);
  *result = XLOPER12{};
  result->xltype = xltypeMulti;
  result->val.array.lparray = array->records.get();
  result->val.array.rows = static_cast<INT32>(rows);
  result->val.array.columns = static_cast<INT32>(columns);
  CApi::Get().HandOut(array->records.get(), [array]() mutable { array.reset(); });
}

Converted Natural(const CellValue& v) {
  Converted c;
  ConvertTo(v, NaturalKind(v), c);
  return c;
}

// The type argument of xlCoerce: an integer or a number; none when omitted.
bool ReadMask(int count, XLOPER12** args, std::optional<DWORD>& mask) {
  if (count < 2 || !args[1] || Kind(args[1]) == xltypeMissing) return true;
  double n = 0;
  if (Kind(args[1]) == xltypeInt) n = args[1]->val.w;
  else if (Kind(args[1]) == xltypeNum) n = args[1]->val.num;
  else return false;
  if (n != std::floor(n) || n <= 0 || n > 0xFFFF) return false;
  const DWORD bits = static_cast<DWORD>(n) & (kScalarKinds | xltypeMulti);
  if (!bits) return false;  // to a reference or to nothing the stand-in does not coerce
  mask = bits;
  return true;
}

// Whether a cell of the area waits for calculation. Only the cells of the area's rows are visited (the
// cells are kept in row order), so that a lookup coercing one cell at a time over a large sheet does not
// walk the whole sheet for every cell.
bool AnyUncalculated(const SheetCells& cells, const Area& area) {
  const auto& all = cells.cells();
  const auto end = all.upper_bound({area.last_row, area.last_column});
  for (auto it = all.lower_bound({area.first_row, area.first_column}); it != end; ++it)
    if (it->second.uncalculated && area.Contains(it->first.first, it->first.second)) return true;
  return false;
}

int CoerceReference(const Target& target, const std::optional<DWORD>& mask, XLOPER12* result) {
  if (target.areas.size() != 1) return xlretFailed;
  const Area area = target.areas.front();
  SheetCells& cells = target.sheet->cells();
  if (AnyUncalculated(cells, area)) return xlretUncalced;
  if (area.count() == 1) {
    const Cell* cell = cells.Find(area.first_row, area.first_column);
    const CellValue value = cell ? cell->value : CellValue();
    Converted c;
    if (!mask || Coerce(value, *mask, c)) {
      if (result) Write(mask ? c : Natural(value), *result, nullptr);
      return xlretSuccess;
    }
    // Asked for an array only, one cell comes as an array of one.
    if (!(*mask & xltypeMulti)) return xlretFailed;
  } else if (mask && !(*mask & xltypeMulti)) {
    return xlretFailed;
  }
  if (area.count() > kMaxArrayCells) return xlretFailed;
  if (!result) return xlretSuccess;
  HandOutArray(result, area.rows(), area.columns(), [&](int64_t r, int64_t c) {
    const Cell* cell = cells.Find(area.first_row + static_cast<LONG>(r), area.first_column + static_cast<LONG>(c));
    return Natural(cell ? cell->value : CellValue());
  });
  return xlretSuccess;
}

int CoerceValue(const XLOPER12* source, const std::optional<DWORD>& mask, XLOPER12* result) {
  if (Kind(source) == xltypeMulti) {
    if (mask && !(*mask & xltypeMulti)) return xlretFailed;
    const auto& a = source->val.array;
    if (!a.lparray || a.rows < 1 || a.columns < 1) return xlretFailed;
    std::vector<CellValue> values;
    for (int64_t i = 0; i < int64_t{a.rows} * a.columns; ++i) {
      CellValue v;
      if (!ReadScalar(&a.lparray[i], v)) return xlretFailed;
      values.push_back(std::move(v));
    }
    if (result)
      HandOutArray(result, a.rows, a.columns, [&](int64_t r, int64_t c) { return Natural(values[r * a.columns + c]); });
    return xlretSuccess;
  }
  CellValue value;
  if (!ReadScalar(source, value)) return xlretFailed;
  Converted c;
  if (!mask) {
    c = Natural(value);
  } else if (!Coerce(value, *mask, c)) {
    if (!(*mask & xltypeMulti)) return xlretFailed;
    if (result) HandOutArray(result, 1, 1, [&](int64_t, int64_t) { return Natural(value); });
    return xlretSuccess;
  }
  if (result) Write(c, *result, nullptr);
  return xlretSuccess;
}

// The element of an array put into a reference at (row, column) of it, as the host spreads one: a single row
// or column repeats across the reference, and cells beyond a larger array get #N/A.
CellValue Spread(const std::vector<CellValue>& values, int64_t rows, int64_t columns, int64_t r, int64_t c) {
  if (rows == 1) r = 0;
  if (columns == 1) c = 0;
  if (r >= rows || c >= columns) return CellValue::Error(42);
  return values[r * columns + c];
}

int SetCells(int count, XLOPER12** args, XLOPER12* result) {
  if (count < 1 || !args) return xlretInvCount;
  Target target;
  if (!ReadReference(args[0], target) || target.areas.size() != 1) return xlretFailed;
  const Area area = target.areas.front();
  SheetCells& cells = target.sheet->cells();
  const XLOPER12* value = count >= 2 ? args[1] : nullptr;
  if (!value || Kind(value) == xltypeMissing || Kind(value) == xltypeNil) {
    // Without a value the host empties the cells.
    cells.ClearArea(area);
    CommandDone(result);
    return xlretSuccess;
  }
  if (area.count() > kMaxArrayCells) return xlretFailed;
  std::vector<CellValue> values;
  int64_t rows = 1, columns = 1;
  if (Kind(value) == xltypeMulti) {
    const auto& a = value->val.array;
    if (!a.lparray || a.rows < 1 || a.columns < 1) return xlretFailed;
    rows = a.rows;
    columns = a.columns;
    for (int64_t i = 0; i < rows * columns; ++i) {
      CellValue v;
      if (!ReadScalar(&a.lparray[i], v)) return xlretFailed;
      values.push_back(std::move(v));
    }
  } else {
    CellValue v;
    if (!ReadScalar(value, v)) return xlretFailed;
    values.push_back(std::move(v));
  }
  for (LONG r = area.first_row; r <= area.last_row; ++r)
    for (LONG c = area.first_column; c <= area.last_column; ++c)
      cells.SetValue(r, c, Spread(values, rows, columns, r - area.first_row, c - area.first_column));
  CommandDone(result);
  return xlretSuccess;
}

}  // namespace

void CApi::InstallCellFunctions() {
  handlers_[xlSheetId] = [](int count, XLOPER12** args, XLOPER12* result) {
    Worksheet* sheet = nullptr;
    if (count < 1 || !args || !args[0] || Kind(args[0]) == xltypeMissing) {
      sheet = App() ? App()->active_sheet() : nullptr;
    } else if (Kind(args[0]) == xltypeStr && args[0]->val.str) {
      const std::wstring name(args[0]->val.str + 1, static_cast<unsigned short>(args[0]->val.str[0]));
      sheet = App() ? App()->SheetNamed(name) : nullptr;
    }
    if (!sheet) return xlretFailed;
    if (result) {
      // A reference without areas: only its sheet id counts, and there is nothing to give back.
      *result = XLOPER12{};
      result->xltype = xltypeRef;
      result->val.mref.idSheet = sheet->cells().id();
    }
    return xlretSuccess;
  };
  handlers_[xlCoerce] = [](int count, XLOPER12** args, XLOPER12* result) {
    if (count < 1 || !args || !args[0]) return xlretInvCount;
    std::optional<DWORD> mask;
    if (!ReadMask(count, args, mask)) return xlretFailed;
    const DWORD kind = Kind(args[0]);
    if (kind == xltypeRef || kind == xltypeSRef) {
      Target target;
      if (!ReadReference(args[0], target)) return xlretFailed;
      return CoerceReference(target, mask, result);
    }
    return CoerceValue(args[0], mask, result);
  };
  handlers_[xlSet] = [](int count, XLOPER12** args, XLOPER12* result) { return SetCells(count, args, result); };
  handlers_[xlfSelection] = [this](int count, XLOPER12**, XLOPER12* result) {
    if (count != 0) return xlretInvCount;
    Worksheet* sheet = App() ? App()->active_sheet() : nullptr;
    if (!sheet) return xlretFailed;
    const Selection& selection = sheet->cells().selection();
    if (!result) return xlretSuccess;
    *result = XLOPER12{};
    if (selection_as_sref_ && selection.areas.size() == 1) {
      result->xltype = xltypeSRef;
      result->val.sref.count = 1;
      result->val.sref.ref = ToXl(selection.areas.front());
      return xlretSuccess;
    }
    const size_t n = selection.areas.size();
    const size_t bytes = offsetof(xll::XlAreaList, reftbl) + n * sizeof(XlArea);
    auto* list = static_cast<xll::XlAreaList*>(::operator new(bytes));
    list->count = static_cast<WORD>(n);
    for (size_t i = 0; i < n; ++i) list->reftbl[i] = ToXl(selection.areas[i]);
    result->xltype = xltypeRef;
    result->val.mref.lpmref = list;
    result->val.mref.idSheet = sheet->cells().id();
    HandOut(list, [list] { ::operator delete(list); });
    return xlretSuccess;
  };
  handlers_[xlcSelect] = [](int count, XLOPER12** args, XLOPER12* result) {
    if (count < 1 || !args) return xlretInvCount;
    Target target;
    // The host selects only on the active sheet.
    if (!ReadReference(args[0], target) || target.sheet != App()->active_sheet()) return xlretFailed;
    Target active;
    const bool with_active = count >= 2 && args[1] && Kind(args[1]) != xltypeMissing;
    if (with_active) {
      if (!ReadReference(args[1], active) || active.sheet != target.sheet || active.areas.front().count() != 1)
        return xlretFailed;
      bool inside = false;
      for (const Area& a : target.areas)
        inside = inside || a.Contains(active.areas.front().first_row, active.areas.front().first_column);
      if (!inside) return xlretFailed;
    }
    SheetCells& cells = target.sheet->cells();
    cells.Select(target.areas);
    if (with_active) {
      cells.selection().active_row = active.areas.front().first_row;
      cells.selection().active_column = active.areas.front().first_column;
    }
    CommandDone(result);
    return xlretSuccess;
  };
  handlers_[xlcCalculateNow] = [](int, XLOPER12**, XLOPER12* result) {
    if (!App()) return xlretFailed;
    App()->CalculateAll();
    CommandDone(result);
    return xlretSuccess;
  };
  handlers_[xlcSelectLastCell] = [](int, XLOPER12**, XLOPER12* result) {
    Worksheet* sheet = App() ? App()->active_sheet() : nullptr;
    if (!sheet) return xlretFailed;
    // The last used row and the last used column meet in a cell that may itself be empty.
    Area used, last;
    if (sheet->cells().UsedRange(used)) last = Area{used.last_row, used.last_column, used.last_row, used.last_column};
    sheet->cells().Select(Areas{last});
    CommandDone(result);
    return xlretSuccess;
  };
}

}  // namespace korvel::standin
