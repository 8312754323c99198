// Breaking the active sheet's links through the C API: formulas that reach another sheet or workbook become
// their values, with the host in fast mode for the walk.
#include "command_fixture.h"

namespace korvel::test {
namespace {

const wchar_t kGoOn[] =
    L"Разорвать связи с другими ЛИСТАМИ и КНИГАМИ.\n\nПри разрыве связей формулы и внешние ссылки будут "
    L"преобразованы в принимаемые на данный момент значения. Т.к. эту операцию невозможно отменить, "
    L"рекомендуется сохранить версию этого файла под другим именем.\n\n(Признак разрыва связи в ячейке: наличие "
    L"в формуле символа '!')\n\nПродолжаем?";
const wchar_t kErrorValue[] =
    L"Ошибка в формуле с внешней ссылкой!\nПродолжить дальше или завершить макрос, для возможности исправить "
    L"ошибку вручную ?\n\n ОК- продолжить и сохранить все ошибочные значения как есть на сейчас, с ошибкой (не "
    L"рекомендуется)\n\nОтмена - завершить работу и показать ячейку с ошибкой (команду можно запустить еще раз, "
    L"после исправлений)";
constexpr UINT kOkCancelQuestion = 0x40021, kOkCancelWarning = 0x40131;

std::wstring Report(int n) { return L"Разорвано связей в ячейках: " + std::to_wstring(n); }

class BreakLinksTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    timed_captions_ = true;
    Fill();
  }
  Worksheet* sheet() { return app()->active_sheet(); }
  SheetCells& cells() { return sheet()->cells(); }
  // Two areas of formulas once the host selects them: A1:A5 (another sheet, the same sheet, another book, a
  // "!" inside a text constant, another sheet's error) and C6 (another sheet).
  void Fill() {
    cells().SetFormula(L"A1", L"=Sheet2!A1", CellValue(5.0));
    cells().SetFormula(L"A2", L"=B1*2", CellValue(4.0));
    cells().SetFormula(L"A3", L"=[Book2]Sheet1!A1", CellValue(L"x"));
    cells().SetFormula(L"A4", L"=\"Total!\"&B1", CellValue(L"Total!2"));
    cells().SetFormula(L"A5", L"=Sheet2!A2", CellValue::Error(23));
    cells().Set(L"B1", CellValue(2.0));
    cells().SetFormula(L"C6", L"=Sheet3!B2+1", CellValue(7.0));
    cells().Select(L"D4");
  }
  void Fresh() {
    StartAfresh();
    Baseline();
    Fill();
  }
  bool IsFormula(const wchar_t* cell) { return !cells().FormulaAt(cell).empty() && cells().FormulaAt(cell)[0] == L'='; }
  void ExpectAllBroken() {
    for (const wchar_t* cell : {L"A1", L"A3", L"A5", L"C6"}) EXPECT_FALSE(IsFormula(cell)) << cell[0] << cell[1];
    EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(5.0));
    EXPECT_TRUE(cells().ValueAt(L"A3") == CellValue(L"x"));
    EXPECT_TRUE(cells().ValueAt(L"A5") == CellValue::Error(23));
    EXPECT_TRUE(cells().ValueAt(L"C6") == CellValue(7.0));
    // Same-sheet formulas stay, the one whose only "!" is inside a text among them.
    EXPECT_TRUE(IsFormula(L"A2"));
    EXPECT_TRUE(IsFormula(L"A4"));
  }
  bool HostSettingsNormal() {
    return *addin.HostNormal && TextOf(app()->Value(L"ScreenUpdating")) == L"True" &&
           TextOf(app()->Value(L"Calculation")) == L"-4105" && TextOf(app()->Value(L"EnableEvents")) == L"True";
  }
};

struct ScriptCase {
  const wchar_t* script;
  int mode;
  std::vector<Box> boxes;  // the timed boxes, in order
};

TEST_F(BreakLinksTest, LinksBecomeValuesForEveryScriptAndMode) {
  const ScriptCase cases[] = {
      {nullptr, 2, {{kGoOn, kOkCancelQuestion}, {kErrorValue, kOkCancelWarning}, {Report(4), kInformation}}},
      {nullptr, 1, {{kGoOn, kOkCancelQuestion}, {kErrorValue, kOkCancelWarning}, {Report(4), kInformation}}},
      {L"", 1, {{kGoOn, kOkCancelQuestion}, {kErrorValue, kOkCancelWarning}, {Report(4), kInformation}}},
      {nullptr, 3, {}},  // in Fast every error value is taken as it is, unasked
      {L"1", 2, {{kErrorValue, kOkCancelWarning}, {Report(4), kInformation}}},
      {L"11", 2, {{Report(4), kInformation}}},
      {L"111", 1, {}},
      {L"1", 3, {}},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, c.script, c.mode), 0);
    ExpectAllBroken();
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(host.api().CallsOf(xlcCalculateNow).size(), 1u);
    const std::vector<SeenCall> special = host.api().CallsOf(xlcSelectSpecial);
    ASSERT_EQ(special.size(), 1u);
    EXPECT_EQ(special[0].args[0].num, 3);
    EXPECT_EQ(host.api().CallsOf(xlSet).size(), 4u);
    EXPECT_TRUE(HostSettingsNormal());
    ExpectHostAsFound();
  }
}

