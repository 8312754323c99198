// The thousands format on the selection, and numbers stored as text turned into numbers, nothing else
// changing its value, type, format or the formatting of its characters.
#include <cmath>
#include <optional>
#include <set>

#include "command_fixture.h"
#include "object_model/ranges.h"
#include "object_model/sheet_extras.h"
#include "system_locale.h"

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

// The mend's fixture: texts that read as numbers (one with a group separator) beside texts that read as
// formulas, dates and booleans, a number of more than 15 digits, a boolean, an error and a formula.
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
    {L"B3", CellValue(L"12 345"), CellValue(12345.0)},
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
  host.model().Fail({L"Range", L"Value2", DISPATCH_PROPERTYPUT, E_FAIL, 1, false, false, 1});
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
      {{L"Range", L"Value2", DISPATCH_PROPERTYGET, E_FAIL, 1}, {L"FormulaLocalIn", kError}, false},
      {{L"Range", L"Value2", DISPATCH_PROPERTYPUT, E_FAIL, 1}, {L"FormulaLocalOut", kError}, false},
      {{L"Application", L"UseSystemSeparators"}, {L"UseSystemSeparators", kError}, false},
      {{L"Application", L"DecimalSeparator"}, {L"DecimalSeparator", kError}, false},
      {{L"Application", L"ThousandsSeparator"}, {L"ThousandsSeparator", kError}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.box);
    Fresh();
    // The Application's own separators, which the host reads only while it does not use the system's.
    app()->Value(L"UseSystemSeparators") = OwnedVariant::Bool(false);
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

