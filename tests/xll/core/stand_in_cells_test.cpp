// The stand-in host's cells through its C API, where a fault of the fake would let an add-in's fault pass:
// xlCoerce's conversions, its refusals that leave the result record alone, cells not yet calculated, host
// memory counted until xlFree, xlSet (a missing value clears), sheet ids and the selection commands.
#include "add_in.h"
#include "calculation.h"
#include "host_numbers.h"

namespace korvel::test {
namespace {

namespace h = korvel::standin::hostapi;

class StandInCellsTest : public AddInTest {
 protected:
  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  SheetCells& cells(size_t n = 0) { return sheet(n)->cells(); }

  int Call(int function, std::vector<XLOPER12*> args, XLOPER12* result) {
    return host.api().Call(function, static_cast<int>(args.size()), args.data(), result);
  }
  static XLOPER12 SRef(LONG row, LONG column, LONG last_row, LONG last_column) {
    XLOPER12 r{};
    r.xltype = h::xltypeSRef;
    r.val.sref.count = 1;
    r.val.sref.ref = {row, last_row, column, last_column};
    return r;
  }
  static XLOPER12 Int(int v) {
    XLOPER12 r{};
    r.xltype = h::xltypeInt;
    r.val.w = v;
    return r;
  }
  static XLOPER12 Num(double v) {
    XLOPER12 r{};
    r.xltype = h::xltypeNum;
    r.val.num = v;
    return r;
  }
  // A result record the host must not touch when it refuses.
  static XLOPER12 Untouched() {
    XLOPER12 r{};
    r.xltype = h::xltypeErr;
    r.val.err = 1234;
    return r;
  }
  struct SRefArea {
    LONG row, column, last_row, last_column;
  };
  void Free(XLOPER12& r) { Call(h::xlFree, {&r}, nullptr); }
  void ExpectNothingOutstanding() {
    EXPECT_EQ(host.api().outstanding(), 0u);
    EXPECT_EQ(host.api().bad_frees(), 0u);
  }
};

std::wstring Text(const XLOPER12& r) { return std::wstring(r.val.str + 1, static_cast<unsigned short>(r.val.str[0])); }

TEST_F(StandInCellsTest, CoerceOfACellToATypeGivenAsIntegerOrNumber) {
  struct Case {
    const char* name;
    CellValue cell;
    DWORD type;
    DWORD expected_type;  // 0: refused
    double number;
    std::wstring text;
  };
  const Case cases[] = {
      {"text to number", CellValue(L"12"), h::xltypeNum, h::xltypeNum, 12, L""},
      {"spaced text to number", CellValue(L" 1.5e1 "), h::xltypeNum, h::xltypeNum, 15, L""},
      {"number to text", CellValue(12.5), h::xltypeStr, h::xltypeStr, 0, L"12.5"},
      {"whole number to text", CellValue(3.0), h::xltypeStr, h::xltypeStr, 0, L"3"},
      {"true to number", CellValue::Bool(true), h::xltypeNum, h::xltypeNum, 1, L""},
      {"false to number", CellValue::Bool(false), h::xltypeNum, h::xltypeNum, 0, L""},
      {"true to text", CellValue::Bool(true), h::xltypeStr, h::xltypeStr, 0, L"TRUE"},
      {"empty to number", CellValue(), h::xltypeNum, h::xltypeNum, 0, L""},
      {"empty to text", CellValue(), h::xltypeStr, h::xltypeStr, 0, L""},
      {"empty with mask 279", CellValue(), 279, h::xltypeNil, 0, L""},
      {"text with mask 279", CellValue(L"12"), 279, h::xltypeStr, 0, L"12"},
      {"error with mask 279", CellValue::Error(42), 279, h::xltypeErr, 42, L""},
      {"number to bool", CellValue(-2.0), h::xltypeBool, h::xltypeBool, 1, L""},
      {"text TRUE to bool", CellValue(L"true"), h::xltypeBool, h::xltypeBool, 1, L""},
      {"word to number", CellValue(L"abc"), h::xltypeNum, 0, 0, L""},
      {"hexadecimal to number", CellValue(L"0x10"), h::xltypeNum, 0, 0, L""},
      {"empty text to number", CellValue(L""), h::xltypeNum, 0, 0, L""},
      {"error to number", CellValue::Error(7), h::xltypeNum, 0, 0, L""},
      {"error to text", CellValue::Error(7), h::xltypeStr, 0, 0, L""},
      {"number to error", CellValue(1.0), h::xltypeErr, 0, 0, L""},
      {"word to bool", CellValue(L"yes"), h::xltypeBool, 0, 0, L""},
  };
  for (const Case& c : cases) {
    for (bool as_number : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (as_number ? " (type as number)" : " (type as integer)"));
      cells().Clear(L"A1");
      cells().Set(L"A1", c.cell);
      XLOPER12 ref = SRef(0, 0, 0, 0);
      XLOPER12 type = as_number ? Num(c.type) : Int(static_cast<int>(c.type));
      XLOPER12 result = Untouched();
      const int rc = Call(h::xlCoerce, {&ref, &type}, &result);
      if (!c.expected_type) {
        EXPECT_EQ(rc, h::xlretFailed);
        EXPECT_EQ(result.xltype, h::xltypeErr);
        EXPECT_EQ(result.val.err, 1234) << "a refused coerce leaves the record as it was";
        continue;
      }
      ASSERT_EQ(rc, h::xlretSuccess);
      ASSERT_EQ(result.xltype, c.expected_type);
      if (c.expected_type == h::xltypeNum) EXPECT_EQ(result.val.num, c.number);
      if (c.expected_type == h::xltypeBool) EXPECT_EQ(result.val.xbool, static_cast<BOOL>(c.number));
      if (c.expected_type == h::xltypeErr) EXPECT_EQ(result.val.err, static_cast<int>(c.number));
      if (c.expected_type == h::xltypeStr) {
        EXPECT_EQ(Text(result), c.text);
        EXPECT_EQ(host.api().outstanding(), 1u) << "the string is host memory until xlFree";
        Free(result);
      }
      ExpectNothingOutstanding();
    }
  }
}

TEST_F(StandInCellsTest, CoerceOfAValueAndOfAReferenceWithoutType) {
  XLOPER12 text{};
  wchar_t twelve[] = L"\x0002" L"12";
  text.xltype = h::xltypeStr;
  text.val.str = twelve;
  XLOPER12 to_number = Int(h::xltypeNum);
  XLOPER12 result{};
  ASSERT_EQ(Call(h::xlCoerce, {&text, &to_number}, &result), h::xlretSuccess);
  EXPECT_EQ(result.xltype, h::xltypeNum);
  EXPECT_EQ(result.val.num, 12);

  cells().Set(L"C4", L"word");
  XLOPER12 ref = SRef(3, 2, 3, 2);
  ASSERT_EQ(Call(h::xlCoerce, {&ref}, &result), h::xlretSuccess);
  ASSERT_EQ(result.xltype, h::xltypeStr);
  EXPECT_EQ(Text(result), L"word");
  Free(result);
  ExpectNothingOutstanding();
}

TEST_F(StandInCellsTest, RectangleBecomesAnArrayRowByRowHeldWithItsStringsUntilFree) {
  cells().Set(L"B2", 1.0);
  cells().Set(L"C2", L"x");
  cells().Set(L"B3", CellValue::Bool(true));
  XLOPER12 ref = SRef(1, 1, 2, 2);  // B2:C3, C3 empty
  for (bool with_type : {false, true}) {
    SCOPED_TRACE(with_type);
    XLOPER12 type = Int(h::xltypeMulti);
    XLOPER12 result{};
    ASSERT_EQ(with_type ? Call(h::xlCoerce, {&ref, &type}, &result) : Call(h::xlCoerce, {&ref}, &result),
              h::xlretSuccess);
    ASSERT_EQ(result.xltype, h::xltypeMulti);
    ASSERT_EQ(result.val.array.rows, 2);
    ASSERT_EQ(result.val.array.columns, 2);
    const XLOPER12* e = result.val.array.lparray;
    EXPECT_EQ(e[0].xltype, h::xltypeNum);
    EXPECT_EQ(e[0].val.num, 1);
    ASSERT_EQ(e[1].xltype, h::xltypeStr);
    EXPECT_EQ(Text(e[1]), L"x");
    EXPECT_EQ(e[2].xltype, h::xltypeBool);
    EXPECT_EQ(e[3].xltype, h::xltypeNil);
    EXPECT_EQ(host.api().outstanding(), 1u);
    Free(result);
    ExpectNothingOutstanding();
  }
  // A rectangle cannot take a single value's type.
  XLOPER12 to_number = Int(h::xltypeNum);
  XLOPER12 result = Untouched();
  EXPECT_EQ(Call(h::xlCoerce, {&ref, &to_number}, &result), h::xlretFailed);
  EXPECT_EQ(result.val.err, 1234);
}

TEST_F(StandInCellsTest, CellNotYetCalculatedGivesUncalcedUntilTheSheetIsCalculated) {
  cells().SetFormula(L"A2", L"=A1+1", 6.0);
  cells().MarkUncalculated(L"A2");
  XLOPER12 ref = SRef(0, 0, 2, 0);  // A1:A3 holds A2
  XLOPER12 result = Untouched();
  EXPECT_EQ(Call(h::xlCoerce, {&ref}, &result), h::xlretUncalced);
  EXPECT_EQ(result.val.err, 1234);
  cells().Calculate();
  ASSERT_EQ(Call(h::xlCoerce, {&ref}, &result), h::xlretSuccess);
  EXPECT_EQ(result.val.array.lparray[1].val.num, 6);
  Free(result);
  ExpectNothingOutstanding();
}

// Only the cells inside the reference count: one not yet calculated in the same rows but another column, or
// in the same column but other rows, leaves the reference's own cells readable.
TEST_F(StandInCellsTest, OnlyCellsInsideTheReferenceMakeItUncalced) {
  for (const wchar_t* address : {L"A2", L"C1", L"B5"}) {
    cells().SetFormula(address, L"=1", 1.0);
    cells().MarkUncalculated(address);
  }
  cells().Set(L"B1:B3", 2.0);
  struct Case {
    SRefArea area;  // first row, first column, last row, last column, from 0
    int code;
  };
  const Case cases[] = {
      {{0, 1, 2, 1}, h::xlretSuccess},   // B1:B3: A2 and C1 in its rows, B5 below it
      {{1, 1, 1, 1}, h::xlretSuccess},   // B2 alone, next to A2 in the cells' row order
      {{2, 2, 8, 2}, h::xlretSuccess},   // C3:C9 below C1
      {{0, 0, 2, 0}, h::xlretUncalced},  // A1:A3 holds A2
      {{3, 1, 5, 1}, h::xlretUncalced},  // B4:B6 holds B5
      {{0, 2, 0, 2}, h::xlretUncalced},  // C1 alone
      {{0, 0, 4, 2}, h::xlretUncalced},  // A1:C5 holds all three
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rows " << c.area.row << ":" << c.area.last_row << " columns " << c.area.column
                                    << ":" << c.area.last_column);
    XLOPER12 ref = SRef(c.area.row, c.area.column, c.area.last_row, c.area.last_column);
    XLOPER12 result = Untouched();
    EXPECT_EQ(Call(h::xlCoerce, {&ref}, &result), c.code);
    if (c.code == h::xlretSuccess) Free(result);
    else EXPECT_EQ(result.val.err, 1234);
  }
  ExpectNothingOutstanding();
}

