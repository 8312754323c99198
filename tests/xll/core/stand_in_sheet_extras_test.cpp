// The stand-in's sheets beside their cells answer as the host's: typing in the local language, formula texts
// with 15 digits and a decimal comma, the constant and formula cells, protection, arrows, formats, and the
// C API's selection of formulas and formula texts.
#include "add_in.h"
#include "object_model/cell_values.h"
#include "object_model/local_typing.h"
#include "object_model/sheet_extras.h"

namespace korvel::test {
namespace {

class StandInSheetExtrasTest : public AddInTest {
 protected:
  Worksheet* sheet() { return app()->active_sheet(); }
  SheetCells& cells() { return sheet()->cells(); }
  // The range of `address` on the active sheet, as Range(address) gives it.
  int Get(const wchar_t* path, OwnedVariant* result, std::vector<OwnedVariant>* args = nullptr) {
    return addin.AutoWrapX(path, nullptr, 0, result, true, args, 0);
  }
};

TEST_F(StandInSheetExtrasTest, TypingInTheLocalLanguage) {
  const struct {
    const wchar_t* typed;
    CellValue value;
    const wchar_t* format;
    bool formula;
  } cases[] = {
      {L"12", CellValue(12.0), L"General", false},
      {L"1,5", CellValue(1.5), L"General", false},
      {L"-2,5E3", CellValue(-2500.0), L"General", false},
      {L"1.5", CellValue(0.0), L"dd.mm.yyyy", false},  // a date of this year: its serial is checked below
      {L"31.12.2024", CellValue(45657.0), L"dd.mm.yyyy", false},
      {L"31.02.2024", CellValue(L"31.02.2024"), L"General", false},
      {L"ИСТИНА", CellValue::Bool(true), L"General", false},
      {L"ложь", CellValue::Bool(false), L"General", false},
      {L"TRUE", CellValue(L"TRUE"), L"General", false},
      {L"'=A1", CellValue(L"=A1"), L"General", false},
      {L"'12", CellValue(L"12"), L"General", false},
      {L"abc", CellValue(L"abc"), L"General", false},
      {L"1.5.x", CellValue(L"1.5.x"), L"General", false},
      {L"=B1", CellValue(), L"General", true},
  };
  LONG row = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
    TypeLocal(sheet(), row, 1, c.typed);
    const std::wstring at = L"A" + std::to_wstring(row);
    EXPECT_EQ(NumberFormatAt(sheet(), row, 1), c.format);
    if (c.formula) {
      EXPECT_EQ(cells().FormulaAt(at), c.typed);
    } else if (std::wstring(c.typed) == L"1.5") {
      SYSTEMTIME now;
      GetLocalTime(&now);
      SYSTEMTIME may{};
      may.wYear = now.wYear, may.wMonth = 5, may.wDay = 1;
      double serial = 0;
      SystemTimeToVariantTime(&may, &serial);
      EXPECT_TRUE(cells().ValueAt(at) == CellValue(serial));
    } else {
      EXPECT_TRUE(cells().ValueAt(at) == c.value);
    }
    ++row;
  }
}

TEST_F(StandInSheetExtrasTest, FormulaLocalReadsAndWritesAsTheLocalUserSees) {
  cells().Set(L"A1", CellValue(1234.5678901234567));
  cells().Set(L"B1", CellValue::Bool(false));
  cells().Set(L"A2", CellValue(L"text"));
  cells().SetFormula(L"B2", L"=A1*2", CellValue(2469.0));
  OwnedVariant one;
  ASSERT_EQ(Get(L"ActiveSheet.Range(A1).FormulaLocal", &one), 0);
  EXPECT_EQ(TextOf(one), L"1234,56789012346");
  OwnedVariant area;
  ASSERT_EQ(Get(L"ActiveSheet.Range(A1:B2).FormulaLocal", &area), 0);
  ASSERT_EQ(area.vt, VT_ARRAY | VT_VARIANT);
  LONG index[2] = {1, 2};
  OwnedVariant e;
  ASSERT_EQ(SafeArrayGetElement(area.parray, index, &e), S_OK);
  EXPECT_EQ(TextOf(e), L"ЛОЖЬ");
  index[0] = 2;
  e.Clear();
  ASSERT_EQ(SafeArrayGetElement(area.parray, index, &e), S_OK);
  EXPECT_EQ(TextOf(e), L"=A1*2");
  // Written back unchanged, the texts are typed again: the number keeps 15 digits only.
  std::vector<OwnedVariant> back{area};
  ASSERT_EQ(addin.AutoWrapX(L"ActiveSheet.Range(A1:B2).FormulaLocal", nullptr, DISPATCH_PROPERTYPUT, nullptr, true,
                            &back, 0),
            0);
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(1234.56789012346));
  EXPECT_TRUE(cells().ValueAt(L"B1") == CellValue::Bool(false));
  EXPECT_EQ(cells().FormulaAt(L"B2"), L"=A1*2");
}

