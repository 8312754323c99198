// The thousands format on the selection, and numbers stored as text turned into numbers, nothing else
// changing its value or type.
#include <cmath>

#include "command_fixture.h"
#include "object_model/sheet_extras.h"

namespace korvel::test {
namespace {

const wchar_t kQuestionText[] =
    L"Конвертиравать числа, сохраненные как текст, в числа?\n (если выделена одна ячека, обрабатывается весь лист)";
const wchar_t kNoCells[] = L"Не найдено ни одной ячейки, удовлетворяющей указанным условиям.";

class NumberFormatsTest : public CommandTest {
 protected:
  Worksheet* sheet() { return app()->active_sheet(); }
  SheetCells& cells() { return sheet()->cells(); }
  void Fresh() {
    StartAfresh();
    Baseline();
  }
  std::wstring Format(const wchar_t* address) {
    Areas a;
    EXPECT_TRUE(ParseAreas(address, a));
    return NumberFormatAt(sheet(), a[0].first_row, a[0].first_column);
  }
};

// ---- XLLbuttonFormatCells000

TEST_F(NumberFormatsTest, EverySelectedCellGetsTheThousandsFormat) {
  const struct {
    const wchar_t* script;
    int mode;
    bool timing;
  } cases[] = {{L"0", 1, false}, {nullptr, 1, true}, {nullptr, 2, false}, {L"", 3, false}, {L"1", 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    cells().Select(L"B2:C3,E5");
    EXPECT_EQ(Run(XLLbuttonFormatCells000, c.script, c.mode), 0);
    for (const wchar_t* cell : {L"B2", L"C2", L"B3", L"C3", L"E5"}) EXPECT_EQ(Format(cell), L"#,##0");
    for (const wchar_t* cell : {L"A1", L"D2", L"E4"}) EXPECT_EQ(Format(cell), L"General");
    const std::vector<SeenInvoke> puts = InvokesOf(L"Range", L"NumberFormat");
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_EQ(puts[0].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(puts[0].named_args[0].vt, VT_BSTR);
    EXPECT_EQ(BoxesWithoutTiming().size(), 0u);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    ExpectHostAsFound();
  }
}

TEST_F(NumberFormatsTest, FormatFailuresStop) {
  const struct {
    MemberFailure failure;
    const wchar_t* box;
    bool protect;
  } cases[] = {{{L"Application", L"Selection"}, L"pxlSelection: ", false},
               {{L"Range", L"NumberFormat"}, L"NumberFormat: ", false},
               {{}, L"NumberFormat: ", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.box, c.box + std::wcslen(c.box)));
    Fresh();
    cells().Select(L"B2:C3");
    if (c.protect) SetContentsProtected(sheet(), true);
    else host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonFormatCells000, L"1", 1), -1);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{c.box, kError}}));
    EXPECT_EQ(Format(L"B2"), L"General");
    ExpectHostAsFound();
  }
}

// ---- XLLbuttonTextToNumber

// The mend's fixture: texts that read as numbers beside texts that read as formulas, dates and booleans,
// a number of more than 15 digits, a boolean, an error and a formula.
struct Fixture {
  const wchar_t* cell;
  CellValue before;
  CellValue after;
};

const double kLong = 0.12345678901234567;  // more digits than 15 can carry back
const Fixture kFixture[] = {
    {L"A1", CellValue(L"12"), CellValue(12.0)},
    {L"A2", CellValue(L"1,5"), CellValue(1.5)},
    {L"A3", CellValue(L"=A1"), CellValue(L"=A1")},
    {L"A4", CellValue(L"1.5"), CellValue(L"1.5")},
    {L"A5", CellValue(L"ЛОЖЬ"), CellValue(L"ЛОЖЬ")},
    {L"A6", CellValue(kLong), CellValue(kLong)},
    {L"A7", CellValue::Bool(true), CellValue::Bool(true)},
    {L"A8", CellValue::Error(42), CellValue::Error(42)},
    {L"B1", CellValue(L"abc"), CellValue(L"abc")},
    {L"B2", CellValue(L"-3E2"), CellValue(-300.0)},
    {L"B3", CellValue(L"12 345"), CellValue(L"12 345")},
    {L"B4", CellValue(L"'7"), CellValue(L"'7")},
};

class TextToNumberTest : public NumberFormatsTest {
 protected:
  void Fill() {
    for (const Fixture& f : kFixture) cells().Set(f.cell, f.before);
    cells().SetFormula(L"B5", L"=A1&\"x\"", CellValue(L"12x"));
    cells().Select(L"A1:B8");
  }
  void ExpectConverted() {
    for (const Fixture& f : kFixture) EXPECT_TRUE(cells().ValueAt(f.cell) == f.after) << std::string(f.cell, f.cell + 2);
    EXPECT_EQ(cells().FormulaAt(L"B5"), L"=A1&\"x\"");
    EXPECT_TRUE(cells().ValueAt(L"B5") == CellValue(L"12x"));
  }
};

