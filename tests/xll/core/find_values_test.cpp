// FindValuesXLL in the stand-in host: runs per column carried across areas, the search bound of the sheet's
// last used cell, the selection it leaves, #N/A for no match, the limit of 32767 runs, and each host call
// failing. After every case no host memory is outstanding and nothing was freed twice.
#include <cstring>

#include "add_in.h"
#include "host_numbers.h"

namespace korvel::test {
namespace {

namespace h = korvel::standin::hostapi;

// A reference record over an area table of its own.
class Reference {
 public:
  Reference(std::vector<XlArea> areas, DWORD_PTR sheet) {
    storage_.resize(offsetof(XlAreaList, reftbl) + sizeof(XlArea) * std::max<size_t>(areas.size(), 1));
    auto* list = reinterpret_cast<XlAreaList*>(storage_.data());
    list->count = static_cast<WORD>(areas.size());
    for (size_t i = 0; i < areas.size(); ++i) list->reftbl[i] = areas[i];
    record_.xltype = h::xltypeRef;
    record_.val.mref.lpmref = list;
    record_.val.mref.idSheet = sheet;
  }
  XLOPER12* get() { return &record_; }

 private:
  std::vector<unsigned char> storage_;
  XLOPER12 record_{};
};

XLOPER12 SRef(XlArea area) {
  XLOPER12 r{};
  r.xltype = h::xltypeSRef;
  r.val.sref.count = 1;
  r.val.sref.ref = area;
  return r;
}
XLOPER12 Num(double v) {
  XLOPER12 r{};
  r.xltype = h::xltypeNum;
  r.val.num = v;
  return r;
}

// Rows and columns from 0, as the C API counts.
XlArea Rect(XlRow r0, XlColumn c0, XlRow r1, XlColumn c1) { return XlArea{r0, r1, c0, c1}; }

std::wstring AddressOfAreas(const XlArea* areas, int count) {
  Areas out;
  for (int i = 0; i < count; ++i)
    out.push_back(Area{areas[i].rwFirst + 1, areas[i].colFirst + 1, areas[i].rwLast + 1, areas[i].colLast + 1});
  return AddressOf(out);
}

class FindValuesTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    app_refs_ = app()->refs();
  }
  void TearDown() override {
    EXPECT_EQ(host.api().outstanding(), 0u) << "host memory not given back";
    EXPECT_EQ(host.api().bad_frees(), 0u);
    EXPECT_EQ(app()->refs(), app_refs_);
    AddInTest::TearDown();
  }
  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  SheetCells& cells(size_t n = 0) { return sheet(n)->cells(); }

  // Runs the search; gives the result's areas as an address ("" for a null result, "#N/A" for that error)
  // and hands the result back to the add-in as the host does.
  std::wstring Find(XLOPER12* arr, XLOPER12 find, int compare) {
    XLOPER12* result = FindValuesXLL(arr, &find, compare);
    if (!result) return L"";
    std::wstring out;
    if (result->xltype == (h::xltypeErr | h::xlbitDLLFree)) {
      out = result->val.err == 42 ? L"#N/A" : L"other error";
    } else if (result->xltype == (h::xltypeRef | h::xlbitDLLFree)) {
      EXPECT_EQ(result->val.mref.idSheet, cells().id()) << "the result names the active sheet";
      out = AddressOfAreas(result->val.mref.lpmref->reftbl, result->val.mref.lpmref->count);
    } else {
      ADD_FAILURE() << "result type " << result->xltype;
    }
    host.api().TakeResult(result);
    return out;
  }

  LONG app_refs_ = 0;
};