namespace korvel::test {
namespace {

// One cell of a sheet before and after the command: what it holds (value and type), its number format, the
// formatting of its characters and its formula. `becomes` is its value after, when the command converts it;
// every other cell must come out exactly as it went in.
struct SheetCell {
  const wchar_t* cell;
  CellValue before;
  const wchar_t* format = L"General";
  std::vector<CharacterRun> characters = {};
  const wchar_t* formula = nullptr;
  std::optional<CellValue> becomes = std::nullopt;
};

class TextToNumberSheetTest : public NumberFormatsTest {
 protected:
  void TearDown() override {
    SystemLocale::Get().Reset();
    NumberFormatsTest::TearDown();
  }
  static std::pair<LONG, LONG> At(const wchar_t* cell) {
    Areas a;
    EXPECT_TRUE(ParseAreas(cell, a));
    return {a[0].first_row, a[0].first_column};
  }
  void Fill(const std::vector<SheetCell>& sheet_cells) {
    for (const SheetCell& c : sheet_cells) {
      if (c.formula) cells().SetFormula(c.cell, c.formula, c.before);
      else if (!c.characters.empty()) cells().SetRichText(c.cell, c.before.text, c.characters);
      else cells().Set(c.cell, c.before);
      const auto [row, column] = At(c.cell);
      SetNumberFormat(sheet(), row, column, c.format);
    }
  }
  void ExpectAfter(const std::vector<SheetCell>& sheet_cells) {
    for (const SheetCell& c : sheet_cells) {
      SCOPED_TRACE(std::string(c.cell, c.cell + std::wcslen(c.cell)));
      const CellValue value = cells().ValueAt(c.cell);
      const CellValue& expected = c.becomes ? *c.becomes : c.before;
      EXPECT_TRUE(value == expected) << "kind " << static_cast<int>(value.kind) << " number " << value.number
                                     << " text " << std::string(value.text.begin(), value.text.end());
      const auto [row, column] = At(c.cell);
      EXPECT_EQ(NumberFormatAt(sheet(), row, column), c.format);
      // A cell written loses its character formatting in the host; a cell left alone keeps it.
      EXPECT_EQ(cells().CharactersAt(c.cell), c.becomes ? std::vector<CharacterRun>{} : c.characters);
      EXPECT_EQ(cells().FormulaAt(c.cell), c.formula ? c.formula : L"");
    }
    // The rest of the sheet: a write that lands beside the cells it meant (a run put across instead of down)
    // shows as a cell that holds something where nothing was.
    std::set<std::pair<LONG, LONG>> listed;
    for (const SheetCell& c : sheet_cells) listed.insert(At(c.cell));
    for (const auto& [at, cell] : cells().cells()) {
      if (listed.count(at)) continue;
      EXPECT_TRUE(cell.value.empty() && !cell.has_formula() && cell.characters.empty())
          << "row " << at.first << " column " << at.second << " holds something the sheet never had";
    }
  }
  // The host hands a block of constants over as one rectangle, where the stand-in gives a row at a time:
  // the selected cell's SpecialCells gives `address` as its areas.
  void ConstantsAsAreas(const wchar_t* selected, const wchar_t* address) {
    Areas areas;
    ASSERT_TRUE(ParseAreas(address, areas));
    const auto [row, column] = At(selected);
    cells().Select(selected);
    Worksheet* on = sheet();
    on->Cell(row, column)->Define(L"SpecialCells", [on, areas](HostObject::Call& call) -> HRESULT {
      HostObject::Call plain = call;
      plain.args.clear();
      return Range::Give(plain, on, areas);
    });
  }
};

// Value would give the currency cells their numbers rounded to four decimals and the date cell a Date; a
// write of every constant would drop the characters' formatting of each text. Only the number texts change.
TEST_F(TextToNumberSheetTest, OnlyTheNumberTextsOfTheWholeSheetChange) {
  const std::vector<SheetCell> sheet_cells = {
      {L"A1", CellValue(1.23456789), L"# ##0,00 \u20BD"},
      {L"A2", CellValue(0.00004), L"$#,##0.00"},
      {L"A3", CellValue(45657.75), L"dd.mm.yyyy hh:mm"},
      {L"A4", CellValue(0.125), L"0.0%"},
      {L"A5", CellValue(L"Итого: 12"), L"General", {{1, 6, L"Bold"}, {8, 2, L"Color=255"}}},
      {L"A6", CellValue::Bool(true)},
      {L"A7", CellValue::Error(7)},
      {L"A8", CellValue(2.46913578), L"$#,##0.00", {}, L"=A1*2"},
      {L"A9", CellValue(0.12345678901234567)},
      {L"B1", CellValue(L"12"), L"General", {}, nullptr, CellValue(12.0)},
      {L"B2", CellValue(L"1 234,56"), L"$#,##0.00", {}, nullptr, CellValue(1234.56)},
      {L"B3", CellValue(L"abc")},
      {L"B4", CellValue(L"15.03.2024")},
      {L"B5", CellValue(L"'7")},
      {L"B6", CellValue(L"12"), L"General", {{1, 2, L"Italic"}}, nullptr, CellValue(12.0)},
      {L"B7", CellValue(L"ИСТИНА")},
      {L"B8", CellValue(L"12x"), L"@"},
      {L"C1", CellValue(L"-3E2"), L"0.00", {}, nullptr, CellValue(-300.0)},
      {L"C2", CellValue(L"5%")},
      {L"C5", CellValue(45000.0), L"dd.mm.yyyy"},
  };
  Fill(sheet_cells);
  cells().Select(L"E12");
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
  EXPECT_TRUE(boxes().empty());
  ExpectAfter(sheet_cells);
  ExpectHostAsFound();
}

// The areas as the host makes them, rectangles: the runs of number texts down each column are written, and
// the cells between them are not, whatever they hold; an area of number texts alone is written at once.
TEST_F(TextToNumberSheetTest, RunsDownTheColumnsOfAnAreaLeaveTheCellsBetween) {
  const std::vector<SheetCell> sheet_cells = {
      {L"A1", CellValue(L"1"), L"General", {}, nullptr, CellValue(1.0)},
      {L"A2", CellValue(L"2"), L"General", {}, nullptr, CellValue(2.0)},
      {L"A3", CellValue(L"x"), L"General", {{1, 1, L"Bold"}}},
      {L"A4", CellValue(L"3"), L"General", {}, nullptr, CellValue(3.0)},
      {L"B1", CellValue(L"abc"), L"General", {{2, 2, L"Underline"}}},
      {L"B2", CellValue(L"5"), L"General", {}, nullptr, CellValue(5.0)},
      {L"B3", CellValue(L"6"), L"General", {}, nullptr, CellValue(6.0)},
      {L"B4", CellValue(L"7"), L"General", {}, nullptr, CellValue(7.0)},
      {L"C1", CellValue::Bool(false)},
      {L"C2", CellValue(1.23456789), L"$#,##0.00"},
      {L"C3", CellValue(L"8"), L"General", {}, nullptr, CellValue(8.0)},
      {L"C4", CellValue::Error(42)},
      {L"E1", CellValue(L"10"), L"General", {}, nullptr, CellValue(10.0)},
      {L"E2", CellValue(L"1 100"), L"General", {}, nullptr, CellValue(1100.0)},
      {L"G1", CellValue(L"x"), L"General", {{1, 1, L"Bold"}}},
      {L"G2", CellValue(L"9"), L"General", {}, nullptr, CellValue(9.0)},
  };
  Fill(sheet_cells);
  ConstantsAsAreas(L"J9", L"A1:C4,E1:E2,G1:G2");
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
  EXPECT_TRUE(boxes().empty());
  ExpectAfter(sheet_cells);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$A$1:$C$4,$E$1:$E$2,$G$1:$G$2");
  ExpectHostAsFound();
}

// A number text whose digits a double cannot carry (more than 15 significant ones), or whose exponent leaves
// the doubles the host holds (above 1.7976931348623157E+308; below 2.2251E-308, the smallest the host keeps),
// stays the text it is.
TEST_F(TextToNumberSheetTest, TextsADoubleCannotCarryStayTexts) {
  const struct {
    const wchar_t* text;
    std::optional<double> number;  // none: stays the text
  } cases[] = {
      {L"123456789012345", 123456789012345.0},
      {L"-123456789012345", -123456789012345.0},
      {L"1234567890123456", std::nullopt},
      {L"4276380012345678", std::nullopt},  // a card number
      {L"1234567890123456789", std::nullopt},
      {L"1234567890,12345", 1234567890.12345},
      {L"0,1234567890123456", std::nullopt},
      {L"0,000123456789012345", 0.000123456789012345},
      {L"123 456 789 012 345", 123456789012345.0},
      {L"1 234 567 890 123 456", std::nullopt},
      {L"1000000000000000000000", 1e21},
      {L"1E308", 1e308},
      {L"1E309", std::nullopt},
      {L"-1E309", std::nullopt},
      {L"1E-307", 1e-307},
      {L"1E-308", std::nullopt},
      {L"1E-400", std::nullopt},
  };
  std::vector<SheetCell> sheet_cells;
  LONG row = 1;
  std::vector<std::wstring> addresses;
  for (const auto& c : cases) addresses.push_back(L"A" + std::to_wstring(row++));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SheetCell cell{addresses[i].c_str(), CellValue(cases[i].text)};
    if (cases[i].number) cell.becomes = CellValue(*cases[i].number);
    sheet_cells.push_back(cell);
  }
  Fill(sheet_cells);
  cells().Select(L"A1:A" + std::to_wstring(std::size(cases)));
  EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
  ExpectAfter(sheet_cells);
  ExpectHostAsFound();
}

// Imported numbers: group separators in groups of three (a space and a no-break space alike), spaces around,
// a leading "+", read with the separators the host reads typed numbers with: the system's while the host uses
// them, else its own. The other source names other separators, so that reading the wrong one shows.
TEST_F(TextToNumberSheetTest, GroupsSpacesAndPlusAsTheHostReadsThem) {
  const struct {
    const char* name;
    bool system;
    const wchar_t* own_decimal;
    const wchar_t* own_group;
    const wchar_t* locale_decimal;
    const wchar_t* locale_group;
  } sources[] = {{"the host's own", false, L",", L" ", L".", L","},
                 {"the system's", true, L".", L",", L",", L"\u00A0"}};
  const struct {
    const wchar_t* text;
    std::optional<double> number;
  } cases[] = {
      {L"12 345", 12345.0},
      {L"1 234,56", 1234.56},
      {L" 42 ", 42.0},
      {L"+7", 7.0},
      {L"1 23", std::nullopt},
      {L"12\u00A0345", 12345.0},
      {L"1\u00A0234\u00A0567,5", 1234567.5},
      {L"-1 000", -1000.0},
      {L"  +1 000,25  ", 1000.25},
      {L"1234 567", std::nullopt},
      {L"1 2345", std::nullopt},
      {L"12  345", std::nullopt},
      {L"1 234,567 8", std::nullopt},
      {L"+ 7", std::nullopt},
      {L"1,234.56", std::nullopt},
      {L"12,345", 12.345},
  };
  for (const auto& source : sources) {
    SCOPED_TRACE(source.name);
    Fresh();
    app()->Value(L"UseSystemSeparators") = OwnedVariant::Bool(source.system);
    app()->Value(L"DecimalSeparator") = OwnedVariant::Text(source.own_decimal);
    app()->Value(L"ThousandsSeparator") = OwnedVariant::Text(source.own_group);
    SystemLocale::Get().Choose(LOCALE_SDECIMAL, source.locale_decimal);
    SystemLocale::Get().Choose(LOCALE_STHOUSAND, source.locale_group);
    std::vector<std::wstring> addresses;
    for (size_t i = 0; i < std::size(cases); ++i) addresses.push_back(L"B" + std::to_wstring(i + 1));
    std::vector<SheetCell> sheet_cells;
    for (size_t i = 0; i < std::size(cases); ++i) {
      SheetCell cell{addresses[i].c_str(), CellValue(cases[i].text)};
      if (cases[i].number) cell.becomes = CellValue(*cases[i].number);
      sheet_cells.push_back(cell);
    }
    Fill(sheet_cells);
    cells().Select(L"B1");
    EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), 0);
    ExpectAfter(sheet_cells);
    ExpectHostAsFound();
  }
}

