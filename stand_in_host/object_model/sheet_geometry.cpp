#include "object_model/sheet_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "object_model/member_helpers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {
namespace {

// The host's largest row height in points.
constexpr double kLargestRowHeight = 409.0;

struct Layout {
  std::map<LONG, double> heights;  // rows of another height than the standard one, while shown
  std::set<LONG> hidden_rows;      // by the user
  std::set<LONG> filtered_rows;    // by a table's filter
  std::set<LONG> hidden_columns;   // zero width
};

// By sheet: the stand-in's objects keep their memory for the whole process, so an address names one sheet.
Layout& LayoutOf(const Worksheet* sheet) {
  static auto* layouts = new std::map<const Worksheet*, Layout>;
  return (*layouts)[sheet];
}

// The lines (rows or columns) whose size is not the standard one, with the size they take on the page.
using Sizes = std::map<LONG, double>;

Sizes RowSizes(const Worksheet* sheet) {
  const Layout& l = LayoutOf(sheet);
  Sizes out = l.heights;
  for (LONG r : l.hidden_rows) out[r] = 0;
  for (LONG r : l.filtered_rows) out[r] = 0;
  return out;
}

Sizes ColumnSizes(const Worksheet* sheet) {
  Sizes out;
  for (LONG c : LayoutOf(sheet).hidden_columns) out[c] = 0;
  return out;
}

double SizeOf(const Sizes& sizes, double standard, LONG line) {
  auto it = sizes.find(line);
  return it == sizes.end() ? standard : it->second;
}

double Start(const Sizes& sizes, double standard, LONG line) {
  double at = standard * (line - 1);
  for (auto it = sizes.begin(); it != sizes.end() && it->first < line; ++it) at += it->second - standard;
  return at;
}

LONG LineAt(const Sizes& sizes, double standard, LONG lines, double at) {
  if (!(at > 0)) at = 0;
  auto within = [&](LONG from, double start) -> LONG {
    const double steps = std::floor((at - start) / standard);
    return steps >= static_cast<double>(lines - from) ? lines : from + static_cast<LONG>(steps);
  };
  LONG next = 1;
  double start = 0;
  for (const auto& [line, size] : sizes) {
    if (line > lines) break;
    const double span = standard * (line - next);
    if (at < start + span) return within(next, start);
    start += span;
    // A line of size 0 never holds a point: the one after it does.
    if (at < start + size) return line;
    start += size;
    next = line + 1;
  }
  return next > lines ? lines : within(next, start);
}

// One size for every line from `first` to `last`, or false when they differ.
bool UniformSize(const Sizes& sizes, double standard, LONG first, LONG last, double& out) {
  out = SizeOf(sizes, standard, first);
  LONG changed_within = 0;
  for (auto it = sizes.lower_bound(first); it != sizes.end() && it->first <= last; ++it) {
    if (it->second != out) return false;
    ++changed_within;
  }
  // Lines of the standard size among them, when any size was set apart.
  return changed_within == 0 || changed_within == last - first + 1 || out == standard;
}

OwnedVariant Real(double v) {
  OwnedVariant o;
  o.vt = VT_R8;
  o.dblVal = v;
  return o;
}

OwnedVariant Null() {
  OwnedVariant o;
  o.vt = VT_NULL;
  return o;
}

bool ToReal(const VARIANT* v, double& out) {
  if (!v || v->vt == VT_DISPATCH || v->vt == VT_EMPTY) return false;
  OwnedVariant copy;
  if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_R8))) return false;
  out = copy.dblVal;
  return true;
}

bool EntireRows(const Area& a) { return a.first_column == 1 && a.last_column == kSheetColumns; }
bool EntireColumns(const Area& a) { return a.first_row == 1 && a.last_row == kSheetRows; }

// More lines than this in one call the stand-in refuses as out of memory rather than walk them one by one.
constexpr int64_t kMostLines = int64_t{1} << 20;

}  // namespace

void SetRowHidden(Worksheet* sheet, LONG row, bool hidden) {
  if (hidden) {
    LayoutOf(sheet).hidden_rows.insert(row);
  } else {
    // Showing a row shows it whatever hid it.
    LayoutOf(sheet).hidden_rows.erase(row);
    LayoutOf(sheet).filtered_rows.erase(row);
  }
}

void SetColumnHidden(Worksheet* sheet, LONG column, bool hidden) {
  if (hidden) {
    LayoutOf(sheet).hidden_columns.insert(column);
  } else {
    LayoutOf(sheet).hidden_columns.erase(column);
  }
}

void FilterTable(Worksheet* sheet, const Area& table, LONG field, const std::function<bool(const CellValue&)>& shown) {
  ClearFilter(sheet);
  const LONG column = table.first_column + field - 1;
  for (LONG r = table.first_row + 1; r <= table.last_row; ++r) {
    const Cell* cell = sheet->cells().Find(r, column);
    if (!shown(cell ? cell->value : CellValue())) LayoutOf(sheet).filtered_rows.insert(r);
  }
}

void ClearFilter(Worksheet* sheet) { LayoutOf(sheet).filtered_rows.clear(); }

double RowTop(const Worksheet* sheet, LONG row) { return Start(RowSizes(sheet), kStandardRowHeight, row); }
double RowHeightOf(const Worksheet* sheet, LONG row) { return SizeOf(RowSizes(sheet), kStandardRowHeight, row); }
double ColumnLeft(const Worksheet* sheet, LONG column) {
  return Start(ColumnSizes(sheet), kStandardColumnWidth, column);
}
double ColumnWidthOf(const Worksheet* sheet, LONG column) {
  return SizeOf(ColumnSizes(sheet), kStandardColumnWidth, column);
}
LONG RowAt(const Worksheet* sheet, double top) {
  return LineAt(RowSizes(sheet), kStandardRowHeight, kSheetRows, top);
}
LONG ColumnAt(const Worksheet* sheet, double left) {
  return LineAt(ColumnSizes(sheet), kStandardColumnWidth, kSheetColumns, left);
}

