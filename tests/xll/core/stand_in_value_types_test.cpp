// The stand-in's cells hand numbers over as the host's do: Value by the cell's number format (a Currency with
// four decimals, a Date), Value2 always as a Double; typing reads group separators, spaces and a "+" by the
// separators in force, the system's ones being the locale a test chose; a write drops a text's character
// formatting.
#include <cmath>

#include "add_in.h"
#include "object_model/cell_value_types.h"
#include "object_model/local_typing.h"
#include "object_model/sheet_extras.h"
#include "system_locale.h"

namespace korvel::test {
namespace {

class StandInValueTypesTest : public AddInTest {
 protected:
  Worksheet* sheet() { return app()->active_sheet(); }
  SheetCells& cells() { return sheet()->cells(); }
  // The locale a test chose is the host's until it resets: none outlives its test.
  void TearDown() override {
    SystemLocale::Get().Reset();
    AddInTest::TearDown();
  }
  int Get(const std::wstring& path, OwnedVariant* result) {
    return addin.AutoWrapX(path.c_str(), nullptr, 0, result, true, nullptr, 0);
  }
  int Put(const std::wstring& path, const VARIANT& value) {
    std::vector<OwnedVariant> args{OwnedVariant(value)};
    return addin.AutoWrapX(path.c_str(), nullptr, DISPATCH_PROPERTYPUT, nullptr, true, &args, 0);
  }
};

// A currency value of `units` ten-thousandths.
CY Currency(long long units) {
  CY cy;
  cy.int64 = units;
  return cy;
}

// The host's own format codes and what its Value makes of a number under each.
TEST_F(StandInValueTypesTest, NumberFormatsSayWhatValueGives) {
  const struct {
    const wchar_t* format;
    FormatKind kind;
  } cases[] = {
      {L"General", FormatKind::kPlain},
      {L"0.00", FormatKind::kPlain},
      {L"#,##0", FormatKind::kPlain},
      {L"0.0%", FormatKind::kPlain},
      {L"0.00E+00", FormatKind::kPlain},
      {L"@", FormatKind::kPlain},
      {L"[Red]0.00;[Blue]-0.00", FormatKind::kPlain},
      {L"0.00\" m\"", FormatKind::kPlain},
      {L"0\\s", FormatKind::kPlain},
      {L"$#,##0.00", FormatKind::kCurrency},
      {L"# ##0,00 \u20BD", FormatKind::kCurrency},
      {L"#,##0.00 [$\u20AC-407]", FormatKind::kCurrency},
      {L"[$USD] #,##0", FormatKind::kCurrency},
      {L"_($* #,##0.00_)", FormatKind::kCurrency},
      {L"dd.mm.yyyy", FormatKind::kDate},
      {L"[$-419]d mmmm yyyy", FormatKind::kDate},
      {L"h:mm AM/PM", FormatKind::kDate},
      {L"[h]:mm:ss", FormatKind::kDate},
      {L"m/d/yy", FormatKind::kDate},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KindOfFormat(c.format), c.kind) << std::string(c.format, c.format + std::wcslen(c.format));
}

TEST_F(StandInValueTypesTest, ValueIsTypedByTheFormatAndValue2IsAlwaysADouble) {
  const struct {
    const wchar_t* cell;
    double number;
    const wchar_t* format;
    VARTYPE value_type;
    CY currency;  // for VT_CY: the number rounded to four decimals
  } cases[] = {
      {L"A1", 1.23456789, L"# ##0,00 \u20BD", VT_CY, Currency(12346)},
      {L"A2", 0.00004, L"$#,##0.00", VT_CY, Currency(0)},
      {L"A3", -2.71828, L"$#,##0.00", VT_CY, Currency(-27183)},
      {L"A4", 45657.75, L"dd.mm.yyyy hh:mm", VT_DATE, {}},
      {L"A5", 0.125, L"0.0%", VT_R8, {}},
      {L"A6", 0.12345678901234567, L"General", VT_R8, {}},
      {L"A7", 1e20, L"$#,##0", VT_R8, {}},  // beyond the Currency's range
      {L"A8", -1.0, L"dd.mm.yyyy", VT_R8, {}},  // before the first day
  };
  for (const auto& c : cases) {
    cells().Set(c.cell, CellValue(c.number));
    Areas a;
    ASSERT_TRUE(ParseAreas(c.cell, a));
    SetNumberFormat(sheet(), a[0].first_row, a[0].first_column, c.format);
  }
  cells().Set(L"B1", CellValue(L"12"));
  cells().SetFormula(L"B2", L"=A1", CellValue(1.23456789));
  SetNumberFormat(sheet(), 2, 2, L"$#,##0.00");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cell, c.cell + 2));
    OwnedVariant value, value2;
    ASSERT_EQ(Get(std::wstring(L"ActiveSheet.Range(") + c.cell + L").Value", &value), 0);
    ASSERT_EQ(Get(std::wstring(L"ActiveSheet.Range(") + c.cell + L").Value2", &value2), 0);
    EXPECT_EQ(value.vt, c.value_type);
    if (c.value_type == VT_CY) EXPECT_EQ(value.cyVal.int64, c.currency.int64);
    if (c.value_type == VT_DATE) EXPECT_EQ(value.date, c.number);
    if (c.value_type == VT_R8) EXPECT_EQ(value.dblVal, c.number);
    EXPECT_EQ(value2.vt, VT_R8);
    EXPECT_EQ(value2.dblVal, c.number);
  }
  // Over an area: a 2-D array, row first, with each cell typed as above.
  OwnedVariant area, area2;
  ASSERT_EQ(Get(L"ActiveSheet.Range(A1:B2).Value", &area), 0);
  ASSERT_EQ(Get(L"ActiveSheet.Range(A1:B2).Value2", &area2), 0);
  ASSERT_EQ(area.vt, VT_ARRAY | VT_VARIANT);
  ASSERT_EQ(area2.vt, VT_ARRAY | VT_VARIANT);
  const struct {
    LONG row, column;
    VARTYPE value_type;
  } elements[] = {{1, 1, VT_CY}, {2, 1, VT_CY}, {1, 2, VT_BSTR}, {2, 2, VT_CY}};
  for (const auto& e : elements) {
    LONG index[2] = {e.row, e.column};
    OwnedVariant typed, plain;
    ASSERT_EQ(SafeArrayGetElement(area.parray, index, &typed), S_OK);
    ASSERT_EQ(SafeArrayGetElement(area2.parray, index, &plain), S_OK);
    EXPECT_EQ(typed.vt, e.value_type) << e.row << "," << e.column;
    EXPECT_EQ(plain.vt, e.value_type == VT_CY ? VT_R8 : e.value_type) << e.row << "," << e.column;
  }
  // Value2 puts as Value does, and the format stays the cell's.
  VARIANT number{};
  number.vt = VT_R8;
  number.dblVal = 2.5;
  ASSERT_EQ(Put(L"ActiveSheet.Range(A1).Value2", number), 0);
  EXPECT_TRUE(cells().ValueAt(L"A1") == CellValue(2.5));
  EXPECT_EQ(NumberFormatAt(sheet(), 1, 1), L"# ##0,00 \u20BD");
  SetContentsProtected(sheet(), true);
  EXPECT_EQ(Put(L"ActiveSheet.Range(A1).Value2", number), DISP_E_EXCEPTION);
  EXPECT_EQ(host.model().made_for_call_alive(), 0);
}

