// The benchmark commands at long sizes, with the stand-in in counting mode (a record of every call's
// arguments over ten million reads would outgrow the run): every call of every loop counted by member, flags
// and argument types, the box, and the host left as found. KORVEL_FULL_SIZE=1 runs the loops at the
// million iterations the add-in ships with; CI runs a tenth of that, since the full run takes about forty
// seconds under Wine. The blocks run at the largest size the stand-in serves and at the shipped sizes,
// which it refuses.
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>

#include "commands/benchmark_settings.h"
#include "sheet_command_fixture.h"

namespace korvel::test {
namespace {

// The shipped sizes: a million iterations of each loop, blocks of 3276 and 3001 rows of every column.
constexpr long kShippedLoops = 1000000;
constexpr int kShippedXlsRows = 3276;
constexpr int kShippedComRows = 3001;
// CI's loops, the most that stay near five seconds under Wine (a million take about forty).
constexpr long kCiLoops = 100000;
// The stand-in serves blocks of up to 2^24 cells, as a host refuses what it has no memory for: 1024 rows of
// every column. The shipped blocks are larger.
constexpr int kLargestServedRows = 1024;

bool FullSize() {
  const char* wanted = std::getenv("KORVEL_FULL_SIZE");
  return wanted && std::string(wanted) == "1";
}

// Invokes the caller made, as "Kind.Member(types)" with the flags and, when it failed, the HRESULT.
using Counts = std::map<std::wstring, long long>;

std::wstring TypeLetters(const std::vector<VARTYPE>& types) {
  std::wstring out;
  for (VARTYPE t : types) out += t == VT_I4 ? L"4" : t == VT_I8 ? L"8" : t == VT_R8 ? L"r" : t == VT_BSTR ? L"s" : L"?";
  return out;
}

class FullSizeBenchmarkTest : public SheetCommandTest {
 protected:
  void SetUp() override {
    SheetCommandTest::SetUp();
    sizes_ = g_benchmark_sizes;
    if (FullSize()) {
      // Run as shipped: the defaults themselves, which must be the sizes above.
      EXPECT_EQ(g_benchmark_sizes.automation_loops, kShippedLoops);
      EXPECT_EQ(g_benchmark_sizes.xls_block_rows, kShippedXlsRows);
      EXPECT_EQ(g_benchmark_sizes.com_block_rows, kShippedComRows);
    } else {
      g_benchmark_sizes.automation_loops = kCiLoops;
    }
    host.model().ClearInvokes();
    host.model().set_counting(true);
  }
  void TearDown() override {
    host.model().set_counting(false);
    EXPECT_EQ(host.model().made_for_call_alive(), 0) << "an object of a call never let go";
    EXPECT_TRUE(host.model().faults().empty()) << std::string(Fault().begin(), Fault().end());
    g_benchmark_sizes = sizes_;
    SheetCommandTest::TearDown();
  }
  std::wstring Fault() { return host.model().faults().empty() ? L"" : host.model().faults().front(); }

  static Counts CallerInvokes() {
    Counts out;
    for (const auto& [call, n] : ObjectModel::Get().counts().invokes()) {
      if (call.nested) continue;
      std::wstring key = call.object + L"." + call.member + L"(" + TypeLetters(call.arg_types) + L") flags " +
                         std::to_wstring(call.flags);
      if (call.returned != S_OK) key += L" failed " + std::to_wstring(call.returned);
      out[key] += n;
    }
    return out;
  }
  static Counts CallerLookups() {
    Counts out;
    for (const auto& [lookup, n] : ObjectModel::Get().counts().lookups())
      if (!lookup.nested) out[lookup.object + L"." + lookup.names] += n;
    return out;
  }