TEST_F(TextToNumberTest, OnlyTextsThatReadAsNumbersBecomeNumbers) {
  const struct {
    const wchar_t* script;
    int mode;
    bool question;
    bool timing;
  } cases[] = {{nullptr, 1, true, true}, {nullptr, 2, true, false}, {L"", 3, false, false},
               {L"1", 2, false, false},  {L"11", 2, false, true},   {L"10", 1, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    Fill();
    EXPECT_EQ(Run(XLLbuttonTextToNumber, c.script, c.mode, {IDYES}), 0);
    ExpectConverted();
    // The selection is what was rewritten: the constants, row by row, formulas and empty cells left out.
    EXPECT_EQ(AddressOf(cells().selection().areas), L"$A$1:$B$1,$A$2:$B$2,$A$3:$B$3,$A$4:$B$4,$A$5,$A$6,$A$7,$A$8");
    std::vector<Box> expected;
    if (c.question) expected.push_back({kQuestionText, kQuestion});
    EXPECT_EQ(BoxesWithoutTiming(), expected);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    const std::vector<SeenInvoke> special = InvokesOf(L"Range", L"SpecialCells");
    ASSERT_EQ(special.size(), 1u);
    EXPECT_EQ(special[0].flags, DISPATCH_METHOD);
    EXPECT_EQ(special[0].args[0].vt, VT_I4);
    EXPECT_EQ(special[0].args[0].text, L"2");
    ExpectHostAsFound();
  }
}

TEST_F(TextToNumberTest, OneSelectedCellTakesTheWholeSheet) {
  Fill();
  cells().Select(L"D9");
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
  ExpectConverted();
  ExpectHostAsFound();
}

TEST_F(TextToNumberTest, ADecliningZeroTouchesNothing) {
  Fill();
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"0", 3), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(NoHostCall());
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(L"12"));
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$A$1:$B$8");
}

TEST_F(TextToNumberTest, NoConstantsLeavesTheSelection) {
  cells().SetFormula(L"C3", L"=1", CellValue(1.0));
  cells().Select(L"B2:C3");
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"11", 2), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{kNoCells, kWarning}}));
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$B$2:$C$3");
  ExpectHostAsFound();
}

TEST_F(TextToNumberTest, AFailureAtTheSecondOfThreeAreasStopsThere) {
  cells().Set(L"A1", CellValue(L"1"));
  cells().Set(L"C1", CellValue(L"2"));
  cells().Set(L"E1", CellValue(L"3"));
  cells().Select(L"A1:E1");
  host.model().Fail({L"Range", L"FormulaLocal", DISPATCH_PROPERTYPUT, E_FAIL, 1, false, false, 1});
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"11", 2), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"FormulaLocalOut", kError}}));
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(1.0));
  EXPECT_TRUE(cells().ValueAt(L"C1") == CellValue(L"2"));
  EXPECT_TRUE(cells().ValueAt(L"E1") == CellValue(L"3"));
  ExpectHostAsFound();
}

TEST_F(TextToNumberTest, EachStepThatFailsStopsWithItsBox) {
  const struct {
    MemberFailure failure;
    Box box;
    bool first_rewritten;
  } cases[] = {
      {{L"Application", L"Selection"}, {L"pxlSelection", kError}, false},
      {{L"Range", L"SpecialCells"}, {kNoCells, kWarning}, false},
      {{L"Range", L"Select"}, {L"Select", kError}, false},
      {{L"Range", L"Areas"}, {L"Areas", kError}, false},
      {{L"Areas", L"Count"}, {L"AreasCount", kError}, false},
      {{L"Areas", L"Item", 0, E_FAIL, 1, false, false, 1}, {L"AreasItem", kError}, true},
      {{L"Range", L"FormulaLocal", DISPATCH_PROPERTYGET, E_FAIL, 1}, {L"FormulaLocalIn", kError}, false},
      {{L"Range", L"Value", DISPATCH_PROPERTYGET, E_FAIL, 1}, {L"FormulaLocalIn", kError}, false},
      {{L"Application", L"DecimalSeparator"}, {L"DecimalSeparator", kError}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.box);
    Fresh();
    cells().Set(L"A1", CellValue(L"1"));
    cells().Set(L"C1", CellValue(L"2"));
    cells().Select(L"A1:C1");
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonTextToNumber, L"11", 2), -1);
    EXPECT_EQ(Boxes(), (std::vector<Box>{c.box}));
    EXPECT_TRUE(cells().ValueAt(L"A1") == (c.first_rewritten ? CellValue(1.0) : CellValue(L"1")));
    EXPECT_TRUE(cells().ValueAt(L"C1") == CellValue(L"2"));
    ExpectHostAsFound();
  }
}

TEST_F(TextToNumberTest, AProtectedSheetRefusesTheWrite) {
  cells().Set(L"A1", CellValue(L"1"));
  SetContentsProtected(sheet(), true);
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"11", 2), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"FormulaLocalOut", kError}}));
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(L"1"));
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

TEST_F(TextToNumberTest, WithTheSystemSeparatorsTheSystemsDecimalCounts) {
  wchar_t decimal[8] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8), 0);
  const wchar_t other = decimal[0] == L',' ? L'.' : L',';
  app()->Value(L"UseSystemSeparators") = OwnedVariant::Bool(true);
  cells().Set(L"A1", CellValue(std::wstring(L"1") + decimal[0] + L"25"));
  cells().Set(L"A2", CellValue(std::wstring(L"1") + other + L"25"));
  cells().Select(L"A1:A2");
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(1.25));
  EXPECT_TRUE(cells().ValueAt(L"A2") == CellValue(std::wstring(L"1") + other + L"25"));
  ExpectHostAsFound();
}

}  // namespace
}  // namespace korvel::test