TEST_F(BreakLinksTest, TheWalkRunsInFastModeAndTheSettingsComeBack) {
  // The error box comes in the middle of the walk: the host must be in fast mode then, with the first link
  // already broken, and back to its own settings at the report.
  std::vector<std::wstring> seen;
  host.ui().Reset();
  host.ui().set_on_box([&](const ShownBox& b) {
    const bool fast = !*addin.HostNormal && TextOf(app()->Value(L"ScreenUpdating")) == L"False" &&
                      TextOf(app()->Value(L"Calculation")) == L"-4135" &&
                      TextOf(app()->Value(L"EnableEvents")) == L"False";
    seen.push_back((fast ? L"fast " : L"normal ") + b.text.substr(0, 12));
  });
  *addin.OperatingMode = 2;
  Script script(L"1");
  EXPECT_EQ(XLLbuttonBreakLinksSheet(script.get()), 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], L"fast " + std::wstring(kErrorValue).substr(0, 12));
  EXPECT_EQ(seen[1], L"normal " + Report(4).substr(0, 12));
  EXPECT_TRUE(HostSettingsNormal());
  ExpectAllBroken();
  ExpectHostAsFound();
}

TEST_F(BreakLinksTest, CancelAtAnErrorSelectsItAndStopsTheWalk) {
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"10", 2), 0);
  EXPECT_FALSE(IsFormula(L"A1"));
  EXPECT_FALSE(IsFormula(L"A3"));
  EXPECT_TRUE(IsFormula(L"A5"));
  EXPECT_TRUE(IsFormula(L"C6"));
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$A$5");
  // The report still follows, under the script's rules: no character is left, so mode User shows it.
  EXPECT_EQ(Boxes(), (std::vector<Box>{{Report(2), kInformation}}));
  EXPECT_TRUE(HostSettingsNormal());
  ExpectHostAsFound();
}

TEST_F(BreakLinksTest, ADecliningZeroOrCancelMakesNoHostCall) {
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"0", 1), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(NoHostCall());
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, nullptr, 2, {IDCANCEL}), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{kGoOn, kOkCancelQuestion}}));
  EXPECT_TRUE(host.model().invokes().empty());
  for (const SeenCall& call : host.api().calls()) EXPECT_EQ(call.function, xlGetHwnd);
  EXPECT_TRUE(IsFormula(L"A1"));
}

TEST_F(BreakLinksTest, SameSheetFormulasOnlyBreakNothing) {
  StartAfresh();
  Baseline();
  cells().SetFormula(L"A1", L"=B1+1", CellValue(3.0));
  cells().SetFormula(L"A2", L"=\"see Sheet2!A1\"", CellValue(L"see Sheet2!A1"));
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"11", 2), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{}));
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"1", 2), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{Report(0), kInformation}}));
  EXPECT_TRUE(IsFormula(L"A1"));
  EXPECT_TRUE(IsFormula(L"A2"));
  EXPECT_TRUE(host.api().CallsOf(xlSet).empty());
  ExpectHostAsFound();
}

// A sheet name may hold a double quote; in its apostrophes it opens no text constant that would hide the "!".
TEST_F(BreakLinksTest, AQuoteInsideAQuotedSheetNameHidesNoLink) {
  StartAfresh();
  Baseline();
  cells().SetFormula(L"A1", L"='Q\"1'!A1", CellValue(3.0));
  cells().SetFormula(L"A2", L"='it''s'!B2&\"x\"", CellValue(L"7x"));
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"11", 2), 0);
  EXPECT_FALSE(IsFormula(L"A1"));
  EXPECT_FALSE(IsFormula(L"A2"));
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(3.0));
  EXPECT_TRUE(cells().ValueAt(L"A2") == CellValue(L"7x"));
  ExpectHostAsFound();
}