TEST_F(StandInCellsTest, AReferenceWithoutSheetLiesOnTheSheetBeingCalculated) {
  cells(0).Set(L"A1", 1.0);
  cells(1).Set(L"A1", 9.0);
  double seen = 0;
  Calculation::Get().Calculate(sheet(1), L"B1", [&]() -> XLOPER12* {
    XLOPER12 ref = SRef(0, 0, 0, 0);
    XLOPER12 value{};
    if (Call(h::xlCoerce, {&ref}, &value) == h::xlretSuccess) seen = value.val.num;
    return nullptr;
  });
  EXPECT_EQ(seen, 9);
  XLOPER12 ref = SRef(0, 0, 0, 0);
  XLOPER12 value{};
  ASSERT_EQ(Call(h::xlCoerce, {&ref}, &value), h::xlretSuccess);
  EXPECT_EQ(value.val.num, 1) << "outside a calculation: the active sheet";
}

TEST_F(StandInCellsTest, SheetIdsNameTheSheetThatAReferenceReads) {
  XLOPER12 result{};
  ASSERT_EQ(Call(h::xlSheetId, {}, &result), h::xlretSuccess);
  EXPECT_EQ(result.xltype, h::xltypeRef);
  EXPECT_EQ(result.val.mref.idSheet, cells(0).id());
  EXPECT_NE(cells(0).id(), 0u);
  EXPECT_NE(cells(0).id(), cells(1).id());

  XLOPER12 name{};
  wchar_t sheet2[] = L"\x0006" L"sheet2";
  name.xltype = h::xltypeStr;
  name.val.str = sheet2;
  ASSERT_EQ(Call(h::xlSheetId, {&name}, &result), h::xlretSuccess);
  EXPECT_EQ(result.val.mref.idSheet, cells(1).id());
  Free(result);  // nothing to give back: no bad free either

  cells(1).Set(L"A1", 7.0);
  xll::XlAreaList list{1, {{0, 0, 0, 0}}};
  XLOPER12 ref{};
  ref.xltype = h::xltypeRef;
  ref.val.mref.lpmref = &list;
  ref.val.mref.idSheet = cells(1).id();
  ASSERT_EQ(Call(h::xlCoerce, {&ref}, &result), h::xlretSuccess);
  EXPECT_EQ(result.val.num, 7);
  ref.val.mref.idSheet = 0;
  result = Untouched();
  EXPECT_EQ(Call(h::xlCoerce, {&ref}, &result), h::xlretFailed);
  wchar_t missing[] = L"\x0002" L"No";
  name.val.str = missing;
  EXPECT_EQ(Call(h::xlSheetId, {&name}, &result), h::xlretFailed);
  EXPECT_EQ(result.val.err, 1234);
  ExpectNothingOutstanding();
}

