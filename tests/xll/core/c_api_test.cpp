// The add-in's layer over the host's call entry: string records, cell counts, releasing records, Excel12X.
#include <malloc.h>

#include "add_in.h"
#include "heap_blocks.h"

namespace korvel::test {
namespace {

class CApiTest : public AddInTest {};

std::wstring Repeat(size_t n) {
  std::wstring s(n, L'a');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<wchar_t>(L'A' + i % 26);
  return s;
}

std::wstring Chars(const XLOPER12* r) { return std::wstring(r->val.str + 1, static_cast<unsigned short>(r->val.str[0])); }

TEST_F(CApiTest, StringRecordsKeepAtMost32767CharactersInA32769UnitBuffer) {
  for (size_t length : {size_t{0}, size_t{1}, size_t{32766}, size_t{32767}, size_t{32768}, size_t{100000}}) {
    SCOPED_TRACE(length);
    const std::wstring text = Repeat(length);
    const size_t kept = length < 32767 ? length : 32767;
    for (int variant = 0; variant < 2; ++variant) {
      std::wstring source = text;
      XLOPER12* r = variant == 0 ? addin.NewXLStr(source.c_str()) : addin.NewXLStrFromWString(source);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->xltype, xltypeStr | xlbitDLLFree);
      EXPECT_EQ(static_cast<unsigned short>(r->val.str[0]), kept);
      EXPECT_EQ(Chars(r), text.substr(0, kept));
      EXPECT_EQ(r->val.str[kept + 1], L'\0');
      // Both modules share the runtime's heap: the buffer's size is visible from here.
      EXPECT_EQ(_msize(r->val.str), 32769 * sizeof(wchar_t));
      if (variant == 1) {
        EXPECT_TRUE(source.empty());
        EXPECT_EQ(source.capacity(), std::wstring().capacity());
      }
      host.api().TakeResult(r);
    }
    EXPECT_EQ(_heapchk(), _HEAPOK);
  }
  EXPECT_EQ(host.api().handed_back(), 12u);
}

TEST_F(CApiTest, NullTextGivesAnEmptyString) {
  XLOPER12* r = addin.NewXLStr(nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->val.str[0], 0);
  addin.xlAutoFree12(r);
}

TEST_F(CApiTest, CellCountOfReferencesAndOtherKinds) {
  XLOPER12 single{};
  single.xltype = xltypeSRef;
  single.val.sref.ref = {4, 4, 2, 2};
  EXPECT_EQ(addin.CellCount(&single), 1);
  single.val.sref.ref = {0, 1048575, 0, 16383};
  EXPECT_EQ(addin.CellCount(&single), 1048576LL * 16384LL);  // beyond 32 bits
  single.xltype = xltypeSRef | xlbitXLFree;
  single.val.sref.ref = {0, 2, 0, 1};
  EXPECT_EQ(addin.CellCount(&single), 6);

  XLOPER12* multi = addin.NewXLAreaRef(2, 7);
  ASSERT_NE(multi, nullptr);
  multi->val.mref.lpmref->reftbl[0] = {0, 2, 0, 1};  // 6 cells
  multi->val.mref.lpmref->reftbl[1] = {9, 10, 3, 4};  // 4 cells
  EXPECT_EQ(addin.CellCount(multi), 10);
  addin.xlAutoFree12(multi);
  XLOPER12* empty = addin.NewXLAreaRef(0, 7);
  EXPECT_EQ(addin.CellCount(empty), 0);
  addin.xlAutoFree12(empty);

  XLOPER12 number{};
  number.xltype = xltypeNum;
  number.val.num = 5;
  EXPECT_EQ(addin.CellCount(&number), 0);
  EXPECT_EQ(addin.CellCount(nullptr), 0);
}

TEST_F(CApiTest, FreeingAnAddInStringTwiceFreesNothingTheSecondTime) {
  XLOPER12* r = addin.NewXLStr(L"text");
  addin.FreeXLOper(r);
  EXPECT_EQ(r->xltype, xltypeMissing);
  EXPECT_EQ(r->val.str, nullptr);
  addin.FreeXLOper(r);
  EXPECT_EQ(r->xltype, xltypeMissing);
  EXPECT_EQ(_heapchk(), _HEAPOK);
  addin.xlAutoFree12(r);
  EXPECT_TRUE(host.api().calls().empty()) << "an add-in record never goes to the host";
}

TEST_F(CApiTest, HostFilledRecordGoesBackThroughXlFreeOnce) {
  XLOPER12 name{{}, xltypeMissing};
  ASSERT_EQ(addin.Excel12X(xlGetName, &name, false, nullptr, 0), xlretSuccess);
  EXPECT_EQ(name.xltype, xltypeStr | xlbitXLFree);
  EXPECT_EQ(Chars(&name), ProgramPath());
  EXPECT_EQ(host.api().outstanding(), 1u);

  addin.FreeXLOper(&name);
  auto frees = host.api().CallsOf(xlFree);
  ASSERT_EQ(frees.size(), 1u);
  ASSERT_EQ(frees[0].args.size(), 1u);
  EXPECT_EQ(frees[0].args[0].pointer, &name);
  EXPECT_FALSE(frees[0].with_result);
  // The second release of the same record hands nothing back again.
  addin.FreeXLOper(&name);
  EXPECT_EQ(host.api().CallsOf(xlFree).size(), 1u);
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

TEST_F(CApiTest, Excel12XReleasesTheResultOfAnEarlierCallFirst) {
  XLOPER12 name{{}, xltypeMissing};
  ASSERT_EQ(addin.Excel12X(xlGetName, &name, false, nullptr, 0), xlretSuccess);
  ASSERT_EQ(addin.Excel12X(xlGetName, &name, false, nullptr, 0), xlretSuccess);
  EXPECT_EQ(host.api().outstanding(), 1u);
  addin.FreeXLOper(&name);
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

TEST_F(CApiTest, ArrayReleasesEveryElementString) {
  const size_t before = UsedHeapBlocks();
  XLOPER12* array = addin.NewXLArray(2, 3);
  ASSERT_NE(array, nullptr);
  for (int i = 0; i < 6; i += 2) {
    XLOPER12* s = addin.NewXLStr(L"element");
    array->val.array.lparray[i] = *s;  // the element takes over the buffer
    s->xltype = xltypeNil;
    addin.xlAutoFree12(s);
  }
  array->val.array.lparray[1].xltype = xltypeNum;
  host.api().TakeResult(array);
  EXPECT_EQ(UsedHeapBlocks(), before);
  EXPECT_EQ(_heapchk(), _HEAPOK);
}

struct Failure {
  bool quiet;
  int code;
};

TEST_F(CApiTest, FailedCallReportsUnlessQuietAndNeverFlagsItsResult) {
  const HWND main = host.windows().main();
  for (Failure f : {Failure{false, xlretFailed}, Failure{true, xlretFailed}, Failure{false, xlretInvXloper},
                    Failure{true, xlretUncalced}}) {
    SCOPED_TRACE(f.code);
    host.ui().Reset();
    host.api().InjectReturn(xlcCalculateNow, f.code);
    XLOPER12 result{{}, xltypeMissing};
    EXPECT_EQ(addin.Excel12X(xlcCalculateNow, &result, f.quiet, nullptr, 0), f.code);
    EXPECT_EQ(result.xltype, xltypeMissing) << "a failed call does not mark its result as the host's";
    if (f.quiet) {
      EXPECT_TRUE(boxes().empty());
    } else {
      ASSERT_EQ(boxes().size(), 1u);
      EXPECT_EQ(boxes()[0].text, L"Excel12X>ERROR:" + std::to_wstring(f.code) + L">Function:32799");
      EXPECT_EQ(boxes()[0].caption, L"KorvelXLL");
      EXPECT_EQ(boxes()[0].type, 0x40010u);
      EXPECT_EQ(boxes()[0].owner, main);
    }
    addin.FreeXLOper(&result);
  }
  EXPECT_TRUE(host.api().CallsOf(xlFree).empty());
}

TEST_F(CApiTest, UnknownFunctionIsReportedWithItsNumber) {
  EXPECT_EQ(addin.Excel12X(12345, nullptr, false, nullptr, 0), xlretInvXlfn);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"Excel12X>ERROR:2>Function:12345");
  EXPECT_EQ(host.api().unknown_functions(), std::vector<int>{12345});
  host.api().ForgetUnknownFunctions();  // the refusal was this test's purpose
}

TEST_F(CApiTest, ArgumentsFlaggedForTheAddInAreReleasedAfterTheCall) {
  XLOPER12 kept{};
  kept.xltype = xltypeNum;
  kept.val.num = 2.5;
  host.api().SetHandler(xlfRegister, [](int, XLOPER12**, XLOPER12*) { return xlretSuccess; });
  // Variadic records.
  EXPECT_EQ(addin.Excel12X(xlfRegister, nullptr, true, nullptr, 3, addin.NewXLStr(L"one"), &kept,
                           addin.NewXLStr(L"three")),
            xlretSuccess);
  // A vector, after a failure too.
  host.api().InjectReturn(xlfRegister, xlretFailed);
  std::vector<XLOPER12*> args{addin.NewXLStr(L"four"), &kept};
  EXPECT_EQ(addin.Excel12X(xlfRegister, nullptr, true, &args, 99, addin.NewXLStr(L"ignored")), xlretFailed);
  auto calls = host.api().CallsOf(xlfRegister);
  ASSERT_EQ(calls.size(), 2u);
  ASSERT_EQ(calls[0].args.size(), 3u);
  EXPECT_EQ(calls[0].args[0].text, L"one");
  EXPECT_EQ(calls[0].args[1].num, 2.5);
  EXPECT_EQ(calls[0].args[2].text, L"three");
  ASSERT_EQ(calls[1].args.size(), 2u);
  EXPECT_EQ(calls[1].args[0].text, L"four");
  EXPECT_EQ(kept.xltype, xltypeNum) << "an argument without the flag stays the caller's";
  EXPECT_EQ(_heapchk(), _HEAPOK);
}

TEST_F(CApiTest, NoVectorAndNoCountCallsTheHostWithoutArguments) {
  host.api().SetHandler(xlcCalculateNow, [](int, XLOPER12**, XLOPER12*) { return xlretSuccess; });
  EXPECT_EQ(addin.Excel12X(xlcCalculateNow, nullptr, false, nullptr, 0), xlretSuccess);
  EXPECT_EQ(addin.Excel12X(xlcCalculateNow, nullptr, false, nullptr, -3), xlretSuccess);
  auto calls = host.api().CallsOf(xlcCalculateNow);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].args.empty());
  EXPECT_TRUE(calls[1].args.empty());
  EXPECT_FALSE(calls[0].with_result);
}