TEST_F(StandInSheetExtrasTest, SpecialCellsGivesRunsRowByRowPerArea) {
  cells().Set(L"A1", CellValue(1.0));
  cells().Set(L"B1", CellValue(L"x"));
  cells().SetFormula(L"C1", L"=1", CellValue(1.0));
  cells().Set(L"D1", CellValue::Bool(true));
  cells().Set(L"A2", CellValue::Error(42));
  cells().SetFormula(L"B3", L"=2", CellValue(2.0));
  const struct {
    const wchar_t* range;
    LONG type;
    LONG kinds;
    const wchar_t* address;  // null: none found
  } cases[] = {
      {L"A1:D3", 2, 0, L"$A$1:$B$1,$D$1,$A$2"},
      {L"A1:D3", -4123, 0, L"$C$1,$B$3"},
      {L"A1:D3", 2, 1, L"$A$1"},
      {L"A1:D3", 2, 16 + 4, L"$D$1,$A$2"},
      {L"B1:D1,A2:A3", 2, 0, L"$B$1,$D$1,$A$2"},
      {L"F9", -4123, 0, L"$C$1,$B$3"},  // one cell: the used range
      {L"E1:F5", 2, 0, nullptr},
      {L"A2:A3", -4123, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.range, c.range + std::wcslen(c.range)));
    std::vector<OwnedVariant> args{OwnedVariant::Text(c.range)};
    OwnedVariant range;
    ASSERT_EQ(addin.AutoWrapX(L"ActiveSheet.Range", nullptr, 0, &range, true, &args, 0), 0);
    OwnedVariant found;
    VARIANT type = VI4(c.type), kinds = VI4(c.kinds);
    const HRESULT hr = c.kinds ? addin.AutoWrap(DISPATCH_METHOD, &found, range.pdispVal, L"SpecialCells", 2, kinds, type)
                               : addin.AutoWrap(DISPATCH_METHOD, &found, range.pdispVal, L"SpecialCells", 1, type);
    if (!c.address) {
      EXPECT_EQ(hr, DISP_E_EXCEPTION);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    OwnedVariant address;
    ASSERT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &address, found.pdispVal, L"Address", 0), S_OK);
    EXPECT_EQ(TextOf(address), c.address);
  }
  EXPECT_EQ(host.model().made_for_call_alive(), 0);
}

TEST_F(StandInSheetExtrasTest, AProtectedSheetRefusesWritesAndArrows) {
  cells().Set(L"A1", CellValue(1.0));
  SetContentsProtected(sheet(), true);
  VARIANT two = VText(L"2");
  for (const wchar_t* path : {L"ActiveSheet.Range(A1).Value", L"ActiveSheet.Range(A1).Formula",
                              L"ActiveSheet.Range(A1).FormulaLocal", L"ActiveSheet.Range(A1).NumberFormat"})
    EXPECT_EQ(addin.AutoWrapX(path, nullptr, DISPATCH_PROPERTYPUT, nullptr, true, nullptr, 1, two), DISP_E_EXCEPTION)
        << std::string(path, path + std::wcslen(path));
  VariantClear(&two);
  for (const wchar_t* path : {L"ActiveSheet.Range(A1).ShowPrecedents", L"ActiveSheet.Range(A1).ShowDependents",
                              L"ActiveSheet.Range(A1).ClearContents", L"ActiveSheet.ClearArrows"})
    EXPECT_EQ(Get(path, nullptr), DISP_E_EXCEPTION) << std::string(path, path + std::wcslen(path));
  OwnedVariant protect;
  ASSERT_EQ(Get(L"ActiveSheet.ProtectContents", &protect), 0);
  EXPECT_EQ(TextOf(protect), L"True");
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(1.0));
  SetContentsProtected(sheet(), false);
  ASSERT_EQ(Get(L"ActiveSheet.Range(A1:B1).ShowDependents", nullptr), 0);
  ASSERT_EQ(Get(L"ActiveSheet.Range(C2).ShowPrecedents", nullptr), 0);
  EXPECT_EQ(ArrowsOf(sheet()), (std::vector<TracerArrow>{
                                   {L"$A$1", L"dependents"}, {L"$B$1", L"dependents"}, {L"$C$2", L"precedents"}}));
  ASSERT_EQ(Get(L"ActiveSheet.ClearArrows", nullptr), 0);
  EXPECT_TRUE(ArrowsOf(sheet()).empty());
}

TEST_F(StandInSheetExtrasTest, SelectSpecialOfFormulasAndTheFormulaOfACell) {
  cells().Set(L"A1", CellValue(1.0));
  cells().SetFormula(L"B2", L"=A1", CellValue(1.0));
  cells().SetFormula(L"D2", L"=B2", CellValue(1.0));
  cells().Select(L"A1");
  XLOPER12 three{};
  three.xltype = xltypeNum;
  three.val.num = 3;
  ASSERT_EQ(addin.Excel12(xlcSelectSpecial, nullptr, 1, &three), xlretSuccess);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$B$2,$D$2");
  // Of several selected cells, only those; none there is a failure.
  cells().Select(L"A1:A3");
  EXPECT_EQ(addin.Excel12(xlcSelectSpecial, nullptr, 1, &three), xlretFailed);
  EXPECT_EQ(AddressOf(cells().selection().areas), L"$A$1:$A$3");
  XLOPER12 cell{};
  cell.xltype = xltypeSRef;
  cell.val.sref.count = 1;
  cell.val.sref.ref = XlArea{1, 1, 1, 1};
  for (const auto& [row, text] : {std::pair{1, L"=A1"}, std::pair{0, L""}}) {
    cell.val.sref.ref = XlArea{row, row, row, row};
    XLOPER12 formula{};
    ASSERT_EQ(addin.Excel12(xlfGetFormula, &formula, 1, &cell), xlretSuccess);
    ASSERT_EQ(formula.xltype & 0xFFF, xltypeStr);
    EXPECT_EQ(std::wstring(formula.val.str + 1, formula.val.str[0]), row ? text : L"1");
    EXPECT_EQ(host.api().outstanding(), 1u);
    addin.Excel12(xlFree, nullptr, 1, &formula);
  }
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

}  // namespace
}  // namespace korvel::test
