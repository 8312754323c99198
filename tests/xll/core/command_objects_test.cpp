// The sheet commands keep none of the host's objects: run twice on the same sheet, complete or stopped at a
// failing call, they leave as many of the host's objects alive after the second run as after the first.
#include <functional>

#include "commands/benchmark_settings.h"
#include "sheet_command_fixture.h"

namespace korvel::test {
namespace {

class CommandObjectsTest : public SheetCommandTest {
 protected:
  void SetUp() override {
    SheetCommandTest::SetUp();
    sizes_ = g_benchmark_sizes;
    g_benchmark_sizes = BenchmarkSizes{1, 2, 2};
  }
  void TearDown() override {
    g_benchmark_sizes = sizes_;
    SheetCommandTest::TearDown();
  }
  BenchmarkSizes sizes_;
};

struct Case {
  const char* what;
  std::function<void(SheetCells&)> sheet;
  std::function<int()> run;
  std::wstring failing_member;  // empty: the run completes
  WORD failing_flags;
  int result;
};

int Script(int(__stdcall* command)(wchar_t*), const std::wstring& answers) {
  std::wstring counted(1, static_cast<wchar_t>(answers.size()));
  counted += answers;
  return command(counted.data());
}

TEST_F(CommandObjectsTest, NoObjectOutlivesItsRun) {
  auto summands = [](SheetCells& c) {
    c.SetEach(L"A1:A3", {3, 5, 7});
    c.Set(L"B1", 12);
    c.Set(L"B2", 12);
  };
  auto block = [](SheetCells& c) {
    c.SetEach(L"A1:C2", {1, 2, 3, 4, 5, 6});
    c.Select(L"A1:C2");
  };
  const Case cases[] = {
      {"find summands", summands, [] { return Script(XLLbuttonFindSummands, L"11"); }, L"", 0, 0},
      {"find summands, put fails", summands, [] { return Script(XLLbuttonFindSummands, L"11"); }, L"Value",
       DISPATCH_PROPERTYPUT, -1},
      {"find summands, Row fails", summands, [] { return Script(XLLbuttonFindSummands, L"11"); }, L"Row", 0, -1},
      {"transpose", block, [] { return Script(XLLbuttonTranspose, L"10"); }, L"", 0, 0},
      {"transpose, Resize fails", block, [] { return Script(XLLbuttonTranspose, L"10"); }, L"Resize", 0, -1},
      {"transpose, put fails", block, [] { return Script(XLLbuttonTranspose, L"10"); }, L"Value",
       DISPATCH_PROPERTYPUT, -1},
      {"automation benchmark", block, [] { return BenchmarkAutomationCalls(); }, L"", 0, 0},
      {"automation benchmark, CountLarge fails", block, [] { return BenchmarkAutomationCalls(); }, L"CountLarge",
       0, -1},
      {"block copy through the object model", block, [] { return Script(XLLbuttonGetArreyCOM, L"10"); }, L"", 0, 0},
      {"block copy, put fails", block, [] { return Script(XLLbuttonGetArreyCOM, L"10"); }, L"Value",
       DISPATCH_PROPERTYPUT, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    long alive[2] = {0, 0};
    for (long& after : alive) {
      c.sheet(cells());
      if (!c.failing_member.empty()) {
        MemberFailure f;
        f.member = c.failing_member;
        f.flags = c.failing_flags;
        f.times = 1;
        host.model().Fail(f);
      }
      EXPECT_EQ(c.run(), c.result);
      after = HostObject::live();
    }
    EXPECT_EQ(alive[1], alive[0]) << "objects kept by the run";
  }
}

}  // namespace
}  // namespace korvel::test