// Formula texts as the host keeps them, each with the verdict: a link to another sheet or book (its value
// replaces it) or none (the formula stays). A table's column name escapes '#', '\'', '[' and ']' with an
// apostrophe, which opens no quoted name there; a "!" inside a structured reference is no link.
TEST_F(BreakLinksTest, WhatIsALink) {
  const struct {
    const wchar_t* formula;
    bool link;
  } cases[] = {
      // the rows that stand before structured references
      {L"=Sheet2!A1", true},
      {L"=B1*2", false},
      {L"=[Book2]Sheet1!A1", true},
      {L"=\"Total!\"&B1", false},
      {L"=\"see Sheet2!A1\"", false},
      {L"='Q\"1'!A1", true},
      {L"='it''s'!B2&\"x\"", true},
      {L"='[Book 2.xlsx]Sheet1'!$A$1", true},
      // structured references
      {L"=[@[Order '#]]&\" done!\"", false},
      {L"=[@[Size '#]]&\"it's\"&Sheet2!A1", true},
      {L"=SUM(Table1[Amount])", false},
      {L"=Table1[[#Headers],[#Data],[Amount]]", false},
      {L"=Table1[[#This Row],[Done!]]", false},
      {L"=Table1[@[Price '']]*Sheet2!B1", true},
      {L"=Table1[@[a '[1']]]&\"!\"", false},
      {L"=Table1[@[a '[1']]]&Sheet2!A1", true},
      {L"=Table1[@[Col1]:[Col2]]", false},
      {L"=Book2.xlsx!Table1[Amount]", true},
      {L"='Book 2.xlsx'!Table1[[#This Row],[Order '#]]", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.formula, c.formula + std::wcslen(c.formula)));
    StartAfresh();
    Baseline();
    cells().SetFormula(L"A1", c.formula, CellValue(4.0));
    EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"11", 2), 0);
    EXPECT_EQ(IsFormula(L"A1"), !c.link);
    if (c.link) {
      EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(4.0));
    } else {
      EXPECT_EQ(cells().FormulaAt(L"A1"), c.formula);
    }
    EXPECT_EQ(host.api().CallsOf(xlSet).size(), c.link ? 1u : 0u);
    ExpectHostAsFound();
  }
}

TEST_F(BreakLinksTest, ASheetWithoutFormulasEndsQuietly) {
  StartAfresh();
  Baseline();
  cells().Set(L"A1", CellValue(1.0));
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"1", 2), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(host.api().CallsOf(xlfSelection).empty());
  EXPECT_TRUE(HostSettingsNormal());
  ExpectHostAsFound();
}

struct CallFailure {
  const char* name;
  int function;
  int nth;
  size_t broken;  // cells replaced before the failure
  bool box = true;  // Excel12X's error box; the selection of the formulas fails quietly
};

TEST_F(BreakLinksTest, AFailingHostCallEndsTheCommandWithTheHostBackToNormal) {
  const CallFailure cases[] = {
      {"xlcCalculateNow", xlcCalculateNow, 1, 0}, {"xlcSelect", xlcSelect, 1, 0},
      {"xlcSelectSpecial", xlcSelectSpecial, 1, 0, false}, {"xlfSelection", xlfSelection, 1, 0},       {"xlfGetFormula of the third cell", xlfGetFormula, 3, 1},
      {"xlCoerce of the second link", xlCoerce, 2, 1}, {"xlSet of the third link", xlSet, 3, 2},
  };
  for (const CallFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    host.api().FailOnCall(c.function, c.nth, xlretFailed);
    EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"111", 2), -1);
    // Excel12X's own error box, and nothing after it.
    ASSERT_EQ(boxes().size(), c.box ? 1u : 0u);
    if (c.box) EXPECT_EQ(boxes()[0].type, kError);
    size_t broken = 0;
    for (const wchar_t* cell : {L"A1", L"A3", L"A5", L"C6"}) broken += !IsFormula(cell);
    EXPECT_EQ(broken, c.broken);
    EXPECT_TRUE(HostSettingsNormal());
    ExpectHostAsFound();
  }
}

TEST_F(BreakLinksTest, AFailedSwitchIntoFastModeEndsBeforeTheWalk) {
  host.model().Fail({L"Application", L"EnableEvents", DISPATCH_PROPERTYPUT, E_FAIL, 1});
  EXPECT_EQ(Run(XLLbuttonBreakLinksSheet, L"111", 2), -1);
  EXPECT_TRUE(IsFormula(L"A1"));
  EXPECT_TRUE(host.api().CallsOf(xlfGetFormula).empty());
  EXPECT_TRUE(HostSettingsNormal());
  ExpectHostAsFound();
}

}  // namespace
}  // namespace korvel::test