// A write that fails inside an area stops there: the runs before it are written, those after it are not.
TEST_F(TextToNumberSheetTest, AFailingWriteInsideAnAreaStops) {
  const struct {
    MemberFailure failure;
    bool first_written;
  } cases[] = {
      {{L"Range", L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, E_FAIL, 1}, false},
      {{L"Range", L"Resize", DISPATCH_PROPERTYGET | DISPATCH_METHOD, E_FAIL, 1}, false},
      {{L"Range", L"Value2", DISPATCH_PROPERTYPUT, E_FAIL, 1}, false},
      {{L"Range", L"Value2", DISPATCH_PROPERTYPUT, E_FAIL, 1, false, false, 1}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.failure.member.begin(), c.failure.member.end()) << " after "
                                    << c.failure.after);
    Fresh();
    cells().SetEach(L"A1:E1", {CellValue(L"1"), CellValue(L"2"), CellValue(L"x"), CellValue(L"3"), CellValue(L"4")});
    cells().Select(L"A1:E1");
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonTextToNumber, L"1", 2), -1);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{L"FormulaLocalOut", kError}}));
    EXPECT_TRUE(cells().ValueAt(L"A1") == (c.first_written ? CellValue(1.0) : CellValue(L"1")));
    EXPECT_TRUE(cells().ValueAt(L"B1") == (c.first_written ? CellValue(2.0) : CellValue(L"2")));
    EXPECT_TRUE(cells().ValueAt(L"C1") == CellValue(L"x"));
    EXPECT_TRUE(cells().ValueAt(L"D1") == CellValue(L"3"));
    EXPECT_TRUE(cells().ValueAt(L"E1") == CellValue(L"4"));
    ExpectHostAsFound();
  }
}

}  // namespace
}  // namespace korvel::test