TEST_F(StandInValueTypesTest, AnyWriteDropsTheCharacterFormatting) {
  const std::vector<CharacterRun> runs{{1, 5, L"Bold"}, {7, 2, L"Color=255"}};
  VARIANT same = VText(L"Итого 12");
  VARIANT number{};
  number.vt = VT_R8;
  number.dblVal = 12;
  const struct {
    const wchar_t* path;
    const VARIANT* value;
  } writes[] = {{L"ActiveSheet.Range(A1).Value", &same},
                {L"ActiveSheet.Range(A1).Value2", &number},
                {L"ActiveSheet.Range(A1).Formula", &same},
                {L"ActiveSheet.Range(A1).FormulaLocal", &same},
                {L"ActiveSheet.Range(A1:A2).Value2", &number}};
  for (const auto& w : writes) {
    SCOPED_TRACE(std::string(w.path, w.path + std::wcslen(w.path)));
    cells().SetRichText(L"A1", L"Итого 12", runs);
    cells().SetRichText(L"B1", L"Итого 12", runs);
    EXPECT_EQ(cells().CharactersAt(L"A1"), runs);
    ASSERT_EQ(Put(w.path, *w.value), 0);
    EXPECT_TRUE(cells().CharactersAt(L"A1").empty());
    EXPECT_EQ(cells().CharactersAt(L"B1"), runs);  // a cell not written keeps them
  }
  VariantClear(&same);
}

