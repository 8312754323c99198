// The tracer-arrow commands: precedents of the selection's formula cells, dependents of every selected
// cell, and their removal, each behind the sheet's protection.
#include "command_fixture.h"
#include "object_model/sheet_extras.h"

namespace korvel::test {
namespace {

const wchar_t kPrecedentsQuestion[] = L"Показать влияющие ячейки на выделенный диапазон?";
const wchar_t kDependentsQuestion[] = L"Показать зависимые ячейки от выделенного диапазона?";
const wchar_t kProtected[] = L"Снимите защиту листа перед выполнением этой команды";
const wchar_t kNoCells[] = L"Не найдено ни одной ячейки, удовлетворяющей указанным условиям.";

class TraceTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    Fill();
  }
  Worksheet* sheet() { return app()->active_sheet(); }
  SheetCells& cells() { return sheet()->cells(); }
  // Formulas at B2, C3, E5 and G2, constants at B3 and G1; the selection's three areas hold them all.
  void Fill() {
    cells().SetFormula(L"B2", L"=A1+1", CellValue(2.0));
    cells().SetFormula(L"C3", L"=B2*2", CellValue(4.0));
    cells().SetFormula(L"E5", L"=SUM(B2:C3)", CellValue(6.0));
    cells().SetFormula(L"G2", L"=E5", CellValue(6.0));
    cells().Set(L"B3", CellValue(7.0));
    cells().Set(L"G1", CellValue(L"label"));
    cells().Select(L"B2:C3,E5,G1:G2");
  }
  void Fresh() {
    StartAfresh();
    Baseline();
    Fill();
  }
  std::vector<TracerArrow> Arrows() { return ArrowsOf(sheet()); }
  static std::vector<TracerArrow> Of(const wchar_t* kind, std::initializer_list<const wchar_t*> cells) {
    std::vector<TracerArrow> out;
    for (const wchar_t* c : cells) out.push_back({c, kind});
    return out;
  }
};

const std::vector<TracerArrow> kAllPrecedents = {
    {L"$B$2", L"precedents"}, {L"$C$3", L"precedents"}, {L"$E$5", L"precedents"}, {L"$G$2", L"precedents"}};

struct FrameCase {
  const wchar_t* script;
  int mode;
  bool question;
  bool timing;
};

const FrameCase kConfirmingFrame[] = {
    {nullptr, 1, true, true}, {nullptr, 2, true, false}, {nullptr, 3, false, false}, {L"", 1, true, true},
    {L"", 2, true, false},    {L"", 3, false, false},    {L"1", 2, false, false},    {L"11", 2, false, true},
    {L"10", 1, false, false}, {L"1", 1, false, true},
};

TEST_F(TraceTest, PrecedentsOfTheFormulaCellsInAreaOrderForEveryScriptAndMode) {
  for (const FrameCase& c : kConfirmingFrame) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    EXPECT_EQ(Run(XLLbuttonTracePrecedents, c.script, c.mode, {IDYES}), 0);
    EXPECT_EQ(Arrows(), kAllPrecedents);
    std::vector<Box> expected;
    if (c.question) expected.push_back({kPrecedentsQuestion, kQuestion});
    EXPECT_EQ(BoxesWithoutTiming(), expected);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    const std::vector<SeenInvoke> special = InvokesOf(L"Range", L"SpecialCells");
    ASSERT_EQ(special.size(), 1u);
    EXPECT_EQ(special[0].flags, DISPATCH_PROPERTYGET);
    ASSERT_EQ(special[0].args.size(), 1u);
    EXPECT_EQ(special[0].args[0].vt, VT_I4);
    EXPECT_EQ(special[0].args[0].text, L"-4123");
    for (const SeenInvoke& i : InvokesOf(L"Range", L"Item")) EXPECT_EQ(i.args[0].vt, VT_I4);
    ExpectHostAsFound();
  }
}

