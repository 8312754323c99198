// Memory of the big-number and text functions: the runtime heap holds as many blocks after many calls as
// before, and a failed allocation inside the arithmetic library, on any of a call's allocations, gives the
// failure value and leaks nothing.
#include <gtest/gtest.h>

#include <gmp.h>
#include <malloc.h>

#include <functional>
#include <new>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cell_calls.h"
#include "host/xl_records.h"
#include "common/gmp_allocation.h"
#include "heap_blocks.h"

namespace korvel::test {
namespace {


// The library's allocation functions, wrapped so that the n-th allocation or growth from now fails as the
// installed ones fail (std::bad_alloc); releases always go through.
class FailingGmpAllocation {
 public:
  explicit FailingGmpAllocation(int nth) {
    countdown_ = nth;
    mp_get_memory_functions(&allocate_, &reallocate_, &release_);
    mp_set_memory_functions(Allocate, Reallocate, release_);
  }
  ~FailingGmpAllocation() { korvel::InstallGmpAllocation(); }
  static bool failed() { return countdown_ < 0; }

 private:
  static void Tick() {
    if (--countdown_ == 0) {
      countdown_ = -1;
      throw std::bad_alloc();
    }
  }
  static void* Allocate(size_t n) {
    Tick();
    return allocate_(n);
  }
  static void* Reallocate(void* p, size_t old, size_t n) {
    Tick();
    return reallocate_(p, old, n);
  }
  static inline int countdown_ = 0;
  static inline void* (*allocate_)(size_t) = nullptr;
  static inline void* (*reallocate_)(void*, size_t, size_t) = nullptr;
  static inline void (*release_)(void*, size_t) = nullptr;
};

class FunctionLeaksTest : public CellFunctionTest {};

// Direct calls with fixed arguments; each hands its result back as the host does.
struct DirectCall {
  const char* function;
  std::function<void*()> call;
  bool record;  // the result is a new record (else the argument's own buffer or null)
};

// A host buffer of 32769 units holding `text`; made once, then only its text is written.
wchar_t* Counted(std::vector<wchar_t>& buffer, const std::wstring& text) {
  if (buffer.size() != 32769) buffer.assign(32769, 0);
  buffer[text.size() + 1] = 0;
  buffer[0] = static_cast<wchar_t>(text.size());
  std::copy(text.begin(), text.end(), buffer.begin() + 1);
  return buffer.data();
}

// The walk sees every block of the heap proper (Wine keeps blocks of 64 KiB and more apart, outside it).
TEST_F(FunctionLeaksTest, TheCountSeesEachBlock) {
  std::vector<void*> blocks(1000);
  const size_t before = UsedHeapBlocks();
  for (void*& p : blocks) p = std::malloc(24 + (&p - blocks.data()) % 4000);
  const size_t with_blocks = UsedHeapBlocks();
  for (void* p : blocks) std::free(p);
  EXPECT_EQ(with_blocks, before + 1000);
  EXPECT_EQ(UsedHeapBlocks(), before);
}

// One case per function: a full-precision square root takes a quarter of a millisecond, so that the 10,000
// calls of all functions together would make one long test.
class HeapAfterManyCalls : public FunctionLeaksTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HeapAfterManyCalls, HoldsAsManyBlocksAfterTenThousandCalls) {  std::vector<wchar_t> a, b, s, none, text;
  XLOPER12 elements[3] = {};
  elements[0].xltype = xltypeNum;
  elements[0].val.num = 12;
  elements[1].xltype = xltypeStr;
  std::vector<wchar_t> element_text;
  elements[1].val.str = Counted(element_text, L"123456789012345678901234567890");
  elements[2].xltype = xltypeBool;
  XLOPER12 range{};
  range.xltype = xltypeMulti;
  range.val.array.lparray = elements;
  range.val.array.rows = 1;
  range.val.array.columns = 3;
  Counted(none, L"");
  const std::wstring sixty(60, L'7');
  const std::vector<DirectCall> calls = {
      {"SumInteger", [&] { return (void*)SumInteger(&range, Counted(b, sixty), 0, 0); }, true},
      {"MultiplyInteger", [&] { return (void*)MultiplyInteger(&range, Counted(b, sixty), 0, 16); }, true},
      {"SubtractInteger", [&] { return (void*)SubtractInteger(Counted(a, sixty), Counted(b, L"-1"), 0, 0); }, true},
      {"DivideInteger", [&] { return (void*)DivideInteger(Counted(a, sixty), Counted(b, L"7"), 0, 0); }, true},
      {"ModInteger", [&] { return (void*)ModInteger(Counted(a, sixty), Counted(b, L"0"), 0, 0); }, true},
      {"PowerInteger", [&] { return (void*)PowerInteger(Counted(a, L"3"), 300, 0, 0); }, true},
      {"ConvertBaseInteger", [&] { return (void*)ConvertBaseInteger(Counted(a, sixty), 10, 36); }, true},
      {"FactorialInteger", [&] { return (void*)FactorialInteger(200, 0); }, true},
      {"SumInteger2", [&] { return (void*)SumInteger2(&range, Counted(b, L"1"), 0, 0); }, false},
      {"SumFloat", [&] { return (void*)SumFloat(&range, Counted(b, L"1.5"), 30, none.data()); }, true},
      {"MultiplyFloat", [&] { return (void*)MultiplyFloat(&range, Counted(b, L"1,5"), 30, none.data()); }, true},
      {"SubtractFloat", [&] { return (void*)SubtractFloat(Counted(a, L"1"), Counted(b, L"3e-9"), 30, none.data()); },
       true},
      {"DivideFloat", [&] { return (void*)DivideFloat(Counted(a, L"1"), Counted(b, L"3"), 30, none.data()); }, true},
      {"PowerFloat", [&] { return (void*)PowerFloat(Counted(a, L"1.5"), 2, 30, none.data()); }, true},
      {"RootFloat", [&] { return (void*)RootFloat(Counted(a, L"0,25"), 30, Counted(s, L",")); }, true},
      {"TrimXLL", [&] { return (void*)TrimXLL(Counted(text, L"  a  b ")); }, false},
      {"FilterUnicodeChar",
       [&] { return (void*)FilterUnicodeChar(Counted(text, L"a-b"), Counted(a, L"a-"), Counted(b, L"")); }, false},
      {"DigitXLL", [&] { return (void*)DigitXLL(Counted(text, L"1a2")); }, false},
      {"RusLetter", [&] { return (void*)RusLetter(Counted(text, L"\u0410 b") + 1); }, false},
      {"TrimXLL2", [&] { return (void*)TrimXLL2(L" a "); }, true},
  };
  for (const DirectCall& c : calls) {
    if (std::strcmp(c.function, GetParam()) != 0) continue;
    SCOPED_TRACE(c.function);
    auto once = [&] {
      void* r = c.call();
      if (c.record) {
        ASSERT_NE(r, nullptr);
        host.api().TakeResult(static_cast<XLOPER12*>(r));
      }
    };
    once();  // first-use storage of the thread (its scope slot) is not a leak
    const size_t before = UsedHeapBlocks();
    for (int i = 0; i < 10000; ++i) once();
    EXPECT_EQ(UsedHeapBlocks(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Functions, HeapAfterManyCalls,
                         ::testing::Values("SumInteger", "MultiplyInteger", "SubtractInteger", "DivideInteger",
                                           "ModInteger", "PowerInteger", "ConvertBaseInteger", "FactorialInteger",
                                           "SumInteger2", "SumFloat", "MultiplyFloat", "SubtractFloat", "DivideFloat",
                                           "PowerFloat", "RootFloat", "TrimXLL", "FilterUnicodeChar", "DigitXLL",
                                           "RusLetter", "TrimXLL2"),
                         [](const ::testing::TestParamInfo<const char*>& i) { return std::string(i.param); });

// Results made on the host's calculation threads may be handed back on another thread, after the threads that
// made them have ended: each keeps its text to the end, and rounds of it leave the heap as it was. Spare
// records that earlier tests' threads handed back wait in slots that this test's threads take in turn and
// use up, which would lower the count: they go back to the heap first, so that only this test's spares count.
TEST_F(FunctionLeaksTest, ResultsHandedBackOnAnotherThreadAfterTheirMakersEnded) {
  xll::ReleaseSpareRecords();
  constexpr int kThreads = 8, kPerThread = 300;
  const std::wstring a(60, L'7'), b(59, L'3');
  std::string expected(200, '\0');
  {
    mpz_t x, y;
    mpz_init_set_str(x, std::string(60, '7').c_str(), 10);
    mpz_init_set_str(y, std::string(59, '3').c_str(), 10);
    mpz_mul(x, x, y);
    mpz_get_str(&expected[0], 10, x);
    expected.resize(std::strlen(expected.c_str()));
    mpz_clears(x, y, nullptr);
  }
  auto round = [&] {
    std::vector<std::vector<XLOPER12*>> made(kThreads);
    std::vector<std::thread> makers;
    for (int t = 0; t < kThreads; ++t)
      makers.emplace_back([&, t] {
        std::vector<wchar_t> na, nb;
        XLOPER12 number1{};
        number1.xltype = xltypeStr;
        number1.val.str = Counted(na, a);
        for (int i = 0; i < kPerThread; ++i) made[t].push_back(MultiplyInteger(&number1, Counted(nb, b), 0, 0));
      });
    for (std::thread& m : makers) m.join();
    for (const auto& results : made)
      for (XLOPER12* r : results) {
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->xltype & ~xlbitDLLFree, static_cast<DWORD>(xltypeStr));
        const std::string text(r->val.str + 1, r->val.str + 1 + r->val.str[0]);
        EXPECT_EQ(text, expected);
        EXPECT_EQ(r->val.str[r->val.str[0] + 1], 0);
        host.api().TakeResult(r);
      }
  };
  round();  // first-use storage of the threads
  const size_t before = UsedHeapBlocks();
  round();
  round();
  EXPECT_EQ(UsedHeapBlocks(), before);
}

// Every allocation of a call in turn fails: the call gives the number 0 (null for SumInteger2), and the heap
// is as it was. The last round runs without a failure and gives the real result.
TEST_F(FunctionLeaksTest, FailedLibraryAllocationsGiveTheFailureValue) {
  std::vector<wchar_t> a, b, none;
  Counted(none, L"");
  XLOPER12 elements[2] = {};
  std::vector<wchar_t> e0;
  elements[0].xltype = xltypeStr;
  elements[0].val.str = Counted(e0, std::wstring(200, L'9'));
  elements[1].xltype = xltypeNum;
  elements[1].val.num = -3;
  XLOPER12 range{};
  range.xltype = xltypeMulti;
  range.val.array.lparray = elements;
  range.val.array.rows = 2;
  range.val.array.columns = 1;
  const std::wstring big(3000, L'8');
  const std::vector<DirectCall> calls = {
      {"SumInteger", [&] { return (void*)SumInteger(&range, Counted(b, big), 0, 0); }, true},
      {"MultiplyInteger", [&] { return (void*)MultiplyInteger(&range, Counted(b, big), 0, 0); }, true},
      {"SubtractInteger", [&] { return (void*)SubtractInteger(Counted(a, big), Counted(b, L"1"), 0, 2); }, true},
      {"DivideInteger", [&] { return (void*)DivideInteger(Counted(a, big), Counted(b, L"-77777777777777777777"), 0, 0); },
       true},
      {"ModInteger", [&] { return (void*)ModInteger(Counted(a, big), Counted(b, L"77777777777777777777"), 0, 0); },
       true},
      {"PowerInteger", [&] { return (void*)PowerInteger(Counted(a, L"-12345"), 2000, 0, 0); }, true},
      {"ConvertBaseInteger", [&] { return (void*)ConvertBaseInteger(Counted(a, big), 10, 3); }, true},
      {"FactorialInteger", [&] { return (void*)FactorialInteger(3000, 0); }, true},
      {"SumInteger2", [&] { return (void*)SumInteger2(&range, Counted(b, big), 0, 0); }, false},
      {"SumFloat", [&] { return (void*)SumFloat(&range, Counted(b, L"1.5"), 0, none.data()); }, true},
      {"MultiplyFloat", [&] { return (void*)MultiplyFloat(&range, Counted(b, L"1.5"), 0, none.data()); }, true},
      {"SubtractFloat", [&] { return (void*)SubtractFloat(Counted(a, L"1"), Counted(b, L"3e-9"), 0, none.data()); },
       true},
      {"DivideFloat", [&] { return (void*)DivideFloat(Counted(a, L"1"), Counted(b, L"3"), 0, none.data()); }, true},
      {"PowerFloat", [&] { return (void*)PowerFloat(Counted(a, L"1.5"), 40, 0, none.data()); }, true},
      {"RootFloat", [&] { return (void*)RootFloat(Counted(a, L"2"), 0, none.data()); }, true},
  };
  for (const DirectCall& c : calls) {
    SCOPED_TRACE(c.function);
    {
      void* warm = c.call();
      if (c.record) host.api().TakeResult(static_cast<XLOPER12*>(warm));
    }
    bool completed = false;
    for (int nth = 1; nth < 200 && !completed; ++nth) {
      const size_t before = UsedHeapBlocks();
      void* r = nullptr;
      bool failed = false;
      {
        FailingGmpAllocation failing(nth);
        r = c.call();
        failed = FailingGmpAllocation::failed();
      }
      auto* record = static_cast<XLOPER12*>(r);
      if (failed) {
        SCOPED_TRACE("allocation " + std::to_string(nth));
        if (c.record) {
          ASSERT_NE(record, nullptr);
          EXPECT_EQ(record->xltype, xltypeNum | xlbitDLLFree);
          EXPECT_EQ(record->val.num, 0.0);
        } else {
          EXPECT_EQ(r, nullptr);
        }
      } else {
        completed = true;
        if (c.record) {
          ASSERT_NE(record, nullptr);
          EXPECT_TRUE((record->xltype & ~xlbitDLLFree) == xltypeStr) << record->xltype;
        } else {
          EXPECT_NE(r, nullptr);
        }
      }
      if (c.record) host.api().TakeResult(record);
      EXPECT_EQ(UsedHeapBlocks(), before) << "allocation " << nth;
    }
    EXPECT_TRUE(completed);
  }
}

}  // namespace
}  // namespace korvel::test
