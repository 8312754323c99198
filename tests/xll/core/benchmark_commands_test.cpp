// The benchmark commands at small sizes: the ten loops of BenchmarkAutomationCalls and their box, failures in
// loops 1 and 5, the colour of F5 on sheet 1, and the two block copies writing back what they read.
#include <regex>
#include <sstream>

#include "commands/benchmark_settings.h"
#include "sheet_command_fixture.h"

namespace korvel::test {
namespace {

using Texts = std::vector<std::wstring>;

class BenchmarkCommandsTest : public SheetCommandTest {
 protected:
  void SetUp() override {
    SheetCommandTest::SetUp();
    sizes_ = g_benchmark_sizes;
    g_benchmark_sizes.automation_loops = 2;
    g_benchmark_sizes.xls_block_rows = 2;
    g_benchmark_sizes.com_block_rows = 2;
  }
  void TearDown() override {
    g_benchmark_sizes = sizes_;
    SheetCommandTest::TearDown();
  }
  static Texts Lines(const std::wstring& text) {
    Texts out;
    std::wstringstream in(text);
    for (std::wstring line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  // The interior colour of cell (row, column) of sheet `n`, read through the object model.
  LONG ColorOf(int n, int row, int column) {
    const std::wstring path = L"Sheets(" + std::to_wstring(n) + L").Cells(" + std::to_wstring(row) + L"," +
                              std::to_wstring(column) + L").Interior.Color";
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(addin.AutoWrapX(path.c_str(), nullptr, DISPATCH_PROPERTYGET, &v, true, nullptr, 0), 0);
    VariantChangeType(&v, &v, 0, VT_I4);
    const LONG color = v.lVal;
    VariantClear(&v);
    return color;
  }

  BenchmarkSizes sizes_;
};

TEST_F(BenchmarkCommandsTest, TenLoopsAndTheirRatios) {
  host.model().ClearInvokes();
  EXPECT_EQ(BenchmarkAutomationCalls(), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].type, 0u);
  EXPECT_EQ(boxes()[0].caption, L"") << "no caption of its own";
  EXPECT_EQ(boxes()[0].owner, host.windows().main());
  const Texts lines = Lines(boxes()[0].text);
  ASSERT_EQ(lines.size(), 4u);
  const size_t mark = lines[0].find(L" > ");
  ASSERT_NE(mark, std::wstring::npos);
  EXPECT_EQ(lines[0].substr(mark), L" > 1.000000");
  EXPECT_EQ(lines[0].substr(0, mark).find_first_not_of(L"0123456789"), std::wstring::npos);
  // Three ratios a line, each written with "%f"; a loop 1 of 0 ms must not make them inf or nan.
  const std::wregex ratios(L"[0-9]+\\.[0-9]{6} > [0-9]+\\.[0-9]{6} > [0-9]+\\.[0-9]{6}");
  for (size_t i = 1; i < 4; ++i) EXPECT_TRUE(std::regex_match(lines[i], ratios)) << std::string(lines[i].begin(), lines[i].end());
  EXPECT_EQ(CountInvokes(L"CountLarge"), 20) << "ten loops of two reads";
}

TEST_F(BenchmarkCommandsTest, TheCallsOfEachLoop) {
  g_benchmark_sizes.automation_loops = 1;
  host.model().ClearInvokes();
  EXPECT_EQ(BenchmarkAutomationCalls(), 0);
  // The index arguments of each Item call: VT_I4 as given, path numbers VT_I8, and VT_R8 through AutoWrapX2.
  std::wstring items;
  for (const SeenInvoke& i : host.model().invokes()) {
    if (i.nested || i.member != L"Item") continue;
    items += L"(";
    for (const SeenArg& a : i.args) items += a.vt == VT_I4 ? L"4" : a.vt == VT_I8 ? L"8" : a.vt == VT_R8 ? L"r" : L"?";
    items += L")";
  }
  EXPECT_EQ(items, L"(4)(44)"  // loop 1
                   L"(4)(44)(4)(44)(8)(88)"  // AutoWrapX
                   L"(4)(44)(4)(44)(r)(rr)"  // AutoWrapX2
                   L"(4)(44)(4)(44)(8)(88)");  // AutoWrapX3
  // Loop 1 calls every member with the method-or-get flag.
  const SeenInvoke& first = host.model().invokes().front();
  EXPECT_EQ(first.member, L"Sheets");
  EXPECT_EQ(first.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(BenchmarkCommandsTest, AFailureInLoopOneIsSilentAndInLoopFiveShowsItsBox) {
  MemberFailure in_loop_one;
  in_loop_one.member = L"CountLarge";
  in_loop_one.times = 1;
  host.model().Fail(in_loop_one);
  EXPECT_EQ(BenchmarkAutomationCalls(), -1);
  EXPECT_TRUE(boxes().empty());

  StartAfresh();
  g_benchmark_sizes.automation_loops = 1;
  MemberFailure in_loop_five = in_loop_one;
  in_loop_five.after = 4;
  host.model().Fail(in_loop_five);
  EXPECT_EQ(BenchmarkAutomationCalls(), -1);
  ASSERT_EQ(boxes().size(), 1u) << "the failing routine's box, and no times";
  EXPECT_EQ(boxes()[0].text.rfind(L"AutoWrapX2>ERROR:", 0), 0u);
}

TEST_F(BenchmarkCommandsTest, DuplicateValuesColoursF5OfTheFirstSheet) {
  for (bool failing_run : {false, true}) {
    SCOPED_TRACE(failing_run ? "after a failed timing run" : "after a complete timing run");
    StartAfresh();
    app()->set_active_sheet(sheet(1));  // another sheet is active
    if (failing_run) {
      MemberFailure f;
      f.member = L"CountLarge";
      f.times = 1;
      host.model().Fail(f);
    }
    EXPECT_EQ(Run(XLLbuttonDuplicateValues), 0);
    EXPECT_EQ(boxes().size(), failing_run ? 0u : 1u);
    EXPECT_EQ(ColorOf(1, 5, 6), 65535);
    EXPECT_NE(ColorOf(2, 5, 6), 65535);
  }
  StartAfresh();
  MemberFailure colour;
  colour.member = L"Color";
  colour.flags = DISPATCH_PROPERTYPUT;
  host.model().Fail(colour);
  EXPECT_EQ(Run(XLLbuttonDuplicateValues), -1);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text.rfind(L"AutoWrapX3>ERROR:", 0), 0u);
}

class BlockCopyTest : public BenchmarkCommandsTest,
                      public ::testing::WithParamInterface<bool> {
 protected:
  Command command() const { return GetParam() ? XLLbuttonGetArreyCOM : XLLbuttonGetArreyXLS; }
  void FillBlock() {
    cells().Set(L"A1", 1);
    cells().Set(L"XFD2", L"last");
    cells().Set(L"B1", L"text");
    cells().SetFormula(L"C2", L"=A1+1", 2);
    cells().Set(L"A3", L"outside");
  }
  void ExpectBlockValues() {
    EXPECT_EQ(cells().ValueAt(L"A1"), CellValue(1));
    EXPECT_EQ(cells().ValueAt(L"B1"), CellValue(L"text"));
    EXPECT_EQ(cells().ValueAt(L"XFD2"), CellValue(L"last"));
    EXPECT_EQ(cells().ValueAt(L"C2"), CellValue(2));
    EXPECT_EQ(cells().ValueAt(L"A3"), CellValue(L"outside"));
  }
};

TEST_P(BlockCopyTest, WritesBackWhatItReadFormulasBecomeValues) {
  FillBlock();
  EXPECT_EQ(Run(command(), L"11"), 0);
  ExpectBlockValues();
  EXPECT_EQ(cells().FormulaAt(L"C2"), L"");
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].type, 0x40040u);
  unsigned m1, m2, m3, m;
  EXPECT_EQ(swscanf(boxes()[0].text.c_str(), L"m1: %u m2: %u m3: %u m: %u", &m1, &m2, &m3, &m), 4)
      << std::string(boxes()[0].text.begin(), boxes()[0].text.end());
}

TEST_P(BlockCopyTest, ScriptedNoAndNoTimes) {
  FillBlock();
  host.model().ClearInvokes();
  host.api().ClearCalls();
  EXPECT_EQ(Run(command(), L"0"), -1);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_TRUE(host.api().CallsOf(h::xlCoerce).empty());
  EXPECT_EQ(cells().FormulaAt(L"C2"), L"=A1+1");
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(Run(command(), L"10"), 0);
  EXPECT_TRUE(boxes().empty());
  ExpectBlockValues();
}

TEST_P(BlockCopyTest, UserModeShowsNoTimesTestModeDoes) {
  *addin.OperatingMode = kModeTest;
  host.ui().QueueAnswer(IDYES);
  EXPECT_EQ(Run(command()), 0);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[0].text, L"Запускаем?");
  EXPECT_EQ(boxes()[0].type, 0x24u);
  EXPECT_EQ(boxes()[1].text.rfind(L"m1: ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(CApiAndObjectModel, BlockCopyTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "COM" : "XLS"; });

TEST_F(BenchmarkCommandsTest, GetArreyXlsReadsA1ToXfdAndStopsAfterAFailedCoerce) {
  cells().Set(L"A1", 7);
  host.api().ClearCalls();
  EXPECT_EQ(Run(XLLbuttonGetArreyXLS, L"10"), 0);
  const auto coerce = host.api().CallsOf(h::xlCoerce);
  ASSERT_EQ(coerce.size(), 1u);
  ASSERT_EQ(coerce[0].args.size(), 1u) << "no type argument";
  EXPECT_EQ(coerce[0].args[0].type, h::xltypeSRef);
  ASSERT_EQ(coerce[0].args[0].areas.size(), 1u);
  const XlArea a = coerce[0].args[0].areas[0];
  EXPECT_EQ(a.rwFirst, 0);
  EXPECT_EQ(a.rwLast, 1);
  EXPECT_EQ(a.colFirst, 0);
  EXPECT_EQ(a.colLast, 16383);
  EXPECT_EQ(host.api().CallsOf(h::xlSet).size(), 1u);

  for (int function : {h::xlCoerce, h::xlSet}) {
    SCOPED_TRACE(function);
    StartAfresh();
    cells().Set(L"A1", 7);
    host.api().ClearCalls();
    host.api().FailOnCall(function, 1, h::xlretFailed);
    EXPECT_EQ(Run(XLLbuttonGetArreyXLS, L"11"), -1);
    if (function == h::xlCoerce) EXPECT_TRUE(host.api().CallsOf(h::xlSet).empty()) << "nothing is written";
    ASSERT_EQ(boxes().size(), 1u) << "an error box, no times";
    EXPECT_EQ(boxes()[0].type, 0x40010u);
    EXPECT_EQ(boxes()[0].text, std::wstring(function == h::xlCoerce ? L"xlCoerce: " : L"xlSet: ") + L"32");
    EXPECT_EQ(cells().ValueAt(L"A1"), CellValue(7));
  }
}

TEST_F(BenchmarkCommandsTest, GetArreyComAddressAndEachCallFailing) {
  host.model().ClearInvokes();
  EXPECT_EQ(Run(XLLbuttonGetArreyCOM, L"10"), 0);
  Texts ranges;
  for (const SeenInvoke& i : host.model().invokes())
    if (!i.nested && i.member == L"Range") ranges.push_back(i.args.at(0).text);
  EXPECT_EQ(ranges, (Texts{L"A1:xfd2", L"A1:xfd2"}));

  struct Case {
    const char* what;
    std::wstring member;
    WORD flags;
    int after;
    std::wstring box;
  } cases[] = {
      {"ActiveSheet", L"ActiveSheet", 0, 0, L"ActiveSheet: "},
      {"first Range", L"Range", 0, 0, L"Range: "},
      {"get Value", L"Value", DISPATCH_PROPERTYGET, 0, L"ValueGET: "},
      {"second Range", L"Range", 0, 1, L"Range: "},
      {"put Value", L"Value", DISPATCH_PROPERTYPUT, 0, L"Value: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    MemberFailure f;
    f.member = c.member;
    f.flags = c.flags;
    f.after = c.after;
    host.model().Fail(f);
    EXPECT_EQ(Run(XLLbuttonGetArreyCOM, L"11"), -1);
    ASSERT_EQ(BoxTexts(), Texts{c.box});
    EXPECT_EQ(boxes()[0].type, 0x40010u);
  }
}

}  // namespace
}  // namespace korvel::test
