// XLLbuttonTranspose on the stand-in's sheet: the 2 x 3 example with cells outside both shapes, a row to a
// column and back, a formula becoming its value, one cell, several areas, the script and mode table, and
// each call failing (a failed write leaves the selection as it was).
#include "commands/transpose_command.h"
#include "sheet_command_fixture.h"

namespace korvel::test {
namespace {

const wchar_t kSelectRange[] = L"Выделите диапазон!";

class TransposeTest : public SheetCommandTest {
 protected:
  // The cells of `address`, row by row, as text: numbers as their value, empty as "".
  std::vector<std::wstring> Values(const std::wstring& address) {
    Areas areas;
    EXPECT_TRUE(ParseAreas(address, areas));
    std::vector<std::wstring> out;
    for (const Area& a : areas)
      for (LONG r = a.first_row; r <= a.last_row; ++r)
        for (LONG c = a.first_column; c <= a.last_column; ++c) {
          const Cell* cell = cells().Find(r, c);
          if (!cell || cell->value.empty()) out.push_back(L"");
          else if (cell->value.kind == CellValue::Kind::kNumber) out.push_back(std::to_wstring(static_cast<long long>(cell->value.number)));
          else out.push_back(cell->value.text);
        }
    return out;
  }
  std::wstring Selected() { return AddressOf(cells().selection().areas); }
};

using Texts = std::vector<std::wstring>;

TEST_F(TransposeTest, TwoByThreeBecomesThreeByTwoFromTheSameCorner) {
  cells().SetEach(L"B2:D3", {1, 2, 3, 4, 5, 6});
  cells().Set(L"B4", L"under");  // inside the new shape only: overwritten
  cells().Set(L"E2", L"right");  // outside both
  cells().Set(L"B5", L"below");  // outside both
  cells().Select(L"B2:D3");
  EXPECT_EQ(Run(XLLbuttonTranspose, L"1"), 0);
  EXPECT_EQ(Values(L"B2:C4"), (Texts{L"1", L"4", L"2", L"5", L"3", L"6"}));
  EXPECT_EQ(Values(L"D2:D3"), (Texts{L"", L""})) << "old cells outside the new shape are empty";
  EXPECT_EQ(Values(L"E2"), Texts{L"right"});
  EXPECT_EQ(Values(L"B5"), Texts{L"below"});
  EXPECT_EQ(Selected(), L"$B$2:$C$4");
  EXPECT_TRUE(boxes().empty()) << "mode User shows no timing box";
}

TEST_F(TransposeTest, ARowBecomesAColumnAndBack) {
  cells().SetEach(L"A1:C1", {L"a", L"b", L"c"});
  cells().Select(L"A1:C1");
  EXPECT_EQ(Run(XLLbuttonTranspose, L"1"), 0);
  EXPECT_EQ(Values(L"A1:A3"), (Texts{L"a", L"b", L"c"}));
  EXPECT_EQ(Values(L"B1:C1"), (Texts{L"", L""}));
  EXPECT_EQ(Selected(), L"$A$1:$A$3");
  EXPECT_EQ(Run(XLLbuttonTranspose, L"1"), 0);
  EXPECT_EQ(Values(L"A1:C1"), (Texts{L"a", L"b", L"c"}));
  EXPECT_EQ(Values(L"A2:A3"), (Texts{L"", L""}));
  EXPECT_EQ(Selected(), L"$A$1:$C$1");
}

TEST_F(TransposeTest, AFormulaEndsUpAsItsRecalculatedValue) {
  cells().Set(L"A1", 2);
  // The cell shows a stale 0 until the sheet is calculated.
  cells().SetFormula(L"B1", L"=A1*21", 42);
  cells().At(1, 2).value = CellValue(0);
  cells().MarkUncalculated(L"B1");
  cells().Select(L"A1:B1");
  EXPECT_EQ(Run(XLLbuttonTranspose, L"1"), 0);
  EXPECT_EQ(Values(L"A1:A2"), (Texts{L"2", L"42"}));
  EXPECT_EQ(cells().FormulaAt(L"A2"), L"") << "the value, not the formula";
  EXPECT_EQ(Values(L"B1"), Texts{L""});
}

TEST_F(TransposeTest, OneCellOrSeveralAreasAreRefusedBeforeAnyChange) {
  for (const wchar_t* selection : {L"B2", L"A1:B2,D4"}) {
    SCOPED_TRACE(std::string(selection, selection + wcslen(selection)));
    StartAfresh();
    cells().SetEach(L"A1:B2", {1, 2, 3, 4});
    cells().Set(L"D4", 5);
    cells().Select(selection);
    EXPECT_EQ(Run(XLLbuttonTranspose, L"1"), -1);
    ASSERT_EQ(BoxTexts(), Texts{kSelectRange});
    EXPECT_EQ(boxes()[0].type, 0x40030u);
    EXPECT_EQ(Values(L"A1:B2"), (Texts{L"1", L"2", L"3", L"4"}));
    EXPECT_EQ(Values(L"D4"), Texts{L"5"});
    EXPECT_EQ(CountInvokes(L"ClearContents"), 0);
  }
}

TEST_F(TransposeTest, ScriptAndModeDecideTheQuestionAndTheTimingBox) {
  struct Case {
    const char* what;
    int mode;
    std::wstring script;
    int queued;  // the answer to a question box, 0 for none
    int result;
    bool question, timing;
  } cases[] = {
      {"script 0: declined unseen", kModeTest, L"0", 0, -1, false, false},
      {"script 1 0: no timing box", kModeTest, L"10", 0, 0, false, false},
      {"script 1 1: timing box", kModeUser, L"11", 0, 0, false, true},
      {"script 1, mode Test", kModeTest, L"1", 0, 0, false, true},
      {"no script, mode Fast", kModeFast, L"", 0, 0, false, false},
      {"no script, mode Test: Yes", kModeTest, L"", IDYES, 0, true, true},
      {"no script, mode User: Yes", kModeUser, L"", IDYES, 0, true, false},
      {"no script, mode User: No", kModeUser, L"", IDNO, -1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    *addin.OperatingMode = c.mode;
    cells().SetEach(L"A1:B1", {1, 2});
    cells().Select(L"A1:B1");
    if (c.queued) host.ui().QueueAnswer(c.queued);
    host.model().ClearInvokes();
    EXPECT_EQ(Run(XLLbuttonTranspose, c.script), c.result);
    size_t next = 0;
    if (c.question) {
      ASSERT_GT(boxes().size(), next);
      EXPECT_EQ(boxes()[next].type, 0x24u);
      EXPECT_EQ(boxes()[next].text,
                L"Транспонирование будет произведено 'на месте'.\nДанные будут рассчитаны и сохранены в значениях.\n"
                L"Эту команду нельзя отменить.\nПродолжаем?");
      ++next;
    }
    if (c.timing) {
      ASSERT_GT(boxes().size(), next);
      EXPECT_EQ(boxes()[next].type, 0x40040u);
      EXPECT_EQ(boxes()[next].text.rfind(L"millisecond: ", 0), 0u);
      ++next;
    }
    EXPECT_EQ(boxes().size(), next);
    if (c.result == -1) {
      EXPECT_EQ(CountInvokes(L"Calculate"), 0) << "declined before the recalculation";
      EXPECT_EQ(Values(L"A1:B1"), (Texts{L"1", L"2"}));
    } else {
      EXPECT_EQ(Values(L"A1:A2"), (Texts{L"1", L"2"}));
    }
  }
}

TEST_F(TransposeTest, EachCallFailing) {
  struct Case {
    const char* what;
    std::wstring member;
    WORD flags;
    std::wstring box;
    bool cleared;  // the selection's values were gone after the stop
  } cases[] = {
      {"Calculate", L"Calculate", 0, L"Calculate: ", false},
      {"Selection", L"Selection", 0, L"Selection: ", false},
      {"Areas", L"Areas", 0, L"Areas: ", false},
      {"get Value", L"Value", DISPATCH_PROPERTYGET, L"ValueGET: ", false},
      {"Resize", L"Resize", 0, L"pxlResize: ", false},
      {"ClearContents", L"ClearContents", 0, L"ClearContents: ", false},
      {"put Value on the target", L"Value", DISPATCH_PROPERTYPUT, L"ValuePUT: ", false},
      {"Select", L"Select", 0, L"Select: ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    cells().SetEach(L"A1:C2", {1, 2, 3, 4, 5, 6});
    cells().Select(L"A1:C2");
    MemberFailure failure;
    failure.member = c.member;
    failure.flags = c.flags;
    failure.times = 1;
    host.model().Fail(failure);
    EXPECT_EQ(Run(XLLbuttonTranspose, L"11"), -1);
    ASSERT_EQ(BoxTexts(), Texts{c.box});
    EXPECT_EQ(boxes()[0].type, 0x40010u);
    if (c.cleared) {
      EXPECT_EQ(Values(L"A1:B3"), (Texts{L"1", L"4", L"2", L"5", L"3", L"6"})) << "written before the stop";
    } else {
      EXPECT_EQ(Values(L"A1:C2"), (Texts{L"1", L"2", L"3", L"4", L"5", L"6"})) << "the selection as it was";
      EXPECT_EQ(Values(L"A3:B3"), (Texts{L"", L""}));
    }
  }
}

// After a failed write the selection is already cleared; when its values cannot go back either (the
// transpose back or the put into the selection fails), the box says so instead of the plain "ValuePUT: ".
TEST_F(TransposeTest, ValuesThatCannotGoBackAreReported) {
  const std::wstring lost = L"ValuePUT: \nЗначения выделенного диапазона не удалось вернуть на место";
  struct Case {
    const char* what;
    int failing_puts;
    bool transpose_back_fails;
    int puts;  // puts of Value tried in all
  } cases[] = {
      {"the put back fails too", 2, false, 2},
      {"the transpose back fails", 1, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    cells().SetEach(L"A1:C2", {1, 2, 3, 4, 5, 6});
    cells().Select(L"A1:C2");
    MemberFailure failure;
    failure.member = L"Value";
    failure.flags = DISPATCH_PROPERTYPUT;
    failure.times = c.failing_puts;
    host.model().Fail(failure);
    std::unique_ptr<xll::ScopedTransposeBackForTesting> failing_back;
    if (c.transpose_back_fails)
      failing_back = std::make_unique<xll::ScopedTransposeBackForTesting>(
          [](SAFEARRAY*, TransposeStep*) -> HRESULT { return E_OUTOFMEMORY; });
    EXPECT_EQ(Run(XLLbuttonTranspose, L"11"), -1);
    ASSERT_EQ(BoxTexts(), Texts{lost});
    EXPECT_EQ(boxes()[0].type, 0x40010u);
    EXPECT_EQ(Values(L"A1:C3"), Texts(9, L"")) << "the values are gone, as the box says";
    int puts = 0;
    for (const SeenInvoke& i : host.model().invokes())
      puts += !i.nested && i.member == L"Value" && (i.flags & DISPATCH_PROPERTYPUT);
    EXPECT_EQ(puts, c.puts);
  }
}

}  // namespace
}  // namespace korvel::test
