// The stand-in sheet's cell store: address parsing and writing as the host does, cells, used range, selection.
#include "cells/cell_store.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>

namespace korvel::standin {
namespace {

// One end of an area: "B2", "$B$2", a column alone ("B") or a row alone ("2").
struct End {
  LONG row = 0, column = 0;  // 0 where the text gave none
};

bool ParseEnd(const std::wstring& text, End& end) {
  size_t i = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  const size_t letters = i;
  int64_t column = 0;
  while (i < text.size() && std::iswalpha(text[i]) && i - letters < 4)
    column = column * 26 + (std::towupper(text[i++]) - L'A' + 1);
  if (i < text.size() && text[i] == L'$' && i > letters) ++i;
  const size_t digits = i;
  int64_t row = 0;
  while (i < text.size() && std::iswdigit(text[i]) && i - digits < 8) row = row * 10 + (text[i++] - L'0');
  if (i != text.size() || (column == 0 && row == 0)) return false;
  if (column > kSheetColumns || row > kSheetRows || (i > digits && row == 0)) return false;
  end.row = static_cast<LONG>(row);
  end.column = static_cast<LONG>(column);
  return true;
}

bool ParseArea(const std::wstring& text, Area& area) {
  const size_t colon = text.find(L':');
  End first, last;
  if (!ParseEnd(text.substr(0, colon), first)) return false;
  if (colon == std::wstring::npos) {
    if (first.row == 0 || first.column == 0) return false;  // "A" or "2" alone is no cell
    last = first;
  } else if (!ParseEnd(text.substr(colon + 1), last)) {
    return false;
  }
  // Whole columns ("A:C") and whole rows ("1:3") come in pairs of one kind.
  if ((first.row == 0) != (last.row == 0) || (first.column == 0) != (last.column == 0)) return false;
  area.first_row = first.row ? std::min(first.row, last.row) : 1;
  area.last_row = first.row ? std::max(first.row, last.row) : kSheetRows;
  area.first_column = first.column ? std::min(first.column, last.column) : 1;
  area.last_column = first.column ? std::max(first.column, last.column) : kSheetColumns;
  return true;
}

std::wstring Absolute(LONG row, LONG column) { return L"$" + ColumnLetters(column) + L"$" + std::to_wstring(row); }

}  // namespace

bool CellValue::operator==(const CellValue& o) const {
  if (kind != o.kind) return false;
  switch (kind) {
    case Kind::kEmpty: return true;
    case Kind::kNumber: return number == o.number;
    case Kind::kText: return text == o.text;
    case Kind::kBool: return boolean == o.boolean;
    case Kind::kError: return error == o.error;
  }
  return false;
}

std::wstring ColumnLetters(LONG column) {
  std::wstring s;
  while (column > 0) {
    s.insert(s.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
    column = (column - 1) / 26;
  }
  return s;
}

bool ParseAreas(const std::wstring& text, Areas& out) {
  Areas areas;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(L',', start);
    Area area;
    if (!ParseArea(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start), area))
      return false;
    areas.push_back(area);
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  out = std::move(areas);
  return true;
}

std::wstring AddressOf(const Areas& areas) {
  std::wstring out;
  for (const Area& a : areas) {
    if (!out.empty()) out += L",";
    const bool whole_rows = a.first_column == 1 && a.last_column == kSheetColumns;
    const bool whole_columns = a.first_row == 1 && a.last_row == kSheetRows;
    if (whole_columns && !whole_rows)
      out += L"$" + ColumnLetters(a.first_column) + L":$" + ColumnLetters(a.last_column);
    else if (whole_rows)
      out += L"$" + std::to_wstring(a.first_row) + L":$" + std::to_wstring(a.last_row);
    else if (a.count() == 1)
      out += Absolute(a.first_row, a.first_column);
    else
      out += Absolute(a.first_row, a.first_column) + L":" + Absolute(a.last_row, a.last_column);
  }
  return out;
}

namespace {

DWORD_PTR NextSheetId() {
  // Far from small numbers and from addresses, so that an add-in passing 0, 1 or a pointer is caught.
  static DWORD_PTR next = 0x5EE70001;
  return next++;
}

Areas Parsed(const std::wstring& address) {
  Areas areas;
  if (!ParseAreas(address, areas)) throw std::invalid_argument("not a cell address");
  return areas;
}

// The first cell of an address that a test reads.
std::pair<LONG, LONG> FirstCell(const std::wstring& address) {
  const Area a = Parsed(address).front();
  return {a.first_row, a.first_column};
}

template <class Fn>
void EachCell(const Areas& areas, Fn fn) {
  for (const Area& a : areas)
    for (LONG r = a.first_row; r <= a.last_row; ++r)
      for (LONG c = a.first_column; c <= a.last_column; ++c) fn(r, c);
}

}  // namespace

SheetCells::SheetCells() : id_(NextSheetId()) {}

void SheetCells::SetValue(LONG row, LONG column, const CellValue& value) {
  Cell& cell = At(row, column);
  cell = Cell{};
  cell.value = value;
  Tidy(row, column);
}

void SheetCells::EnterFormula(LONG row, LONG column, const std::wstring& formula, bool calculate) {
  Cell& cell = At(row, column);
  cell = Cell{};
  cell.formula = formula;
  if (auto r = results_.find(formula); r != results_.end()) cell.calculated = r->second;
  if (calculate) cell.value = cell.calculated;
  cell.uncalculated = !calculate;
}

void SheetCells::Tidy(LONG row, LONG column) {
  auto it = cells_.find({row, column});
  if (it != cells_.end() && it->second.value.empty() && !it->second.has_formula() && !it->second.uncalculated)
    cells_.erase(it);
}

void SheetCells::Set(const std::wstring& address, const CellValue& value) {
  EachCell(Parsed(address), [&](LONG r, LONG c) { SetValue(r, c, value); });
}

void SheetCells::SetEach(const std::wstring& address, const std::vector<CellValue>& values) {
  size_t next = 0;
  EachCell(Parsed(address), [&](LONG r, LONG c) {
    if (next < values.size()) SetValue(r, c, values[next++]);
  });
}

void SheetCells::SetFormula(const std::wstring& address, const std::wstring& formula, const CellValue& value) {
  EachCell(Parsed(address), [&](LONG r, LONG c) {
    Cell& cell = At(r, c);
    cell = Cell{};
    cell.formula = formula;
    cell.value = value;
    cell.calculated = value;
  });
}

void SheetCells::SetRichText(const std::wstring& address, const std::wstring& text,
                             const std::vector<CharacterRun>& runs) {
  EachCell(Parsed(address), [&](LONG r, LONG c) {
    SetValue(r, c, CellValue(text));
    At(r, c).characters = runs;
  });
}

std::vector<CharacterRun> SheetCells::CharactersAt(const std::wstring& address) const {
  const auto [r, c] = FirstCell(address);
  const Cell* cell = Find(r, c);
  return cell ? cell->characters : std::vector<CharacterRun>();
}

void SheetCells::MarkUncalculated(const std::wstring& address, bool uncalculated) {
  EachCell(Parsed(address), [&](LONG r, LONG c) {
    At(r, c).uncalculated = uncalculated;
    Tidy(r, c);
  });
}

void SheetCells::Clear(const std::wstring& address) {
  for (const Area& a : Parsed(address)) ClearArea(a);
}

void SheetCells::ClearArea(const Area& area) {
  for (auto it = cells_.begin(); it != cells_.end();)
    it = area.Contains(it->first.first, it->first.second) ? cells_.erase(it) : std::next(it);
}

CellValue SheetCells::ValueAt(const std::wstring& address) const {
  const auto [r, c] = FirstCell(address);
  const Cell* cell = Find(r, c);
  return cell ? cell->value : CellValue();
}

std::wstring SheetCells::FormulaAt(const std::wstring& address) const {
  const auto [r, c] = FirstCell(address);
  const Cell* cell = Find(r, c);
  return cell ? cell->formula : std::wstring();
}

bool SheetCells::IsUncalculated(const std::wstring& address) const {
  const auto [r, c] = FirstCell(address);
  const Cell* cell = Find(r, c);
  return cell && cell->uncalculated;
}

const Cell* SheetCells::Find(LONG row, LONG column) const {
  auto it = cells_.find({row, column});
  return it == cells_.end() ? nullptr : &it->second;
}

bool SheetCells::UsedRange(Area& out) const {
  if (cells_.empty()) return false;
  Area a{kSheetRows, kSheetColumns, 1, 1};
  for (const auto& [position, cell] : cells_) {
    a.first_row = std::min(a.first_row, position.first);
    a.last_row = std::max(a.last_row, position.first);
    a.first_column = std::min(a.first_column, position.second);
    a.last_column = std::max(a.last_column, position.second);
  }
  out = a;
  return true;
}

void SheetCells::Calculate() {
  for (auto it = cells_.begin(); it != cells_.end();) {
    Cell& cell = it->second;
    if (cell.has_formula()) {
      if (auto r = results_.find(cell.formula); r != results_.end()) cell.calculated = r->second;
      cell.value = cell.calculated;
    }
    cell.uncalculated = false;
    it = cell.value.empty() && !cell.has_formula() ? cells_.erase(it) : std::next(it);
  }
}

void SheetCells::Select(const Areas& areas) {
  if (areas.empty()) return;
  selection_.areas = areas;
  selection_.active_row = areas.front().first_row;
  selection_.active_column = areas.front().first_column;
}

void SheetCells::Select(const std::wstring& address) { Select(Parsed(address)); }

}  // namespace korvel::standin
