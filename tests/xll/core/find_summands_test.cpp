// XLLbuttonFindSummands on the stand-in's sheet: the sheet examples with their mended outcomes, the
// question when no sum lies between the bounds, every refusal and stop leaving column C as it was, the
// script and mode table with the timed captions, and each object-model call failing.
#include "commands/summand_search.h"
#include "sheet_command_fixture.h"

namespace korvel::test {
namespace {

const wchar_t kDone[] = L"Решение найдено, выведено на лист элементов: ";
const wchar_t kNoExact[] = L"Точное решение не найдено.\nВывести максимально приближенное (к минимальной сумме)?";
const wchar_t kDataError[] = L"Ошибка в данных";

class FindSummandsTest : public SheetCommandTest {
 protected:
  // Column A from row 1, B1 and B2, and column C filled with "old" down to `old_rows`.
  void Sheet(const std::vector<CellValue>& a, const CellValue& b1, const CellValue& b2, int old_rows = 5) {
    for (size_t i = 0; i < a.size(); ++i)
      if (!a[i].empty()) cells().SetValue(static_cast<LONG>(i + 1), 1, a[i]);
    cells().Set(L"B1", b1);
    cells().Set(L"B2", b2);
    for (int r = 1; r <= old_rows; ++r) cells().SetValue(r, 3, CellValue(L"old"));
  }
  // Column C rows 1..n as text: numbers as their value, empty as "", anything else "?".
  std::vector<std::wstring> ColumnC(int n) {
    std::vector<std::wstring> out;
    for (int r = 1; r <= n; ++r) {
      const CellValue v = cells().ValueAt(L"C" + std::to_wstring(r));
      if (v.kind == CellValue::Kind::kNumber) out.push_back(std::to_wstring(static_cast<long long>(v.number)));
      else if (v.kind == CellValue::Kind::kText) out.push_back(v.text);
      else out.push_back(v.empty() ? L"" : L"?");
    }
    return out;
  }
  void ExpectColumnCUntouched() {
    EXPECT_EQ(ColumnC(5), (std::vector<std::wstring>(5, L"old")));
  }
};

TEST_F(FindSummandsTest, SheetExamplesWithTheirMendedOutcomes) {
  struct Case {
    const char* what;
    std::vector<CellValue> a;
    double b1, b2;
    std::vector<std::wstring> c;
  } cases[] = {
      {"3 5 7 to 12", {3, 5, 7}, 12, 12, {L"", L"5", L"7"}},
      {"10 20 30 between 25 and 35", {10, 20, 30}, 25, 35, {L"10", L"20", L""}},
      {"3 6 9 between 10 and 12 (minimum rounded up)", {3, 6, 9}, 10, 12, {L"3", L"", L"9"}},
      {"5 -1 3 to 8 (the negative value takes no part)", {5, -1, 3}, 8, 8, {L"5", L"", L"3"}},
      {"10 20 between 15 and 35", {10, 20}, 15, 35, {L"10", L"20"}},
      {"2.9 counts as 2", {2.9, 7}, 2, 2, {L"2", L""}},
      {"an empty cell and a text number", {4, CellValue(), CellValue(L"6")}, 10, 10, {L"4", L"", L"6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    Sheet(c.a, c.b1, c.b2, 0);
    EXPECT_EQ(Run(XLLbuttonFindSummands, L"1"), 0);
    EXPECT_EQ(ColumnC(static_cast<int>(c.c.size())), c.c);
    size_t written = 0;
    for (const std::wstring& v : c.c) written += !v.empty();
    // The question never comes: only the final report, shown in mode User.
    ASSERT_EQ(BoxTexts(), std::vector<std::wstring>{kDone + std::to_wstring(written)});
    EXPECT_EQ(boxes()[0].type, 0x40040u);
    EXPECT_EQ(boxes()[0].owner, host.windows().main());
  }
}

TEST_F(FindSummandsTest, OldValuesOfColumnCGoWhenTheResultIsWritten) {
  Sheet({3, 5, 7}, 12, 12, 5);
  EXPECT_EQ(Run(XLLbuttonFindSummands, L"11"), 0);
  // Rows below column A's last row are not part of the output range.
  EXPECT_EQ(ColumnC(5), (std::vector<std::wstring>{L"", L"5", L"7", L"old", L"old"}));
  EXPECT_TRUE(boxes().empty()) << "the second character answered the final report";
}

TEST_F(FindSummandsTest, NoSumBetweenTheBoundsAsksFirst) {
  // 4 + 6 = 10 misses 8: the closest sum below the minimum is 6.
  Sheet({4, 6}, 8, 8);
  EXPECT_EQ(Run(XLLbuttonFindSummands, L"10"), -1);
  ExpectColumnCUntouched();
  EXPECT_TRUE(boxes().empty());

  StartAfresh();
  Sheet({4, 6}, 8, 8);
  EXPECT_EQ(Run(XLLbuttonFindSummands, L"1"), 0);
  ASSERT_EQ(BoxTexts(), (std::vector<std::wstring>{kNoExact, kDone + std::wstring(L"1")}));
  EXPECT_EQ(boxes()[0].type, 0x40021u);
  EXPECT_EQ(ColumnC(5), (std::vector<std::wstring>{L"", L"6", L"old", L"old", L"old"}));
}

TEST_F(FindSummandsTest, RefusalsLeaveColumnCAsItWas) {
  struct Case {
    const char* what;
    std::vector<CellValue> a;
    CellValue b1, b2;
    std::wstring box;
    UINT type;
  } cases[] = {
      {"no positive value", {0, -3, CellValue()}, 1, 5, kDataError, 0x40030},
      {"maximum below zero", {1, 2}, -5, -1, kDataError, 0x40030},
      {"a value beyond 64 bits", {1, 1e19}, 1, 5, kDataError, 0x40030},
      {"a text that is no number", {1, CellValue(L"abc"), 2}, 1, 5, kDataError, 0x40030},
      {"a minimum that is no number", {1, 2}, CellValue(L"x"), 5, kDataError, 0x40030},
      {"an error as the maximum", {1, 2}, 1, CellValue::Error(42), kDataError, 0x40030},
      {"a table over 2^28 sums", {1, 268435455}, 1, 1e12,
       std::wstring(kDataError) + L": сумм для поиска 268435457, больше 268435456", 0x40030},
      {"column A with one filled row", {3}, 1, 5, L"Нет массива", 0x40030},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    Sheet(c.a, c.b1, c.b2);
    EXPECT_EQ(Run(XLLbuttonFindSummands, L"1"), -1);
    ExpectColumnCUntouched();
    ASSERT_EQ(BoxTexts(), std::vector<std::wstring>{c.box});
    EXPECT_EQ(boxes()[0].type, c.type);
    EXPECT_EQ(boxes()[0].caption, ProductTitle) << "a warning carries no timing";
    EXPECT_EQ(CountInvokes(L"ClearContents"), 0);
  }
}

TEST_F(FindSummandsTest, ScriptAndModeDecideTheTimedBoxes) {
  struct Case {
    const char* what;
    int mode;
    std::wstring script;
    int result;
    size_t boxes;  // the introduction and the final report, when shown
  } cases[] = {
      {"script 0 declines unseen", kModeUser, L"0", -1, 0},
      {"script 1, mode User: the report is shown", kModeUser, L"1", 0, 1},
      {"script 1, mode Fast: nothing is shown", kModeFast, L"1", 0, 0},
      {"no script, mode Fast", kModeFast, L"", 0, 0},
      {"no script, mode User: both shown", kModeUser, L"", 0, 2},
      {"no script, mode Test: both shown", kModeTest, L"", 0, 2},
      {"script 1 1: the report answered unseen", kModeTest, L"11", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    *addin.OperatingMode = c.mode;
    Sheet({3, 5, 7}, 12, 12);
    host.model().ClearInvokes();
    EXPECT_EQ(Run(XLLbuttonFindSummands, c.script), c.result);
    ASSERT_EQ(boxes().size(), c.boxes);
    for (const ShownBox& b : boxes()) {
      EXPECT_EQ(b.caption.rfind(std::wstring(ProductTitle) + L" (timing: ", 0), 0u) << std::string(b.caption.begin(), b.caption.end());
      EXPECT_EQ(b.caption.substr(b.caption.size() - 4), L" ms)");
    }
    if (c.boxes == 2) {
      EXPECT_EQ(boxes()[0].type, 0x40021u);
      EXPECT_EQ(boxes()[0].text.rfind(L"Поиск слагаемых под задаваемую сумму (в диапазоне мин-макс).\n", 0), 0u);
    }
    if (c.result == -1) {
      EXPECT_TRUE(host.model().invokes().empty()) << "declined before touching the sheet";
      ExpectColumnCUntouched();
    }
  }
  // Cancel in the introduction box itself.
  StartAfresh();
  Sheet({3, 5, 7}, 12, 12);
  host.ui().QueueAnswer(IDCANCEL);
  EXPECT_EQ(Run(XLLbuttonFindSummands), -1);
  ExpectColumnCUntouched();
}

// No sum reaches 3,000,005: the search runs through 500 multiples of 10 and a 1, which takes some tens of
// milliseconds, asking the host for the user's Esc every few of them.
std::vector<CellValue> LongSearchColumn() {
  std::vector<CellValue> a;
  for (int i = 0; i < 500; ++i) a.push_back(CellValue(10 * (1 + (i * 7919 + 13) % 10000)));
  a.push_back(CellValue(1));
  return a;
}
constexpr double kLongSearchBound = 3000005;

TEST_F(FindSummandsTest, EscStopsTheSearchInOrderAndLeavesColumnCAsItWas) {
  const xll::ScopedPollSpacingForTesting polls_by_work(std::chrono::milliseconds(0));
  Sheet(LongSearchColumn(), kLongSearchBound, kLongSearchBound);
  host.api().PressEscAfterPolls(1);
  EXPECT_EQ(Run(XLLbuttonFindSummands, L"11"), -1);
  ASSERT_EQ(BoxTexts(), std::vector<std::wstring>{L"Поиск прерван пользователем"});
  EXPECT_EQ(boxes()[0].type, 0x40030u);
  ExpectColumnCUntouched();
  EXPECT_EQ(CountInvokes(L"ClearContents"), 0);
  // The first poll found no break, the second took it and cleared it; none came after.
  const std::vector<SeenCall> polls = host.api().CallsOf(h::xlAbort);
  ASSERT_EQ(polls.size(), 2u);
  for (const SeenCall& poll : polls) {
    EXPECT_TRUE(poll.with_result);
    ASSERT_EQ(poll.args.size(), 1u);
    EXPECT_EQ(poll.args[0].type, h::xltypeBool);
    EXPECT_EQ(poll.args[0].integer, 0) << "FALSE: the break is taken";
  }
  EXPECT_FALSE(host.api().break_pending());
}

TEST_F(FindSummandsTest, WithoutEscTheLongSearchAsksAndRunsToItsEnd) {
  const xll::ScopedPollSpacingForTesting polls_by_work(std::chrono::milliseconds(0));
  Sheet(LongSearchColumn(), kLongSearchBound, kLongSearchBound, 0);
  // No sum between the bounds: the question comes, and Cancel leaves column C as it was.
  EXPECT_EQ(Run(XLLbuttonFindSummands, L"10"), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_GE(host.api().CallsOf(h::xlAbort).size(), 1u);
  EXPECT_TRUE(host.api().unknown_functions().empty());
}

TEST_F(FindSummandsTest, EachCallFailing) {
  struct Case {
    const char* what;
    std::wstring object, member;
    WORD flags;
    int after;  // matching calls that succeed first
    std::wstring box;
    bool column_c_cleared;
  } cases[] = {
      {"Cells", L"Application", L"Cells", 0, 0, L"pxlCells: ", false},
      {"End", L"", L"End", 0, 0, L"pxlEnd: ", false},
      {"Row", L"", L"Row", 0, 0, L"xlLastCell: ", false},
      {"Range of the values", L"Application", L"Range", 0, 0, L"Range: ", false},
      {"Value of the values", L"", L"Value", DISPATCH_PROPERTYGET, 0, L"ValueGET: ", false},
      {"Range of B1", L"Application", L"Range", 0, 1, L"Range: ", false},
      {"Value of B2", L"", L"Value", DISPATCH_PROPERTYGET, 2, L"ValueGET: ", false},
      {"Range of the output", L"Application", L"Range", 0, 3, L"Range: ", false},
      {"ClearContents", L"", L"ClearContents", 0, 0, L"ClearContents: ", false},
      {"put Value", L"", L"Value", DISPATCH_PROPERTYPUT, 0, L"ValuePUT: ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    Sheet({3, 5, 7}, 12, 12);
    MemberFailure failure;
    failure.object = c.object;
    failure.member = c.member;
    failure.flags = c.flags;
    failure.after = c.after;
    host.model().Fail(failure);
    EXPECT_EQ(Run(XLLbuttonFindSummands, L"1"), -1);
    ASSERT_EQ(BoxTexts(), std::vector<std::wstring>{c.box});
    EXPECT_EQ(boxes()[0].type, 0x40010u);
    if (c.column_c_cleared)
      EXPECT_EQ(ColumnC(3), (std::vector<std::wstring>(3, L"")));
    else
      ExpectColumnCUntouched();
  }
}

}  // namespace
}  // namespace korvel::test
