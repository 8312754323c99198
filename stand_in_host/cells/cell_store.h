// The cells of one stand-in worksheet, shared by the host's C API and its object model: what each cell holds
// (nothing, a number, a text, a boolean, an error code, or a formula with the value a test gave it), which
// cells are not yet calculated, the used range and the sheet's selection. Rows and columns count from 1 here,
// as the object model counts; the C API's records count from 0 and convert at their boundary.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace korvel::standin {

constexpr LONG kSheetRows = 1048576;
constexpr LONG kSheetColumns = 16384;

// A cell's value as the host keeps it.
struct CellValue {
  enum class Kind { kEmpty, kNumber, kText, kBool, kError };
  Kind kind = Kind::kEmpty;
  double number = 0;
  bool boolean = false;
  int error = 0;  // the host's error code: 7 #DIV/0!, 15 #VALUE!, 42 #N/A, ...
  std::wstring text;

  CellValue() = default;
  CellValue(double n) : kind(Kind::kNumber), number(n) {}
  CellValue(int n) : kind(Kind::kNumber), number(n) {}
  CellValue(const wchar_t* t) : kind(Kind::kText), text(t ? t : L"") {}
  CellValue(std::wstring t) : kind(Kind::kText), text(std::move(t)) {}
  static CellValue Bool(bool b) {
    CellValue v;
    v.kind = Kind::kBool;
    v.boolean = b;
    return v;
  }
  static CellValue Error(int code) {
    CellValue v;
    v.kind = Kind::kError;
    v.error = code;
    return v;
  }
  bool empty() const { return kind == Kind::kEmpty; }
  bool operator==(const CellValue& o) const;
  bool operator!=(const CellValue& o) const { return !(*this == o); }
};

// A run of a text's characters with a font of its own (the host's character formatting, as Characters(start,
// length).Font sets it): `start` counts from 1, `font` says what the run sets ("Bold", "Color=255").
struct CharacterRun {
  LONG start = 1, length = 0;
  std::wstring font;
  bool operator==(const CharacterRun& o) const { return start == o.start && length == o.length && font == o.font; }
};

// What one cell holds. A formula cell shows `value`; Calculate gives it `calculated`, the value the test
// registered for its formula. A text may carry character formatting; any write of the cell drops it, as in
// the host, since every write makes the cell anew.
struct Cell {
  CellValue value;
  std::vector<CharacterRun> characters;
  std::wstring formula;  // "=..." for a formula cell, else empty
  CellValue calculated;
  bool uncalculated = false;
  bool has_formula() const { return !formula.empty(); }
};

// One rectangle of cells, first and last row and column counted from 1.
struct Area {
  LONG first_row = 1, first_column = 1, last_row = 1, last_column = 1;
  int64_t rows() const { return int64_t{last_row} - first_row + 1; }
  int64_t columns() const { return int64_t{last_column} - first_column + 1; }
  int64_t count() const { return rows() * columns(); }
  bool Contains(LONG row, LONG column) const {
    return row >= first_row && row <= last_row && column >= first_column && column <= last_column;
  }
  bool Valid() const {
    return first_row >= 1 && first_column >= 1 && last_row <= kSheetRows && last_column <= kSheetColumns &&
           first_row <= last_row && first_column <= last_column;
  }
  bool operator==(const Area& o) const {
    return first_row == o.first_row && first_column == o.first_column && last_row == o.last_row &&
           last_column == o.last_column;
  }
};
using Areas = std::vector<Area>;

// "B2", "$B$2", "B2:C3", "A:A", "1:3" and lists of them joined by ",": false for anything else, a cell past the
// sheet's last row or column included.
bool ParseAreas(const std::wstring& text, Areas& out);
// The areas as the host writes an address: "$B$2", "$B$2:$C$3,$E$5", "$A:$A", "$1:$3".
std::wstring AddressOf(const Areas& areas);
std::wstring ColumnLetters(LONG column);

// The selection of a sheet: one or more areas and the active cell (within them).
struct Selection {
  Areas areas{Area{}};
  LONG active_row = 1, active_column = 1;
};

class SheetCells {
 public:
  // Each sheet gets an id of its own, never 0 and never used again in this process.
  SheetCells();
  SheetCells(const SheetCells&) = delete;
  SheetCells& operator=(const SheetCells&) = delete;
  DWORD_PTR id() const { return id_; }

  // Test-facing setters by address; an address of several cells sets each of them. Each throws
  // std::invalid_argument for an address that does not parse.
  void Set(const std::wstring& address, const CellValue& value);
  // Each cell of the address in turn (row by row within each area) takes the next value.
  void SetEach(const std::wstring& address, const std::vector<CellValue>& values);
  void SetFormula(const std::wstring& address, const std::wstring& formula, const CellValue& value);
  // A text with character formatting in each cell of the address.
  void SetRichText(const std::wstring& address, const std::wstring& text, const std::vector<CharacterRun>& runs);
  std::vector<CharacterRun> CharactersAt(const std::wstring& address) const;
  void MarkUncalculated(const std::wstring& address, bool uncalculated = true);
  void Clear(const std::wstring& address);
  CellValue ValueAt(const std::wstring& address) const;
  std::wstring FormulaAt(const std::wstring& address) const;
  bool IsUncalculated(const std::wstring& address) const;
  // A formula that the add-in puts later gets this value when the sheet is calculated.
  void RegisterResult(const std::wstring& formula, const CellValue& value) { results_[formula] = value; }

  // By position.
  const Cell* Find(LONG row, LONG column) const;
  Cell& At(LONG row, LONG column) { return cells_[{row, column}]; }
  void SetValue(LONG row, LONG column, const CellValue& value);  // a constant in place of what was there
  // A formula entered in place of what was there: with `calculate` (the host calculating automatically) it
  // takes its registered value at once; otherwise it waits, not yet calculated, for Calculate.
  void EnterFormula(LONG row, LONG column, const std::wstring& formula, bool calculate);
  void Erase(LONG row, LONG column) { cells_.erase({row, column}); }
  void ClearArea(const Area& area);
  // Cells that hold something, by (row, column) in row order.
  const std::map<std::pair<LONG, LONG>, Cell>& cells() const { return cells_; }
  // The smallest rectangle holding every cell that holds something; false for an empty sheet.
  bool UsedRange(Area& out) const;
  // Formula cells take their registered values and lose their uncalculated marks.
  void Calculate();

  Selection& selection() { return selection_; }
  const Selection& selection() const { return selection_; }
  // Selects the areas; the active cell is the first cell of the first one.
  void Select(const Areas& areas);
  void Select(const std::wstring& address);

 private:
  // Drops a cell that no longer holds anything, so that the used range follows.
  void Tidy(LONG row, LONG column);
  DWORD_PTR id_;
  std::map<std::pair<LONG, LONG>, Cell> cells_;
  std::map<std::wstring, CellValue> results_;
  Selection selection_;
};

}  // namespace korvel::standin
