// Cells calling the functions with references: a "Q" or string argument receives the referenced cells'
// values, a "U" argument the reference itself (one area of the calling sheet as xltypeSRef, else xltypeRef
// with the sheet's id).
#include <gtest/gtest.h>

#include <string>

#include "cell_calls.h"
#include "object_model/workbooks.h"

// An export of this program (which plays the add-in's module) that describes the reference it received,
// so that the test sees what the host passed to a "U" argument.
extern "C" __declspec(dllexport) korvel::xll::XLOPER12* __stdcall StandInDescribeReference(
    korvel::xll::XLOPER12* reference) {
  using namespace korvel::xll;
  std::wstring out;
  auto area = [&](const XlArea& a) {
    out += L" " + std::to_wstring(a.rwFirst) + L":" + std::to_wstring(a.rwLast) + L"," + std::to_wstring(a.colFirst) +
           L":" + std::to_wstring(a.colLast);
  };
  switch (reference->xltype) {
    case xltypeSRef:
      out = L"SRef";
      area(reference->val.sref.ref);
      break;
    case xltypeRef:
      out = L"Ref " + std::to_wstring(reference->val.mref.idSheet);
      for (WORD i = 0; i < reference->val.mref.lpmref->count; ++i) area(reference->val.mref.lpmref->reftbl[i]);
      break;
    default:
      out = L"type " + std::to_wstring(reference->xltype);
  }
  return NewXLStr(out.c_str());
}

namespace korvel::test {
namespace {

class CellReferencesTest : public CellFunctionTest {
 protected:
  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  ArgValue Ref(const std::wstring& address, size_t n = 0) { return ArgValue::Reference(sheet(n), address); }
};

TEST_F(CellReferencesTest, ValuesOfReferencedCells) {
  SheetCells& cells = sheet()->cells();
  cells.SetEach(L"A1:B2", {standin::CellValue(1.0), standin::CellValue(L"2"), standin::CellValue::Bool(true),
                           standin::CellValue()});
  cells.Set(L"D1", standin::CellValue(L"1.5"));
  cells.Set(L"D2", standin::CellValue(L"ff"));
  RunCases({
      {"1, '2', TRUE and an empty cell, plus 3", "SumInteger", {Ref(L"A1:B2"), T(L"3")}, TextResult(L"6")},
      {"a range of empty cells", "MultiplyInteger", {Ref(L"C1:C3"), T(L"")}, NumberZero()},
      {"the same summed", "SumInteger", {Ref(L"C1:C3"), T(L"")}, TextResult(L"0")},
      {"one empty cell", "SumInteger", {Ref(L"C1"), T(L"1")}, NumberZero()},
      {"one text cell", "SumFloat", {Ref(L"D1"), T(L"1.5")}, TextResult(L"3.0E+0")},
      {"a string argument from a cell", "ConvertBaseInteger", {Ref(L"D2"), N(16), N(10)}, TextResult(L"255")},
      {"a text filter on a cell", "TrimXLL", {Ref(L"D1")}, InPlace(L"1.5")},
  });
}

TEST_F(CellReferencesTest, UArgumentsReceiveTheReference) {
  const std::wstring other_id = std::to_wstring(sheet(1)->cells().id());
  const std::wstring own_id = std::to_wstring(sheet(0)->cells().id());
  auto describe = [&](const ArgValue& v) { return standin::CallExport(addin.module, "StandInDescribeReference", L"UU", {v}); };
  EXPECT_EQ(describe(Ref(L"B2:C4")), TextResult(L"SRef 1:3,1:2"));
  EXPECT_EQ(describe(Ref(L"B2", 1)), TextResult(L"Ref " + other_id + L" 1:1,1:1"));
  EXPECT_EQ(describe(Ref(L"A1,C3:D4")), TextResult(L"Ref " + own_id + L" 0:0,0:0 2:3,2:3"));
}

// The lookup over references is registered thread-safe too: keys on the calling sheet, partners on the
// calling sheet (xltypeSRef) and on another one (xltypeRef), looked up from 8 threads at once, give what one
// thread gives, and that is the partner at the key's own position, worked out here.
TEST_F(CellReferencesTest, LookupOverReferencesOnEightThreadsGivesTheResultsOfOne) {
  SheetCells& own = sheet(0)->cells();
  SheetCells& other = sheet(1)->cells();
  for (int i = 1; i <= 300; ++i) {
    const std::wstring row = std::to_wstring(i);
    own.Set(L"A" + row, i % 2 ? standin::CellValue(double(i)) : standin::CellValue(L"k" + row));
    own.Set(L"B" + row, standin::CellValue(-double(i)));
    other.Set(L"C" + row, standin::CellValue(L"p" + row));
  }
  std::vector<std::vector<ArgValue>> cases;
  std::vector<CallOutcome> expected;
  for (int i = 1; i <= 300; i += 37) {
    const ArgValue find = i % 2 ? N(i) : T(L"k" + std::to_wstring(i));
    cases.push_back({Ref(L"A1:A300"), find, Ref(L"B1:B300")});
    CallOutcome number;
    number.value.type = xltypeNum | xlbitDLLFree;
    number.value.num = -i;
    expected.push_back(number);
    cases.push_back({Ref(L"A1:A300"), find, Ref(L"C1:C300", 1)});
    expected.push_back(TextResult(L"p" + std::to_wstring(i)));
  }
  cases.push_back({Ref(L"A1:A300"), T(L"absent"), Ref(L"B1:B300")});
  expected.push_back(ErrorResult(42));
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(Call("VlookupXLL", cases[i]), expected[i]) << "case " << i;
  std::vector<std::vector<ArgValue>> rounds;
  for (int r = 0; r < 4; ++r) rounds.insert(rounds.end(), cases.begin(), cases.end());
  const auto outcomes = standin::CallOnThreads(addin.module, "VlookupXLL", rounds, 8);
  ASSERT_EQ(outcomes.size(), 8u);
  for (const auto& thread : outcomes) {
    ASSERT_EQ(thread.size(), rounds.size());
    for (size_t i = 0; i < thread.size(); ++i) EXPECT_EQ(thread[i], expected[i % expected.size()]) << "case " << i;
  }
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

}  // namespace
}  // namespace korvel::test