TEST_F(TraceTest, DependentsOfEveryCellConstantsAndEmptyOnesIncluded) {
  for (const FrameCase& c : kConfirmingFrame) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    EXPECT_EQ(Run(XLLbuttonTraceDependents, c.script, c.mode, {IDYES}), 0);
    EXPECT_EQ(Arrows(), Of(L"dependents", {L"$B$2", L"$C$2", L"$B$3", L"$C$3", L"$E$5", L"$G$1", L"$G$2"}));
    std::vector<Box> expected;
    if (c.question) expected.push_back({kDependentsQuestion, kQuestion});
    EXPECT_EQ(BoxesWithoutTiming(), expected);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    EXPECT_TRUE(InvokesOf(L"Range", L"SpecialCells").empty());
    ExpectHostAsFound();
  }
}

TEST_F(TraceTest, ADecliningZeroOrNoMakesNoHostCall) {
  for (Command command : {XLLbuttonTracePrecedents, XLLbuttonTraceDependents}) {
    EXPECT_EQ(Run(command, L"0", 1), -1);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(NoHostCall());
    EXPECT_EQ(Run(command, nullptr, 2, {IDNO}), -1);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(host.model().invokes().empty());
  }
  EXPECT_TRUE(Arrows().empty());
  ExpectHostAsFound();
}

TEST_F(TraceTest, OneSelectedConstantIsTracedAndSeveralWithoutFormulasAreRefused) {
  cells().Select(L"B3");
  EXPECT_EQ(Run(XLLbuttonTracePrecedents, L"1", 2), 0);
  EXPECT_EQ(Arrows(), Of(L"precedents", {L"$B$3"}));
  EXPECT_TRUE(InvokesOf(L"Range", L"SpecialCells").empty());
  ArrowsOf(sheet()).clear();
  cells().Select(L"B3,G1,H1:H4");
  EXPECT_EQ(Run(XLLbuttonTracePrecedents, L"11", 2), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{kNoCells, kWarning}}));
  EXPECT_TRUE(Arrows().empty());
  ExpectHostAsFound();
}

TEST_F(TraceTest, CountLargeIsReadWhateverNumberTypeComesBack) {
  host.model().set_count_large_type(VT_R8);
  EXPECT_EQ(Run(XLLbuttonTracePrecedents, L"1", 2), 0);
  EXPECT_EQ(Arrows(), kAllPrecedents);
}

TEST_F(TraceTest, AProtectedSheetGetsNoArrowsAndKeepsThemAll) {
  ArrowsOf(sheet()).push_back({L"$A$1", L"precedents"});
  SetContentsProtected(sheet(), true);
  for (Command command : {XLLbuttonTracePrecedents, XLLbuttonTraceDependents, XLLbuttonRemoveArrows}) {
    EXPECT_EQ(Run(command, L"11", 3), -1);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{kProtected, kWarning}}));
    EXPECT_EQ(Arrows(), Of(L"precedents", {L"$A$1"}));
    EXPECT_TRUE(InvokesOf(L"Application", L"Selection").empty());
  }
  ExpectHostAsFound();
}

struct TraceFailure {
  const char* name;
  MemberFailure failure;
  std::vector<Box> boxes;
  int result;
  std::vector<TracerArrow> arrows;
};

MemberFailure Nth(MemberFailure f, int after) {
  f.after = after;
  f.times = 1;
  return f;
}