TEST_F(FindValuesTest, RunsPerColumnInColumnOrder) {
  // Row by row: 5 in A1, A2, A3 and B2.
  cells().SetEach(L"A1:B3", {5, 1, 5, 5, 5, 2});
  XLOPER12 arr = SRef(Rect(0, 0, 2, 1));
  EXPECT_EQ(Find(&arr, Num(5), 2), L"$A$1:$A$3,$B$2");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(FindValuesTest, ARunGoesOnIntoTheNextAreaDirectlyBelow) {
  cells().SetEach(L"A1:A4", {1, 5, 5, 1});
  Reference arr({Rect(0, 0, 1, 0), Rect(2, 0, 3, 0)}, cells().id());
  EXPECT_EQ(Find(arr.get(), Num(5), 2), L"$A$2:$A$3");
}

TEST_F(FindValuesTest, AFirstMatchOpensItsOwnArea) {
  cells().SetEach(L"A1:A3", {1, 5, 1});
  XLOPER12 arr = SRef(Rect(0, 0, 2, 0));
  EXPECT_EQ(Find(&arr, Num(5), 2), L"$A$2");
  // A match at the top of the next column is a new run, not the continuation of the last row above.
  cells().SetEach(L"A1:B3", {1, 5, 1, 1, 5, 1});
  arr = SRef(Rect(0, 0, 2, 1));
  EXPECT_EQ(Find(&arr, Num(5), 2), L"$A$3,$B$1");
}

TEST_F(FindValuesTest, TheLastUsedCellBoundsTheSearchAndTheReferenceStaysSelected) {
  cells().SetEach(L"A1:A5", {5, 5, 1, 5, 5});
  cells().Set(L"C2", L"x");  // the used range ends at row 5, column 3
  for (bool sref : {false, true}) {
    SCOPED_TRACE(sref ? "selection answered as one reference" : "selection answered as an area table");
    host.api().set_single_area_selection_as_sref(sref);
    cells().Select(L"D9");
    host.api().ClearCalls();
    // A:A, an area below the last used row, and one right of the last used column.
    Reference arr({Rect(0, 0, 1048575, 0), Rect(7, 0, 9, 1), Rect(0, 4, 2, 5)}, cells().id());
    EXPECT_EQ(Find(arr.get(), Num(5), 2), L"$A$1:$A$2,$A$4:$A$5");
    const auto coerced = host.api().CallsOf(h::xlCoerce);
    ASSERT_EQ(coerced.size(), 1u) << "areas outside the used range are not read";
    ASSERT_EQ(coerced[0].args.size(), 2u);
    EXPECT_EQ(AddressOfAreas(coerced[0].args[0].areas.data(), 1), L"$A$1:$A$5") << "A:A is cut to the used rows";
    EXPECT_EQ(coerced[0].args[1].integer, 64);
    EXPECT_EQ(AddressOf(cells().selection().areas), L"$A:$A,$A$8:$B$10,$E$1:$F$3");
  }
}

TEST_F(FindValuesTest, AnAreaCutToTheLastUsedColumn) {
  cells().SetEach(L"A1:B2", {5, 5, 1, 5});
  XLOPER12 arr = SRef(Rect(0, 0, 1, 6));
  EXPECT_EQ(Find(&arr, Num(5), 2), L"$A$1,$B$1:$B$2");
  EXPECT_EQ(AddressOfAreas(host.api().CallsOf(h::xlCoerce).at(0).args[0].areas.data(), 1), L"$A$1:$B$2");
}

TEST_F(FindValuesTest, TextsFlagsAndNoMatch) {
  cells().SetEach(L"A1:A4", {L"xaby", L"ab", L"AB", 5});
  XLOPER12 arr = SRef(Rect(0, 0, 3, 0));
  wchar_t ab[] = L"\x0002" L"ab";
  XLOPER12 text{};
  text.xltype = h::xltypeStr;
  text.val.str = ab;
  EXPECT_EQ(Find(&arr, text, 8), L"$A$1:$A$2");
  EXPECT_EQ(Find(&arr, text, 2), L"$A$2");
  // Nothing matches: #N/A, not a reference without areas.
  EXPECT_EQ(Find(&arr, Num(7), 2), L"#N/A");
  EXPECT_EQ(Find(&arr, Num(5), 0), L"#N/A");
  XLOPER12 as_reference = SRef(Rect(3, 0, 3, 0));
  EXPECT_EQ(Find(&arr, as_reference, 2), L"#N/A") << "a reference as the value looked for matches nothing";
  // Every area skipped.
  XLOPER12 below = SRef(Rect(10, 0, 12, 0));
  EXPECT_EQ(Find(&below, Num(5), 2), L"#N/A");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(FindValuesTest, ThirtyTwoThousandSevenHundredSixtySevenRunsAndOneMore) {
  // Matches on every other row: each one a run of its own.
  const int kRuns = 32767;
  for (LONG row = 1; row <= 2 * kRuns - 1; row += 2) cells().SetValue(row, 1, 5.0);
  XLOPER12 arr = SRef(Rect(0, 0, 2 * kRuns, 0));
  XLOPER12 five = Num(5);
  XLOPER12* result = FindValuesXLL(&arr, &five, 2);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->val.mref.lpmref->count, kRuns);
  const XlArea last = result->val.mref.lpmref->reftbl[kRuns - 1];
  EXPECT_EQ(last.rwFirst, 2 * kRuns - 2);
  EXPECT_EQ(last.rwLast, 2 * kRuns - 2);
  host.api().TakeResult(result);
  cells().SetValue(2 * kRuns + 1, 1, 5.0);
  EXPECT_EQ(FindValuesXLL(&arr, &five, 2), nullptr) << "run 32768 makes the result null";
  EXPECT_TRUE(boxes().empty()) << "without a message";
}

TEST_F(FindValuesTest, RefusedArguments) {
  XLOPER12 five = Num(5);
  EXPECT_EQ(FindValuesXLL(nullptr, &five, 2), nullptr);
  EXPECT_EQ(FindValuesXLL(&five, &five, 2), nullptr);
  Reference none({}, cells().id());
  EXPECT_EQ(FindValuesXLL(none.get(), &five, 2), nullptr);
  EXPECT_TRUE(host.api().CallsOf(h::xlcSelectLastCell).empty()) << "refused before any host call";
  EXPECT_TRUE(boxes().empty());
}

TEST_F(FindValuesTest, EachHostCallFailing) {
  const int functions[] = {h::xlcSelectLastCell, h::xlfSelection, h::xlcSelect, h::xlSheetId, h::xlCoerce};
  cells().SetEach(L"A1:A2", {5, 5});
  for (int function : functions) {
    SCOPED_TRACE(function);
    host.ui().Reset();
    host.api().FailOnCall(function, 1, h::xlretFailed);
    XLOPER12 arr = SRef(Rect(0, 0, 1, 0));
    XLOPER12 five = Num(5);
    EXPECT_EQ(FindValuesXLL(&arr, &five, 2), nullptr);
    ASSERT_EQ(boxes().size(), 1u) << "the host-call layer's box";
    EXPECT_EQ(boxes()[0].text.rfind(L"Excel12X>ERROR:", 0), 0u);
    EXPECT_EQ(host.api().outstanding(), 0u);
  }
}

TEST_F(FindValuesTest, AnAreaThatIsNoRectangleAndACoerceThatGivesNoArray) {
  cells().SetEach(L"A1:A2", {5, 5});
  Reference bad({Rect(0, 0, 1, 0), Rect(3, 0, 1, 0)}, cells().id());
  XLOPER12 five = Num(5);
  EXPECT_EQ(FindValuesXLL(bad.get(), &five, 2), nullptr);
  // The host refuses to select it, before the search would take its areas.
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text.rfind(L"Excel12X>ERROR:", 0), 0u);

  host.ui().Reset();
  host.api().SetHandler(h::xlCoerce, [](int, XLOPER12**, XLOPER12* result) {
    result->xltype = h::xltypeNum;
    result->val.num = 5;
    return h::xlretSuccess;
  });
  XLOPER12 arr = SRef(Rect(0, 0, 1, 0));
  EXPECT_EQ(FindValuesXLL(&arr, &five, 2), nullptr);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"FindValuesXLL: ERROR> xltypeMulti, areasCount: 0");
  EXPECT_EQ(boxes()[0].type, 0x40040u);
  EXPECT_EQ(boxes()[0].caption, ProductTitle);
  EXPECT_EQ(boxes()[0].owner, host.windows().main());
}

}  // namespace
}  // namespace korvel::test
