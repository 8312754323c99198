// VlookupXLL over references, with the stand-in host's cells: each cell scanned through xlCoerce to the type
// of Find, the partner read with xlCoerce and copied into the add-in's own record. After every lookup no host
// memory is outstanding, no xlFree was bad, and exactly the records the host filled went back. Expected
// partners are written out by hand.
#include <memory>
#include <string>
#include <vector>

#include "add_in.h"
#include "calculation.h"
#include "object_model/workbooks.h"

namespace korvel::test {
namespace {

class LookupCellsTest : public AddInTest {
 protected:
  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  SheetCells& cells(size_t n = 0) { return sheet(n)->cells(); }

  // Rows and columns from 1, as the sheet counts; the records count from 0.
  static XLOPER12 SRef(LONG row, LONG column, LONG last_row, LONG last_column) {
    XLOPER12 r{};
    r.xltype = xltypeSRef;
    r.val.sref.count = 1;
    r.val.sref.ref = {row - 1, last_row - 1, column - 1, last_column - 1};
    return r;
  }
  // A reference to areas of sheet `n`; the area list lives as long as the test.
  XLOPER12 Ref(size_t n, std::vector<XlArea> areas) {
    auto list = std::make_unique<char[]>(sizeof(XlAreaList) + areas.size() * sizeof(XlArea));
    auto* l = reinterpret_cast<XlAreaList*>(list.get());
    l->count = static_cast<WORD>(areas.size());
    for (size_t i = 0; i < areas.size(); ++i) l->reftbl[i] = areas[i];
    lists_.push_back(std::move(list));
    XLOPER12 r{};
    r.xltype = xltypeRef;
    r.val.mref.lpmref = l;
    r.val.mref.idSheet = cells(n).id();
    return r;
  }
  static XlArea Area0(LONG row, LONG column, LONG last_row, LONG last_column) {
    return {row - 1, last_row - 1, column - 1, last_column - 1};
  }
  static XLOPER12 Num(double v) {
    XLOPER12 x{};
    x.xltype = xltypeNum;
    x.val.num = v;
    return x;
  }
  XLOPER12 Text(const std::wstring& s) {
    texts_.push_back(std::make_unique<wchar_t[]>(s.size() + 2));
    wchar_t* b = texts_.back().get();
    b[0] = static_cast<wchar_t>(s.size());
    std::wmemcpy(b + 1, s.data(), s.size());
    XLOPER12 x{};
    x.xltype = xltypeStr;
    x.val.str = b;
    return x;
  }

  // VlookupXLL in cell Z1 of the first sheet; what the cell shows. Checks the host's memory afterwards.
  Calculation::CellResult Lookup(XLOPER12 find_in, XLOPER12 find, XLOPER12 results) {
    host.api().ClearCalls();
    Calculation::CellResult r = Calculation::Get().Calculate(
        sheet(0), L"Z1", [&]() -> XLOPER12* { return VlookupXLL(&find_in, &find, &results); });
    if (!r.null) EXPECT_TRUE(r.value.type & xlbitDLLFree) << "the result goes back through xlAutoFree12";
    EXPECT_EQ(host.api().outstanding(), 0u) << "host memory outstanding";
    EXPECT_EQ(host.api().bad_frees(), 0u);
    size_t filled = 0;
    for (const SeenCall& c : host.api().CallsOf(xlCoerce)) filled += c.returned == xlretSuccess;
    EXPECT_EQ(host.api().CallsOf(xlFree).size(), filled) << "each record the host filled goes back, no other";
    return r;
  }
  static void ExpectNumber(const Calculation::CellResult& r, double v) {
    ASSERT_FALSE(r.null);
    EXPECT_EQ(r.value.type, xltypeNum | xlbitDLLFree);
    EXPECT_EQ(r.value.num, v);
  }
  static void ExpectText(const Calculation::CellResult& r, const std::wstring& t) {
    ASSERT_FALSE(r.null);
    EXPECT_EQ(r.value.type, xltypeStr | xlbitDLLFree);
    EXPECT_EQ(r.value.text, t);
  }
  static void ExpectKind(const Calculation::CellResult& r, DWORD kind, int integer) {
    ASSERT_FALSE(r.null);
    EXPECT_EQ(r.value.type, kind | xlbitDLLFree);
    EXPECT_EQ(r.value.integer, integer);
  }
  static void ExpectNA(const Calculation::CellResult& r) { ExpectKind(r, xltypeErr, 42); }