TEST_F(StandInValueTypesTest, GetLocaleInfoGivesTheLocaleATestChose) {
  wchar_t real[16] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, real, 16), 0);
  SystemLocale::Get().Choose(LOCALE_SDECIMAL, L",");
  SystemLocale::Get().Choose(LOCALE_STHOUSAND, L"\u00A0");
  wchar_t buffer[16] = {};
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 16), 2);
  EXPECT_EQ(std::wstring(buffer), L",");
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, nullptr, 0), 2);
  SetLastError(0);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_STHOUSAND, buffer, 16), 2);
  EXPECT_EQ(std::wstring(buffer), L"\u00A0");
  // What the test did not choose comes from the platform.
  EXPECT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 16), 0);
  SystemLocale::Get().Reset();
  EXPECT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, 16), 0);
  EXPECT_EQ(std::wstring(buffer), real);
}

// Typing reads numbers by the separators in force: the Application's own while UseSystemSeparators is false,
// the user's locale while it is true; groups of three only, spaces around, a leading "+".
TEST_F(StandInValueTypesTest, TypingReadsGroupsSpacesAndPlusByTheSeparatorsInForce) {
  const struct {
    const char* name;
    bool system;
    const wchar_t* own_decimal;
    const wchar_t* own_group;
    const wchar_t* locale_decimal;
    const wchar_t* locale_group;
  } sources[] = {{"own", false, L",", L" ", L".", L","}, {"system", true, L".", L",", L",", L"\u00A0"}};
  const struct {
    const wchar_t* typed;
    CellValue value;
  } cases[] = {
      {L"12 345", CellValue(12345.0)},
      {L"12\u00A0345", CellValue(12345.0)},
      {L"1 234,56", CellValue(1234.56)},
      {L"1 234 567", CellValue(1234567.0)},
      {L" 42 ", CellValue(42.0)},
      {L"+7", CellValue(7.0)},
      {L"-1 000,5E2", CellValue(-100050.0)},
      {L"1 23", CellValue(L"1 23")},
      {L"1234 567", CellValue(L"1234 567")},
      {L"1 2345", CellValue(L"1 2345")},
      {L"12  345", CellValue(L"12  345")},
      {L"1,234.56", CellValue(L"1,234.56")},
      {L"+-7", CellValue(L"+-7")},
      {L"1 234,5 6", CellValue(L"1 234,5 6")},
  };
  for (const auto& s : sources) {
    SCOPED_TRACE(s.name);
    app()->Value(L"UseSystemSeparators") = OwnedVariant::Bool(s.system);
    app()->Value(L"DecimalSeparator") = OwnedVariant::Text(s.own_decimal);
    app()->Value(L"ThousandsSeparator") = OwnedVariant::Text(s.own_group);
    SystemLocale::Get().Choose(LOCALE_SDECIMAL, s.locale_decimal);
    SystemLocale::Get().Choose(LOCALE_STHOUSAND, s.locale_group);
    LONG row = 1;
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
      TypeLocal(sheet(), row, 1, c.typed);
      EXPECT_TRUE(cells().ValueAt(L"A" + std::to_wstring(row)) == c.value);
      ++row;
    }
    // The number's text goes out with the decimal separator in force, too.
    OwnedVariant typed;
    ASSERT_EQ(Get(L"ActiveSheet.Range(A3).FormulaLocal", &typed), 0);
    EXPECT_EQ(TextOf(typed), L"1234,56");
  }
}

}  // namespace
}  // namespace korvel::test