TEST_F(StandInCellsTest, SetWritesValuesOverFormulasAndClearsWithoutAValue) {
  cells().SetFormula(L"A1", L"=B1", 3.0);
  cells().MarkUncalculated(L"A1");
  XLOPER12 a1_a2 = SRef(0, 0, 1, 0);
  XLOPER12 five = Num(5);
  ASSERT_EQ(Call(h::xlSet, {&a1_a2, &five}, nullptr), h::xlretSuccess);
  EXPECT_EQ(cells().ValueAt(L"A1"), CellValue(5.0));
  EXPECT_EQ(cells().ValueAt(L"A2"), CellValue(5.0));
  EXPECT_EQ(cells().FormulaAt(L"A1"), L"");
  EXPECT_FALSE(cells().IsUncalculated(L"A1"));

  XLOPER12 elements[2] = {Num(1), {}};
  wchar_t t[] = L"\x0001" L"t";
  elements[1].xltype = h::xltypeStr;
  elements[1].val.str = t;
  XLOPER12 row{};
  row.xltype = h::xltypeMulti;
  row.val.array = {elements, 1, 2};
  XLOPER12 b1_c2 = SRef(0, 1, 1, 2);
  ASSERT_EQ(Call(h::xlSet, {&b1_c2, &row}, nullptr), h::xlretSuccess);
  // One row repeats down the reference.
  EXPECT_EQ(cells().ValueAt(L"B2"), CellValue(1.0));
  EXPECT_EQ(cells().ValueAt(L"C2"), CellValue(L"t"));

  XLOPER12 missing{};
  missing.xltype = h::xltypeMissing;
  XLOPER12 a1_c1 = SRef(0, 0, 0, 2);
  ASSERT_EQ(Call(h::xlSet, {&a1_c1, &missing}, nullptr), h::xlretSuccess);
  EXPECT_TRUE(cells().ValueAt(L"A1").empty());
  EXPECT_TRUE(cells().ValueAt(L"C1").empty());
  ASSERT_EQ(Call(h::xlSet, {&a1_a2}, nullptr), h::xlretSuccess);
  EXPECT_TRUE(cells().ValueAt(L"A2").empty());
  EXPECT_EQ(cells().ValueAt(L"C2"), CellValue(L"t"));
  Area used;
  ASSERT_TRUE(cells().UsedRange(used));
  EXPECT_EQ(used, (Area{2, 2, 2, 3}));
}