TEST_F(TraceTest, PrecedentsFailures) {
  const TraceFailure cases[] = {
      {"ActiveSheet", {L"Application", L"ActiveSheet"}, {{L"ActiveSheet", kError}}, -1, {}},
      {"ProtectContents", {L"Worksheet", L"ProtectContents"}, {{L"ProtectContents", kError}}, -1, {}},
      {"Selection", {L"Application", L"Selection"}, {{L"Selection", kError}}, -1, {}},
      {"CountLarge", {L"Range", L"CountLarge"}, {{L"CountLarge", kError}}, -1, {}},
      {"SpecialCells", {L"Range", L"SpecialCells"}, {{kNoCells, kWarning}}, -1, {}},
      {"Areas", {L"Range", L"Areas"}, {{L"Areas", kError}}, -1, {}},
      {"Count of the areas", {L"Areas", L"Count"}, {{L"Count", kError}}, -1, {}},
      {"Item of the areas", Nth({L"Areas", L"Item"}, 1), {{L"Item", kWarning}}, 0,
       {{L"$B$2", L"precedents"}, {L"$E$5", L"precedents"}, {L"$G$2", L"precedents"}}},
      {"Count of an area", Nth({L"Range", L"Count"}, 0), {{L"Count", kWarning}}, 0,
       {{L"$C$3", L"precedents"}, {L"$E$5", L"precedents"}, {L"$G$2", L"precedents"}}},
      {"Item of an area", Nth({L"Range", L"Item"}, 2), {{L"Item", kWarning}}, 0,
       {{L"$B$2", L"precedents"}, {L"$C$3", L"precedents"}, {L"$G$2", L"precedents"}}},
      {"ShowPrecedents", {L"Range", L"ShowPrecedents", 0, E_FAIL, 2, false, false, 1},
       {{L"ShowPrecedents", kWarning}, {L"ShowPrecedents", kWarning}}, 0,
       {{L"$B$2", L"precedents"}, {L"$G$2", L"precedents"}}},
  };
  for (const TraceFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonTracePrecedents, L"11", 2), c.result);
    std::vector<Box> shown = BoxesWithoutTiming();
    EXPECT_EQ(shown, c.boxes);
    EXPECT_EQ(TimingBoxes(), c.result == 0 ? 1u : 0u);
    EXPECT_EQ(Arrows(), c.arrows);
    ExpectHostAsFound();
  }
}

TEST_F(TraceTest, DependentsFailuresShowAFailingAreaCountAsAnError) {
  const TraceFailure cases[] = {
      {"Selection", {L"Application", L"Selection"}, {{L"Selection", kError}}, -1, {}},
      {"Count of an area", Nth({L"Range", L"Count"}, 0), {{L"Count", kError}}, 0,
       Of(L"dependents", {L"$E$5", L"$G$1", L"$G$2"})},
      {"ShowDependents", Nth({L"Range", L"ShowDependents"}, 6), {{L"ShowDependents", kWarning}}, 0,
       Of(L"dependents", {L"$B$2", L"$C$2", L"$B$3", L"$C$3", L"$E$5", L"$G$1"})},
  };
  for (const TraceFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonTraceDependents, L"10", 2), c.result);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(Arrows(), c.arrows);
    ExpectHostAsFound();
  }
}

TEST_F(TraceTest, RemoveArrowsClearsTheSheetAndReadsOnlyItsTimingCharacter) {
  const struct {
    const wchar_t* script;
    int mode;
    bool timing;
  } cases[] = {{L"0", 1, false}, {L"1", 2, true}, {nullptr, 1, true}, {nullptr, 2, false}, {L"", 3, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    ArrowsOf(sheet()) = kAllPrecedents;
    EXPECT_EQ(Run(XLLbuttonRemoveArrows, c.script, c.mode), 0);
    EXPECT_TRUE(Arrows().empty());
    EXPECT_EQ(BoxesWithoutTiming().size(), 0u);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    EXPECT_EQ(InvokesOf(L"Worksheet", L"ClearArrows").size(), 1u);
    ExpectHostAsFound();
  }
}

TEST_F(TraceTest, RemoveArrowsFailures) {
  const TraceFailure cases[] = {
      {"first ActiveSheet", Nth({L"Application", L"ActiveSheet"}, 0), {{L"ActiveSheet", kError}}, -1, kAllPrecedents},
      {"second ActiveSheet", Nth({L"Application", L"ActiveSheet"}, 1), {{L"ActiveSheet", kError}}, -1, kAllPrecedents},
      {"ProtectContents", {L"Worksheet", L"ProtectContents"}, {{L"ProtectContents", kError}}, -1, kAllPrecedents},
      {"ClearArrows", {L"Worksheet", L"ClearArrows"}, {{L"ClearArrows: ", kError}}, -1, kAllPrecedents},
  };
  for (const TraceFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    ArrowsOf(sheet()) = kAllPrecedents;
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonRemoveArrows, L"1", 2), c.result);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(Arrows(), c.arrows);
    ExpectHostAsFound();
  }
}

}  // namespace
}  // namespace korvel::test