  BenchmarkSizes sizes_;
};

TEST_F(FullSizeBenchmarkTest, DuplicateValuesCountsEveryCallOfTheTenLoops) {
  const long long loops = g_benchmark_sizes.automation_loops;
  EXPECT_EQ(Run(XLLbuttonDuplicateValues), 0);

  // Every segment is called with method-or-get (3). Per iteration over the ten loops: index 1 as VT_I4 in
  // loop 1 and in the three-call forms (loops 2, 3, 5, 6, 8, 9), path numbers as VT_I8 through AutoWrapX and
  // AutoWrapX3 (loops 4 and 10) and as VT_R8 through AutoWrapX2 (loop 7).
  Counts expected = {
      {L"Application.Sheets() flags 3", 10 * loops},
      {L"Sheets.Item(4) flags 3", 7 * loops},
      {L"Sheets.Item(8) flags 3", 2 * loops},
      {L"Sheets.Item(r) flags 3", 1 * loops},
      {L"Worksheet.Cells() flags 3", 10 * loops},
      {L"Range.Item(44) flags 3", 7 * loops},
      {L"Range.Item(88) flags 3", 2 * loops},
      {L"Range.Item(rr) flags 3", 1 * loops},
      {L"Range.CountLarge() flags 3", 10 * loops},
  };
  // Then the colour: "Sheets(1).Cells(5,6).Interior.Color(65535)", the last segment a put.
  expected[L"Application.Sheets(8) flags 3"] += 1;
  expected[L"Worksheet.Cells(88) flags 3"] += 1;
  expected[L"Range.Interior() flags 3"] += 1;
  expected[L"Interior.Color() flags 4"] += 1;
  EXPECT_EQ(CallerInvokes(), expected);

  // One GetIDsOfNames a segment, each for one name.
  const Counts lookups = CallerLookups();
  EXPECT_EQ(lookups.at(L"Application.Sheets"), 10 * loops + 1);
  EXPECT_EQ(lookups.at(L"Sheets.Item"), 10 * loops);
  EXPECT_EQ(lookups.at(L"Worksheet.Cells"), 10 * loops + 1);
  EXPECT_EQ(lookups.at(L"Range.Item"), 10 * loops);
  EXPECT_EQ(lookups.at(L"Range.CountLarge"), 10 * loops);
  EXPECT_EQ(ObjectModel::Get().counts().caller_lookups(), 50 * loops + 4);

  // The box: the milliseconds of loop 1 with " > 1.000000", then three lines of three "%f" ratios.
  ASSERT_EQ(boxes().size(), 1u);
  std::wstringstream in(boxes()[0].text);
  std::vector<std::wstring> lines;
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(std::regex_match(lines[0], std::wregex(L"[0-9]+ > 1\\.000000")));
  const std::wregex ratios(L"[0-9]+\\.[0-9]{6} > [0-9]+\\.[0-9]{6} > [0-9]+\\.[0-9]{6}");
  for (size_t i = 1; i < 4; ++i) EXPECT_TRUE(std::regex_match(lines[i], ratios));
}

class FullSizeBlockCopyTest : public FullSizeBenchmarkTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool com() const { return GetParam(); }
  Command command() const { return com() ? XLLbuttonGetArreyCOM : XLLbuttonGetArreyXLS; }
  void SetRows(int rows) { (com() ? g_benchmark_sizes.com_block_rows : g_benchmark_sizes.xls_block_rows) = rows; }
  int rows() const { return com() ? g_benchmark_sizes.com_block_rows : g_benchmark_sizes.xls_block_rows; }
};

TEST_P(FullSizeBlockCopyTest, WritesBackTheLargestBlockTheStandInServes) {
  SetRows(kLargestServedRows);
  const std::wstring last_row = std::to_wstring(rows());
  const std::wstring below = std::to_wstring(rows() + 1);
  cells().Set(L"A1", 1);
  cells().Set(L"XFD" + last_row, L"corner");
  cells().SetFormula(L"B" + last_row, L"=A1+1", 2);
  cells().Set(L"A" + below, L"below");
  EXPECT_EQ(Run(command(), L"11"), 0);
  EXPECT_EQ(cells().ValueAt(L"A1"), CellValue(1));
  EXPECT_EQ(cells().ValueAt(L"XFD" + last_row), CellValue(L"corner"));
  EXPECT_EQ(cells().ValueAt(L"B" + last_row), CellValue(2));
  EXPECT_EQ(cells().FormulaAt(L"B" + last_row), L"") << "the formula became its value";
  EXPECT_EQ(cells().ValueAt(L"A" + below), CellValue(L"below"));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].type, 0x40040u);
  EXPECT_TRUE(std::regex_match(boxes()[0].text, std::wregex(L"m1: [0-9]+ m2: [0-9]+ m3: [0-9]+ m: [0-9]+")));
  if (com()) {
    const Counts expected = {
        {L"Application.ActiveSheet() flags 2", 1},
        {L"Worksheet.Range(s) flags 2", 2},
        {L"Range.Value() flags 2", 1},
        {L"Range.Value() flags 4", 1},
    };
    EXPECT_EQ(CallerInvokes(), expected);
  }
}

// More cells than the stand-in serves: the command stops at the read with its error box, without the
// times, and the block stays as it was (no write of an unfilled record).
TEST_P(FullSizeBlockCopyTest, AtTheShippedSizesTheStandInRefusesTheBlock) {
  SetRows(com() ? kShippedComRows : kShippedXlsRows);
  cells().Set(L"A1", 1);
  cells().SetFormula(L"B2", L"=A1+1", 2);
  EXPECT_EQ(Run(command(), L"11"), -1);
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{com() ? L"ValueGET: " : L"xlCoerce: 32"});
  EXPECT_EQ(boxes().at(0).type, 0x40010u);
  EXPECT_TRUE(host.api().CallsOf(h::xlSet).empty());
  EXPECT_EQ(cells().ValueAt(L"A1"), CellValue(1));
  EXPECT_EQ(cells().FormulaAt(L"B2"), L"=A1+1");
  if (com()) {
    const Counts expected = {
        {L"Application.ActiveSheet() flags 2", 1},
        {L"Worksheet.Range(s) flags 2", 1},
        {L"Range.Value() flags 2 failed " + std::to_wstring(E_OUTOFMEMORY), 1},
    };
    EXPECT_EQ(CallerInvokes(), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(CApiAndObjectModel, FullSizeBlockCopyTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "COM" : "XLS"; });

}  // namespace
}  // namespace korvel::test
