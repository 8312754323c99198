// MyAsyncUDF completes at once with its cell's zero-based row, or with #N/A; ColorRGB gives 0.
#include "add_in.h"
#include "calculation.h"
#include "object_model/workbooks.h"

namespace korvel::test {
namespace {

class MyAsyncUdfTest : public AddInTest {
 protected:
  Worksheet* sheet() { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0)); }
  Calculation& calc() { return Calculation::Get(); }
  // Calculates the function in `cells`; gives the one completion the host received.
  Calculation::Completion Run(const std::wstring& cells) {
    XLOPER12 ignored{};
    ignored.xltype = xltypeNum;
    ignored.val.num = 5;
    calc().CalculateAsync(sheet(), cells, [&](XLOPER12* handle) { MyAsyncUDF(&ignored, handle); });
    EXPECT_EQ(calc().completions().size(), 1u) << "the call completes before it returns";
    return calc().completions().empty() ? Calculation::Completion{} : calc().completions().back();
  }
  // Records that went back to the host through xlFree.
  size_t Frees() { return host.api().CallsOf(xlFree).size(); }
};

TEST_F(MyAsyncUdfTest, CompletesWithTheZeroBasedRowOfItsCell) {
  struct Case {
    const wchar_t* cells;
    double row;
  };
  for (const Case& c : {Case{L"B10", 9}, Case{L"A1", 0}, Case{L"C1048576", 1048575}, Case{L"D7:E9", 6}}) {
    SCOPED_TRACE(std::string(c.cells, c.cells + wcslen(c.cells)));
    host.Reset();
    const size_t outstanding = host.api().outstanding();
    const Calculation::Completion done = Run(c.cells);
    EXPECT_EQ(done.handle, calc().last_handle());
    EXPECT_EQ(done.value.type, xltypeNum);
    EXPECT_EQ(done.value.num, c.row);
    // The caller's reference and the answer to xlAsyncReturn: both filled by the host, both go back.
    EXPECT_EQ(Frees(), 2u);
    EXPECT_EQ(host.api().outstanding(), outstanding);
    EXPECT_EQ(host.api().bad_frees(), 0u);
  }
}

TEST_F(MyAsyncUdfTest, CompletesWithNAWhenTheCallerIsNoSingleAreaReference) {
  struct Case {
    const char* what;
    std::function<void(AddInTest&)> arrange;
    size_t frees;  // records the host filled
  };
  const Case cases[] = {
      {"a multi-area caller, its area list handed back",
       [](AddInTest&) { Calculation::Get().set_caller_answer(Calculation::CallerAnswer::kMultiArea); }, 2},
      {"xlfCaller failing", [](AddInTest&) { Calculation::Get().set_caller_answer(Calculation::CallerAnswer::kFailure); },
       1},
      {"xlfCaller refused by the call entry",
       [](AddInTest&) { Host::Get().api().InjectReturn(xlfCaller, xlretInvXloper); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.Reset();
    c.arrange(*this);
    const size_t outstanding = host.api().outstanding();
    const Calculation::Completion done = Run(L"B10");
    EXPECT_EQ(done.value.type, xltypeErr);
    EXPECT_EQ(done.value.integer, xlerrNA);
    EXPECT_EQ(Frees(), c.frees) << "only records the host filled go back";
    EXPECT_EQ(host.api().outstanding(), outstanding);
    EXPECT_EQ(host.api().bad_frees(), 0u);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST(ColorRgbTest, GivesZeroWhateverItsArguments) {
  for (unsigned short r : {0, 1, 255, 256, 65535})
    for (unsigned short g : {0, 128, 65535})
      for (unsigned short b : {0, 7, 65535}) EXPECT_EQ(ColorRGB(r, g, b), 0);
}

}  // namespace
}  // namespace korvel::test
