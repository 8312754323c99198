// The timing of the add-in's roads to the host's object model, and the menu command that runs it before it
// colours F5 of the first sheet.
#include <ctime>
#include <string>
#include <vector>

#include "commands/benchmark_settings.h"
#include "commands/object_calls.h"
#include "host/auto_wrap.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace korvel::xll {
BenchmarkSizes g_benchmark_sizes;
}

namespace {

using PathRoutine = int (*)(const wchar_t*, VARIANT*, int, VARIANT*, bool, std::vector<OwnedVariant>*, int, ...);

// Method or property get, as the plain road calls every member.
constexpr int kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

template <class... Args>
bool Plain(IDispatch* object, const wchar_t* name, OwnedVariant& result, const Args&... args) {
  result.Clear();
  return AutoWrap(kMethodOrGet, &result, object, name, static_cast<int>(sizeof...(args)),
                  static_cast<VARIANT>(args)...) == 0;
}

// Loop 1: five members, one call each.
bool PlainMembers() {
  const OwnedVariant one = OwnedVariant::I4(1);
  OwnedVariant sheets, sheet, cells, cell, count;
  return Plain(pExcelDisp, L"Sheets", sheets) && Plain(ObjectOf(sheets), L"Item", sheet, one) &&
         Plain(ObjectOf(sheet), L"Cells", cells) && Plain(ObjectOf(cells), L"Item", cell, one, one) &&
         Plain(ObjectOf(cell), L"CountLarge", count);
}

// Three calls, the index arguments as variable arguments.
template <PathRoutine Walk>
bool ThreeCallsCounted() {
  const OwnedVariant one = OwnedVariant::I4(1);
  OwnedVariant sheet, cell, count;
  return Walk(L"Sheets.Item", nullptr, DISPATCH_PROPERTYGET, &sheet, false, nullptr, 1, VARIANT(one)) == 0 &&
         Walk(L"Cells.Item", &sheet, DISPATCH_PROPERTYGET, &cell, false, nullptr, 2, VARIANT(one), VARIANT(one)) == 0 &&
         Walk(L"CountLarge", &cell, DISPATCH_PROPERTYGET, &count, false, nullptr, 0) == 0;
}

// The same three calls with the arguments in argument vectors.
template <PathRoutine Walk>
bool ThreeCallsVector() {
  std::vector<OwnedVariant> item{OwnedVariant::I4(1)};
  std::vector<OwnedVariant> cell_item{OwnedVariant::I4(1), OwnedVariant::I4(1)};
  OwnedVariant sheet, cell, count;
  return Walk(L"Sheets.Item", nullptr, DISPATCH_PROPERTYGET, &sheet, false, &item, 0) == 0 &&
         Walk(L"Cells.Item", &sheet, DISPATCH_PROPERTYGET, &cell, false, &cell_item, 0) == 0 &&
         Walk(L"CountLarge", &cell, DISPATCH_PROPERTYGET, &count, false, nullptr, 0) == 0;
}

// One call with the whole path.
template <PathRoutine Walk>
bool WholePath() {
  OwnedVariant count;
  return Walk(L"Sheets.Item(1).Cells.Item(1,1).CountLarge", nullptr, DISPATCH_PROPERTYGET, &count, false, nullptr,
              0) == 0;
}

using Iteration = bool (*)();
const Iteration kLoops[10] = {
    PlainMembers,
    ThreeCallsCounted<AutoWrapX>,  ThreeCallsVector<AutoWrapX>,  WholePath<AutoWrapX>,
    ThreeCallsCounted<AutoWrapX2>, ThreeCallsVector<AutoWrapX2>, WholePath<AutoWrapX2>,
    ThreeCallsCounted<AutoWrapX3>, ThreeCallsVector<AutoWrapX3>, WholePath<AutoWrapX3>,
};

std::wstring TimesText(const long long (&ms)[10]) {
  // Loop 1 is the unit; a host fast enough to take 0 ms for it still gives finite ratios.
  const double unit = static_cast<double>(ms[0] > 0 ? ms[0] : 1);
  auto ratio = [&](int k) { return std::to_wstring(static_cast<double>(ms[k]) / unit); };
  std::wstring text = std::to_wstring(ms[0]) + L" > " + std::to_wstring(1.0);
  for (int first = 1; first < 10; first += 3)
    text += L"\n" + ratio(first) + L" > " + ratio(first + 1) + L" > " + ratio(first + 2);
  return text;
}

}  // namespace

int korvel::xll::BenchmarkAutomationCalls() {
  long long ms[10];
  std::clock_t before = std::clock();
  for (int k = 0; k < 10; ++k) {
    for (long i = 0; i < g_benchmark_sizes.automation_loops; ++i)
      if (!kLoops[k]()) return -1;
    const std::clock_t after = std::clock();
    ms[k] = ElapsedMilliseconds(before, after);
    before = after;
  }
  const std::wstring text = TimesText(ms);
  MessageBoxW(GetHostHwnd(), text.c_str(), nullptr, MB_OK);
  return 0;
}

extern "C" int __stdcall XLLbuttonDuplicateValues(wchar_t*) {
  try {
    try {
      BenchmarkAutomationCalls();
    } catch (...) {
      // The colour comes whatever became of the timing run.
    }
    OwnedVariant ignored;
    return AutoWrapX3(L"Sheets(1).Cells(5,6).Interior.Color(65535)", nullptr, DISPATCH_PROPERTYPUT, &ignored, false,
                      nullptr, 0) == 0
               ? 0
               : -1;
  } catch (...) {
    return -1;
  }
}
