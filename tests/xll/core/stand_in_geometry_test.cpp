// The stand-in's sheet layout answers as the host's: a hidden row is 0 points high and a column of zero
// width is hidden, so the cells after them start where they start; a table's filter hides rows the same
// way; a shape's TopLeftCell is the first shown cell under its corner; shapes have names of their own; and
// formula texts with structured references come back as they were typed.
#include <cmath>

#include "add_in.h"
#include "object_model/sheet_geometry.h"
#include "object_model/workbooks.h"

namespace korvel::test {
namespace {

class StandInGeometryTest : public AddInTest {
 protected:
  Worksheet* sheet() { return app()->active_sheet(); }
  int Get(const std::wstring& path, OwnedVariant* result) {
    return addin.AutoWrapX(path.c_str(), nullptr, 0, result, true, nullptr, 0);
  }
  int Put(const std::wstring& path, OwnedVariant value) {
    std::vector<OwnedVariant> args;
    args.push_back(std::move(value));
    return addin.AutoWrapX(path.c_str(), nullptr, DISPATCH_PROPERTYPUT, nullptr, true, &args, 0);
  }
  // A number member of the active sheet's range at `address`, as a double (True is -1); NaN when it is no
  // number, -999 when the call fails.
  double Number(const std::wstring& address, const wchar_t* member) {
    OwnedVariant v;
    if (Get(L"ActiveSheet.Range(" + address + L")." + member, &v) != 0) return -999;
    OwnedVariant d;
    if (v.vt == VT_NULL || FAILED(VariantChangeType(&d, &v, 0, VT_R8))) return std::nan("");
    return d.dblVal;
  }
  VARTYPE TypeOf(const std::wstring& path) {
    OwnedVariant v;
    return Get(path, &v) == 0 ? v.vt : VT_ILLEGAL;
  }
  std::wstring TopLeftCell(Shape* shape) {
    OwnedVariant v;
    VARIANT s = VDisp(shape);
    addin.AutoWrapX(L"TopLeftCell.Address", &s, 0, &v, true, nullptr, 0);
    VariantClear(&s);
    return TextOf(v);
  }
};

TEST_F(StandInGeometryTest, AHiddenRowHasNoHeightAndTheNextRowStartsWhereItStarts) {
  EXPECT_EQ(Number(L"B3", L"Top"), 30.0);
  EXPECT_EQ(Number(L"B4", L"Top"), 45.0);
  ASSERT_EQ(Put(L"ActiveSheet.Range(B3).EntireRow.Hidden", OwnedVariant::Bool(true)), 0);
  EXPECT_EQ(Number(L"B3", L"Top"), 30.0);
  EXPECT_EQ(Number(L"B4", L"Top"), 30.0);
  EXPECT_EQ(Number(L"B5", L"Top"), 45.0);
  EXPECT_EQ(Number(L"B3", L"Height"), 0.0);
  EXPECT_EQ(Number(L"B3", L"RowHeight"), 0.0);
  EXPECT_EQ(Number(L"B2:B4", L"Height"), 15.0 * 2);
  EXPECT_EQ(TypeOf(L"ActiveSheet.Range(B3).EntireRow.Hidden"), VT_BOOL);
  EXPECT_EQ(Number(L"B3", L"EntireRow.Hidden"), -1.0);  // True
  EXPECT_TRUE(std::isnan(Number(L"B2:B3", L"EntireRow.Hidden"))) << "some hidden, some not: Null";
  EXPECT_TRUE(std::isnan(Number(L"B2:B3", L"RowHeight"))) << "rows of two heights: Null";
  // Hidden belongs to whole rows and columns; a cell's own is refused, as the host refuses it.
  EXPECT_NE(Get(L"ActiveSheet.Range(B3).Hidden", nullptr), 0);
  // A height of 0 hides a row as well; another height shows it again at that height.
  ASSERT_EQ(Put(L"ActiveSheet.Range(A7).RowHeight", OwnedVariant::I4(0)), 0);
  EXPECT_EQ(Number(L"A7", L"EntireRow.Hidden"), -1.0);
  EXPECT_EQ(Number(L"A8", L"Top"), 15.0 * 5);
  ASSERT_EQ(Put(L"ActiveSheet.Range(A7).RowHeight", OwnedVariant::I4(30)), 0);
  EXPECT_EQ(Number(L"A7", L"EntireRow.Hidden"), 0.0);
  EXPECT_EQ(Number(L"A8", L"Top"), 15.0 * 5 + 30);
  EXPECT_NE(Put(L"ActiveSheet.Range(A7).RowHeight", OwnedVariant::I4(410)), 0) << "beyond the host's 409 points";
  ASSERT_EQ(Put(L"ActiveSheet.Range(B3).EntireRow.Hidden", OwnedVariant::Bool(false)), 0);
  EXPECT_EQ(Number(L"B4", L"Top"), 45.0);
}

TEST_F(StandInGeometryTest, AColumnOfZeroWidthIsHiddenAndTheNextColumnStartsWhereItStarts) {
  EXPECT_EQ(Number(L"C1", L"Left"), 96.0);
  EXPECT_EQ(Number(L"B1", L"ColumnWidth"), 8.43);
  ASSERT_EQ(Put(L"ActiveSheet.Range(B1).ColumnWidth", OwnedVariant::I4(0)), 0);
  EXPECT_EQ(Number(L"B1", L"ColumnWidth"), 0.0);
  EXPECT_EQ(Number(L"B1", L"Width"), 0.0);
  EXPECT_EQ(Number(L"B1", L"EntireColumn.Hidden"), -1.0);
  EXPECT_EQ(Number(L"B1", L"Left"), 48.0);
  EXPECT_EQ(Number(L"C1", L"Left"), 48.0);
  EXPECT_EQ(Number(L"D9", L"Left"), 96.0);
  EXPECT_EQ(Number(L"A1:C1", L"Width"), 96.0);
  // Other widths depend on the host's font; the stand-in refuses them rather than guess.
  EXPECT_NE(Put(L"ActiveSheet.Range(B1).ColumnWidth", OwnedVariant::I4(12)), 0);
  ASSERT_EQ(Put(L"ActiveSheet.Range(B1).EntireColumn.Hidden", OwnedVariant::Bool(false)), 0);
  EXPECT_EQ(Number(L"C1", L"Left"), 96.0);
}

TEST_F(StandInGeometryTest, AFilteredTableHidesItsRowsLikeHiddenRows) {
  SheetCells& cells = sheet()->cells();
  cells.Set(L"A2", CellValue(L"Region"));
  const wchar_t* regions[] = {L"North", L"South", L"South", L"North", L"West"};
  for (int i = 0; i < 5; ++i) cells.Set(L"A" + std::to_wstring(3 + i), CellValue(regions[i]));
  SetRowHidden(sheet(), 9, true);  // hidden by the user, below the table
  FilterTable(sheet(), Area{2, 1, 7, 2}, 1, [](const CellValue& v) { return v.text == L"North"; });
  // Rows 4, 5 and 7 are filtered out: row 6 starts where row 4 does, row 8 where row 7 does.
  for (int row : {4, 5, 7, 9}) EXPECT_EQ(Number(L"A" + std::to_wstring(row), L"EntireRow.Hidden"), -1.0) << row;
  for (int row : {2, 3, 6, 8}) EXPECT_EQ(Number(L"A" + std::to_wstring(row), L"EntireRow.Hidden"), 0.0) << row;
  EXPECT_EQ(Number(L"A4", L"Top"), 45.0);
  EXPECT_EQ(Number(L"A6", L"Top"), 45.0);
  EXPECT_EQ(Number(L"A7", L"Top"), 60.0);
  EXPECT_EQ(Number(L"A8", L"Top"), 60.0);
  EXPECT_EQ(Number(L"A10", L"Top"), 75.0);
  ClearFilter(sheet());
  EXPECT_EQ(Number(L"A6", L"Top"), 75.0);
  EXPECT_EQ(Number(L"A9", L"EntireRow.Hidden"), -1.0) << "the user's hidden row stays hidden";
}

TEST_F(StandInGeometryTest, AShapesTopLeftCellIsTheFirstShownCellUnderItsCorner) {
  Shapes* shapes = sheet()->shapes();
  SetRowHidden(sheet(), 3, true);
  SetColumnHidden(sheet(), 5, true);
  Shape* in_hidden_row = shapes->Place(kPicture, 3, 2);
  Shape* in_hidden_column = shapes->Place(kPicture, 2, 5);
  Shape* plain = shapes->Place(kPicture, 2, 2);
  EXPECT_EQ(in_hidden_row->top(), 30.0);
  EXPECT_EQ(TopLeftCell(in_hidden_row), L"$B$4");
  EXPECT_EQ(in_hidden_column->left(), 192.0);
  EXPECT_EQ(TopLeftCell(in_hidden_column), L"$F$2");
  EXPECT_EQ(TopLeftCell(plain), L"$B$2");
  // A shape's position is the host's Single.
  VARIANT s = VDisp(plain);
  OwnedVariant top;
  ASSERT_EQ(addin.AutoWrapX(L"Top", &s, 0, &top, true, nullptr, 0), 0);
  EXPECT_EQ(top.vt, VT_R4);
  VariantClear(&s);
}

TEST_F(StandInGeometryTest, ShapesHaveNamesThatCanBePutAndNeedNotDiffer) {
  Shapes* shapes = sheet()->shapes();
  Shape* chart = shapes->Place(kChart, 1, 1);
  Shape* picture = shapes->Place(kPicture, 2, 2);
  EXPECT_EQ(chart->name(), L"Chart 1");
  EXPECT_EQ(picture->name(), L"Picture 2");
  VARIANT p = VDisp(picture);
  std::vector<OwnedVariant> name;
  name.push_back(OwnedVariant::Text(L"Chart 1"));
  EXPECT_EQ(addin.AutoWrapX(L"Name", &p, DISPATCH_PROPERTYPUT, nullptr, true, &name, 0), 0);
  EXPECT_EQ(picture->name(), L"Chart 1");
  OwnedVariant read;
  ASSERT_EQ(addin.AutoWrapX(L"Name", &p, 0, &read, true, nullptr, 0), 0);
  EXPECT_EQ(TextOf(read), L"Chart 1");
  name[0] = OwnedVariant::Text(L"");
  EXPECT_NE(addin.AutoWrapX(L"Name", &p, DISPATCH_PROPERTYPUT, nullptr, true, &name, 0), 0);
  EXPECT_EQ(picture->name(), L"Chart 1");
  VariantClear(&p);
}

TEST_F(StandInGeometryTest, StructuredReferencesComeBackAsTyped) {
  const wchar_t* formulas[] = {
      L"=Table1[[#Headers],[#Data],[Amount]]", L"=[@[Order '#]]&\" done!\"", L"=Таблица1[#Данные]",
      L"=[@[Size '#]]&\"it's\"&Sheet2!A1",     L"=Table1[@[a '[1']]]",
  };
  XLOPER12 cell{};
  cell.xltype = xltypeSRef;
  cell.val.sref.count = 1;
  cell.val.sref.ref = XlArea{0, 0, 0, 0};
  for (const wchar_t* formula : formulas) {
    ASSERT_EQ(Put(L"ActiveSheet.Range(A1).Formula", OwnedVariant::Text(formula)), 0);
    XLOPER12 text{};
    ASSERT_EQ(addin.Excel12(xlfGetFormula, &text, 1, &cell), xlretSuccess);
    ASSERT_EQ(text.xltype & 0xFFF, xltypeStr);
    EXPECT_EQ(std::wstring(text.val.str + 1, text.val.str[0]), formula);
    addin.Excel12(xlFree, nullptr, 1, &text);
  }
}

}  // namespace
}  // namespace korvel::test