 private:
  std::vector<std::unique_ptr<char[]>> lists_;
  std::vector<std::unique_ptr<wchar_t[]>> texts_;
};

TEST_F(LookupCellsTest, TheHostConvertsEachCellToTheTypeSought) {
  cells().SetEach(L"A1:A4", {L"x", L"12", 12.5, L"y"});
  cells().SetEach(L"B1:B4", {1.0, L"two", CellValue::Bool(true), CellValue::Error(7)});
  const XLOPER12 a = SRef(1, 1, 4, 1), b = SRef(1, 2, 4, 2);
  ExpectText(Lookup(a, Num(12), b), L"two");  // 'x' does not convert and is passed over; '12' does
  ExpectNumber(Lookup(a, Text(L"x"), b), 1);
  ExpectKind(Lookup(a, Text(L"12.5"), b), xltypeBool, 1);  // the number 12.5 converts to its text
  ExpectKind(Lookup(a, Text(L"y"), b), xltypeErr, 7);
  ExpectNA(Lookup(a, Text(L"X"), b));  // case counts
  ExpectNA(Lookup(a, Num(13), b));
  XLOPER12 yes{};
  yes.xltype = xltypeBool;
  yes.val.xbool = TRUE;
  ExpectNA(Lookup(a, yes, b));
  XLOPER12 missing{};
  missing.xltype = xltypeMissing;
  ExpectNA(Lookup(a, missing, b));
}

TEST_F(LookupCellsTest, EmptyPartnerAndPositionsInRowByRowOrder) {
  // A1:B2 holds 1 2 / 3 4; its partner is the row D1:G1, and also a 4 x 1 array.
  cells().SetEach(L"A1:B2", {1.0, 2.0, 3.0, 3.0});
  cells().SetEach(L"D1:G1", {L"d", L"e", L"f", L"g"});
  cells().Set(L"H1", 8.0);
  const XLOPER12 block = SRef(1, 1, 2, 2), row = SRef(1, 4, 1, 7);
  ExpectText(Lookup(block, Num(2), row), L"e");
  ExpectText(Lookup(block, Num(3), row), L"f");  // the first of two in row-by-row order
  XLOPER12 elements[] = {Num(10), Num(20), Num(30), Num(40)};
  XLOPER12 array{};
  array.xltype = xltypeMulti;
  array.val.array.lparray = elements;
  array.val.array.rows = 4;
  array.val.array.columns = 1;
  ExpectNumber(Lookup(block, Num(3), array), 30);
  ExpectText(Lookup(array, Num(40), row), L"g");
  // An empty partner cell gives the empty value.
  cells().Clear(L"E1");
  const Calculation::CellResult empty = Lookup(block, Num(2), row);
  ASSERT_FALSE(empty.null);
  EXPECT_EQ(empty.value.type, xltypeNil | xlbitDLLFree);
}

TEST_F(LookupCellsTest, ReferencesReadTheSheetTheyName) {
  // The lookup runs on the first sheet; the second holds other values at the same addresses.
  cells(0).SetEach(L"A1:B2", {L"k", L"first-sheet", L"m", L"first-m"});
  cells(1).SetEach(L"A1:B2", {L"k", L"second-sheet", L"m", L"second-m"});
  const XLOPER12 keys1 = Ref(1, {Area0(1, 1, 2, 1)}), values1 = Ref(1, {Area0(1, 2, 2, 2)});
  ExpectText(Lookup(keys1, Text(L"m"), values1), L"second-m");
  // An xltypeSRef partner lies on the calling sheet, whichever sheet the keys came from.
  ExpectText(Lookup(keys1, Text(L"m"), SRef(1, 2, 2, 2)), L"first-m");
  ExpectText(Lookup(SRef(1, 1, 2, 1), Text(L"k"), values1), L"second-sheet");
  // Only the first area of a reference counts: its two cells pair with the two partners.
  const XLOPER12 two_areas = Ref(1, {Area0(1, 1, 2, 1), Area0(5, 5, 9, 9)});
  ExpectText(Lookup(two_areas, Text(L"k"), values1), L"second-sheet");
}

TEST_F(LookupCellsTest, CollectionsOfOtherKindsOrCountsGiveNull) {
  cells().SetEach(L"A1:A4", {1.0, 2.0, 3.0, 4.0});
  XLOPER12 number = Num(1);
  struct Case {
    const char* what;
    XLOPER12 find_in, results;
  };
  XLOPER12 no_areas = Ref(0, {});
  const Case cases[] = {
      {"3 and 4 cells", SRef(1, 1, 3, 1), SRef(1, 2, 4, 2)},
      {"a number", number, SRef(1, 2, 1, 2)},
      {"a reference without areas", no_areas, SRef(1, 2, 1, 2)},
      // 2^34 and 2^32 cells: both 0 in 32 bits.
      {"the whole sheet and a quarter of its columns", SRef(1, 1, 1048576, 16384), SRef(1, 1, 1048576, 4096)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(Lookup(c.find_in, Num(1), c.results).null);
    EXPECT_TRUE(host.api().CallsOf(xlCoerce).empty());
  }
}

TEST_F(LookupCellsTest, CellsNotYetCalculated) {
  cells().SetEach(L"A1:A3", {5.0, 7.0, 9.0});
  cells().SetEach(L"B1:B3", {L"a", L"b", L"c"});
  const XLOPER12 a = SRef(1, 1, 3, 1), b = SRef(1, 2, 3, 2);
  cells().MarkUncalculated(L"A3");
  ExpectText(Lookup(a, Num(7), b), L"b");  // found before the cell
  ExpectNA(Lookup(a, Num(9), b));
  cells().MarkUncalculated(L"A3", false);
  cells().MarkUncalculated(L"B2");
  ExpectNA(Lookup(a, Num(7), b));  // the partner
  ExpectText(Lookup(a, Num(9), b), L"c");
}

TEST_F(LookupCellsTest, InjectedCoerceFailuresLeaveNAOrSkipTheCell) {
  // A1:A4 = 5 7 9 7, partners a b c d; Find 7. Calls: A1, A2 (match), then the partner B2. A failed cell is
  // passed over: failing A2 finds A4 (calls A1, A2, A3, A4, then B4). Any answer but success for the partner
  // leaves #N/A.
  cells().SetEach(L"A1:A4", {5.0, 7.0, 9.0, 7.0});
  cells().SetEach(L"B1:B4", {L"a", L"b", L"c", L"d"});
  const XLOPER12 a = SRef(1, 1, 4, 1), b = SRef(1, 2, 4, 2);
  struct Case {
    int nth;
    int code;
    const wchar_t* partner;  // null: #N/A
  };
  const Case cases[] = {
      {1, xlretUncalced, nullptr}, {2, xlretUncalced, nullptr}, {3, xlretUncalced, nullptr},
      {4, xlretUncalced, L"b"},    {1, xlretFailed, L"b"},      {2, xlretFailed, L"d"},
      {3, xlretFailed, nullptr},   {4, xlretFailed, L"b"},      {3, xlretInvXloper, nullptr},
      {3, xlretAbort, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nth);
    SCOPED_TRACE(c.code);
    host.api().Reset();
    host.api().FailOnCall(xlCoerce, c.nth, c.code);
    const Calculation::CellResult r = Lookup(a, Num(7), b);
    if (c.partner) ExpectText(r, c.partner);
    else ExpectNA(r);
  }
}

}  // namespace
}  // namespace korvel::test