TEST_F(CApiTest, MoreThan255ArgumentsNeverReachTheHost) {
  XLOPER12 a{};
  a.xltype = xltypeNil;
  std::vector<XLOPER12*> many(256, &a);
  EXPECT_EQ(addin.Excel12v(xlfRegister, nullptr, 255, many.data()), xlretSuccess);  // reaches the host
  EXPECT_EQ(addin.Excel12X(xlfRegister, nullptr, true, &many, 0), xlretInvCount);
  EXPECT_EQ(host.api().CallsOf(xlfRegister).size(), 1u);
}

TEST_F(CApiTest, HostWindowComesFromXlGetHwnd) {
  EXPECT_EQ(addin.GetHostHwnd(), host.windows().main());
  host.api().InjectReturn(xlGetHwnd, xlretFailed);
  EXPECT_EQ(addin.GetHostHwnd(), nullptr);
  // The box of a failed call then has no owner.
  host.api().InjectReturn(xlcCalculateNow, xlretAbort);
  addin.Excel12X(xlcCalculateNow, nullptr, false, nullptr, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].owner, nullptr);
}

TEST_F(CApiTest, MainModuleEntryWinsOverTheOfferedCallback) {
  static int offered_calls = 0;
  addin.SetExcel12EntryPt([](int, int, XLOPER12**, XLOPER12*) -> int { ++offered_calls; return 0; });
  addin.GetHostHwnd();
  EXPECT_EQ(offered_calls, 0);
  EXPECT_EQ(host.api().CallsOf(xlGetHwnd).size(), 1u);
}

TEST_F(CApiTest, FailureInFastModePutsTheHostBackBeforeItReports) {
  for (bool quiet : {false, true}) {
    SCOPED_TRACE(quiet);
    host.model().ClearInvokes();
    host.ui().Reset();
    *addin.HostNormal = false;
    size_t puts_at_box = 0;
    host.ui().set_on_box([&](const ShownBox&) { puts_at_box = host.model().Puts().size(); });
    host.api().InjectReturn(xlcCalculateNow, xlretFailed);
    EXPECT_EQ(addin.Excel12X(xlcCalculateNow, nullptr, quiet, nullptr, 0), xlretFailed);
    EXPECT_TRUE(*addin.HostNormal);
    const std::vector<std::wstring> restore{L"StatusBar=False", L"ScreenUpdating=True", L"Calculation=-4105",
                                            L"EnableEvents=True", L"DisplayPageBreaks=True"};
    EXPECT_EQ(host.model().Puts(), restore);
    EXPECT_EQ(boxes().size(), quiet ? 0u : 1u);
    if (!quiet) EXPECT_EQ(puts_at_box, 5u);
  }
}

}  // namespace
}  // namespace korvel::test