TEST_F(StandInCellsTest, SelectionAsAreaTableOrSingleReferenceAndSelectOnlyOnTheActiveSheet) {
  xll::XlArea two[2] = {{1, 2, 1, 2}, {4, 4, 4, 4}};  // B2:C3 and E5
  alignas(xll::XlAreaList) unsigned char memory[sizeof(WORD) + 4 + sizeof(two)];
  auto* list = reinterpret_cast<xll::XlAreaList*>(memory);
  list->count = 2;
  list->reftbl[0] = two[0];
  list->reftbl[1] = two[1];
  XLOPER12 ref{};
  ref.xltype = h::xltypeRef;
  ref.val.mref.lpmref = list;
  ref.val.mref.idSheet = cells(0).id();
  ASSERT_EQ(Call(h::xlcSelect, {&ref}, nullptr), h::xlretSuccess);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$B$2:$C$3,$E$5");

  XLOPER12 result{};
  ASSERT_EQ(Call(h::xlfSelection, {}, &result), h::xlretSuccess);
  ASSERT_EQ(result.xltype, h::xltypeRef);
  EXPECT_EQ(result.val.mref.idSheet, cells(0).id());
  ASSERT_EQ(result.val.mref.lpmref->count, 2);
  EXPECT_EQ(result.val.mref.lpmref->reftbl[1].colFirst, 4);
  EXPECT_EQ(host.api().outstanding(), 1u);
  Free(result);
  ExpectNothingOutstanding();

  // The same reference on a sheet that is not active: refused, the selection stays.
  ref.val.mref.idSheet = cells(1).id();
  EXPECT_EQ(Call(h::xlcSelect, {&ref}, nullptr), h::xlretFailed);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$B$2:$C$3,$E$5");

  cells().Set(L"C2", 1.0);
  cells().Set(L"A5", 1.0);
  ASSERT_EQ(Call(h::xlcSelectLastCell, {}, nullptr), h::xlretSuccess);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$C$5");
  for (bool sref : {false, true}) {
    SCOPED_TRACE(sref);
    host.api().set_single_area_selection_as_sref(sref);
    ASSERT_EQ(Call(h::xlfSelection, {}, &result), h::xlretSuccess);
    const xll::XlArea a = sref ? result.val.sref.ref : result.val.mref.lpmref->reftbl[0];
    EXPECT_EQ(result.xltype, sref ? h::xltypeSRef : h::xltypeRef);
    EXPECT_EQ(a.rwFirst, 4);
    EXPECT_EQ(a.colLast, 2);
    Free(result);
  }
  ExpectNothingOutstanding();
}

TEST_F(StandInCellsTest, AddressesParseAsTheHostWritesThem) {
  struct Case {
    const wchar_t* text;
    const wchar_t* address;  // null: does not parse
  };
  const Case cases[] = {
      {L"a1", L"$A$1"},          {L"$B$2:C3", L"$B$2:$C$3"}, {L"C3:B2", L"$B$2:$C$3"},
      {L"B2:C3,E5", L"$B$2:$C$3,$E$5"}, {L"A1:xfd3001", L"$1:$3001"}, {L"A:A", L"$A:$A"},
      {L"2:3", L"$2:$3"},        {L"XFD1048576", L"$XFD$1048576"}, {L"XFE1", nullptr},
      {L"A1048577", nullptr},    {L"A0", nullptr},           {L"A", nullptr},
      {L"", nullptr},            {L"A1,", nullptr},          {L"A:1", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + wcslen(c.text)));
    Areas areas;
    ASSERT_EQ(ParseAreas(c.text, areas), c.address != nullptr);
    if (c.address) EXPECT_EQ(AddressOf(areas), c.address);
  }
}

}  // namespace
}  // namespace korvel::test