void DefineGeometryMembers(Range* range) {
  Worksheet* sheet = range->sheet();
  // Of the first area, as the host answers for a range of several.
  auto first = [range] { return range->areas().front(); };
  range->Define(L"Left", ReadOnly([sheet, range] { return Real(ColumnLeft(sheet, range->column())); }));
  range->Define(L"Top", ReadOnly([sheet, range] { return Real(RowTop(sheet, range->row())); }));
  range->Define(L"Width", ReadOnly([sheet, first] {
    const Area a = first();
    return Real(ColumnLeft(sheet, a.last_column + 1) - ColumnLeft(sheet, a.first_column));
  }));
  range->Define(L"Height", ReadOnly([sheet, first] {
    const Area a = first();
    return Real(RowTop(sheet, a.last_row + 1) - RowTop(sheet, a.first_row));
  }));
  // The whole rows (columns) of every area.
  for (const bool rows : {true, false}) {
    range->Define(rows ? L"EntireRow" : L"EntireColumn", [sheet, range, rows](HostObject::Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
      Areas whole = range->areas();
      for (Area& a : whole) {
        if (rows) {
          a.first_column = 1;
          a.last_column = kSheetColumns;
        } else {
          a.first_row = 1;
          a.last_row = kSheetRows;
        }
      }
      return Range::Give(call, sheet, whole);
    });
  }

  // RowHeight in points; a height of 0 hides the rows, any other shows them at that height. Rows of several
  // heights give Null.
  range->Define(L"RowHeight", [sheet, range, first](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (!call.is_put()) {
      const Area a = first();
      double height = 0;
      return GiveValue(call, UniformSize(RowSizes(sheet), kStandardRowHeight, a.first_row, a.last_row, height)
                                 ? Real(height)
                                 : Null());
    }
    double height = 0;
    if (!ToReal(call.value, height)) return DISP_E_TYPEMISMATCH;
    if (!(height >= 0 && height <= kLargestRowHeight)) return DISP_E_EXCEPTION;
    for (const Area& a : range->areas()) {
      if (a.rows() > kMostLines) return E_OUTOFMEMORY;
      for (LONG r = a.first_row; r <= a.last_row; ++r) {
        if (height == 0) {
          SetRowHidden(sheet, r, true);
          continue;
        }
        SetRowHidden(sheet, r, false);
        if (height == kStandardRowHeight) {
          LayoutOf(sheet).heights.erase(r);
        } else {
          LayoutOf(sheet).heights[r] = height;
        }
      }
    }
    return S_OK;
  });
  // ColumnWidth in characters: the stand-in lays out the standard width and zero width (a hidden column)
  // only, and refuses any other width rather than guess the host's font metrics.
  range->Define(L"ColumnWidth", [sheet, range, first](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (!call.is_put()) {
      const Area a = first();
      double width = 0;
      if (!UniformSize(ColumnSizes(sheet), kStandardColumnWidth, a.first_column, a.last_column, width))
        return GiveValue(call, Null());
      return GiveValue(call, Real(width == 0 ? 0 : kStandardColumnCharacters));
    }
    double width = 0;
    if (!ToReal(call.value, width)) return DISP_E_TYPEMISMATCH;
    if (width != 0 && width != kStandardColumnCharacters) return DISP_E_EXCEPTION;
    for (const Area& a : range->areas()) {
      if (a.columns() > kMostLines) return E_OUTOFMEMORY;
      for (LONG c = a.first_column; c <= a.last_column; ++c) SetColumnHidden(sheet, c, width == 0);
    }
    return S_OK;
  });
  // Hidden of entire rows or entire columns only; the host refuses it for any other range. Null when some of
  // them are hidden and some not.
  range->Define(L"Hidden", [sheet, range](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const Areas& areas = range->areas();
    const bool rows = std::all_of(areas.begin(), areas.end(), EntireRows);
    const bool columns = !rows && std::all_of(areas.begin(), areas.end(), EntireColumns);
    if (!rows && !columns) return DISP_E_EXCEPTION;
    if (!call.is_put()) {
      bool all = true, none = true;
      for (const Area& a : areas) {
        double size = 0;
        const bool uniform = rows ? UniformSize(RowSizes(sheet), kStandardRowHeight, a.first_row, a.last_row, size)
                                  : UniformSize(ColumnSizes(sheet), kStandardColumnWidth, a.first_column,
                                                a.last_column, size);
        if (!uniform) return GiveValue(call, Null());
        (size == 0 ? none : all) = false;
      }
      return GiveValue(call, all ? Bool(true) : none ? Bool(false) : Null());
    }
    OwnedVariant hide;
    if (!call.value || FAILED(VariantChangeType(&hide, call.value, 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
    for (const Area& a : areas) {
      const LONG from = rows ? a.first_row : a.first_column;
      const LONG to = rows ? a.last_row : a.last_column;
      if (int64_t{to} - from + 1 > kMostLines) return E_OUTOFMEMORY;
      for (LONG line = from; line <= to; ++line) {
        if (rows) {
          SetRowHidden(sheet, line, hide.boolVal != VARIANT_FALSE);
        } else {
          SetColumnHidden(sheet, line, hide.boolVal != VARIANT_FALSE);
        }
      }
    }
    return S_OK;
  });
}

}  // namespace korvel::standin
