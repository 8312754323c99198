// Every thread-safe function of the big-number and text families called from 8 of the host's calculation
// threads at once gives what it gives on one thread.
#include <gtest/gtest.h>

#include <string>

#include "cell_calls.h"

namespace korvel::test {
namespace {

class FunctionThreadsTest : public CellFunctionTest {};

struct ThreadCases {
  const char* function;
  std::vector<std::vector<ArgValue>> cases;
};

TEST_F(FunctionThreadsTest, EightThreadsGiveTheResultsOfOne) {
  const ArgValue range = ArgValue::Array(2, 2, {N(3), T(L"12345678901234567890"), ArgValue::Bool(true), T(L"-7")});
  const std::vector<ThreadCases> functions = {
      {"SumInteger", {{range, T(L"99999999999999999999")}, {T(L"x"), T(L"1")}, {N(2.5), T(L"ff"), N(16), N(2)}}},
      {"MultiplyInteger", {{range, T(L"-3")}, {T(std::wstring(60, L'7')), T(std::wstring(60, L'3'))}}},
      {"SubtractInteger", {{T(L"1"), T(std::wstring(500, L'9'))}, {T(L""), T(L"1")}}},
      {"DivideInteger", {{T(std::wstring(300, L'8')), T(L"-7")}, {T(L"1"), T(L"0")}}},
      {"ModInteger", {{T(std::wstring(300, L'8')), T(L"-7")}, {T(L"zz"), T(L"7"), N(36), N(36)}}},
      {"PowerInteger", {{T(L"-3"), N(999)}, {T(L"10"), N(32767)}}},
      {"ConvertBaseInteger", {{T(std::wstring(400, L'f')), N(16), N(7)}, {T(L"12"), N(2), N(10)}}},
      {"FactorialInteger", {{N(700), N(36)}, {N(-1)}}},
      {"SumFloat", {{range, T(L"1e-30"), N(40)}, {T(L"1,5"), T(L"2"), N(0), T(L",")}}},
      {"MultiplyFloat", {{range, T(L"0.5")}, {T(L"-2"), T(L"0.25")}}},
      {"SubtractFloat", {{T(L"1"), T(L"1e-40"), N(50)}}},
      {"DivideFloat", {{T(L"1"), T(L"7")}, {T(L"1"), T(L"0")}}},
      {"PowerFloat", {{T(L"1.0001"), N(10000), N(100)}}},
      {"RootFloat", {{T(L"3"), N(0)}, {T(L"-3")}}},
      {"TrimXLL", {{T(L"  a   b  ")}}},
      {"FilterUnicodeChar", {{T(L"Hello, World!"), T(L"A-Za-z"), T(L"lo")}}},
      {"DigitXLL", {{T(L"a1b2-3")}}},
      {"RusLetter", {{T(L" \u0410\u0411 1 \u0412 ")}}},
  };
  for (const ThreadCases& f : functions) {
    SCOPED_TRACE(f.function);
    std::vector<CallOutcome> one;
    for (const auto& args : f.cases) one.push_back(Call(f.function, args));
    std::vector<std::vector<ArgValue>> rounds;
    for (int i = 0; i < 8; ++i) rounds.insert(rounds.end(), f.cases.begin(), f.cases.end());
    const auto outcomes = standin::CallOnThreads(addin.module, f.function, rounds, 8);
    ASSERT_EQ(outcomes.size(), 8u);
    for (const auto& thread : outcomes) {
      ASSERT_EQ(thread.size(), rounds.size());
      for (size_t i = 0; i < thread.size(); ++i) EXPECT_EQ(thread[i], one[i % one.size()]) << "case " << i;
    }
  }
  EXPECT_EQ(host.api().outstanding(), 0u);
}

TEST_F(FunctionThreadsTest, OnlyThreadSafeFunctionsRunOnCalculationThreads) {
  EXPECT_THROW(standin::CallOnThreads(addin.module, "GetRowsCountCSVansi", {{T(L"x.csv")}}, 2), std::invalid_argument);
  EXPECT_THROW(standin::CallOnThreads(addin.module, "SumInteger2", {{T(L"1"), T(L"1")}}, 2), std::invalid_argument);
}

}  // namespace
}  // namespace korvel::test
