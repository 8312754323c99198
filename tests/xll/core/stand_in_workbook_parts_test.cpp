// The stand-in workbook's tabs, names and hyperlinks answer as the host's do.
#include "add_in.h"
#include "object_model/hyperlinks.h"
#include "object_model/names.h"
#include "object_model/sheet_tabs.h"

namespace korvel::test {
namespace {

class StandInWorkbookPartsTest : public AddInTest {
 protected:
  Workbook* book() { return app()->active_workbook(); }
  // A quiet dotted-path call from the Application; gives its result.
  int Path(const wchar_t* path, OwnedVariant* result, int flags = 0, std::vector<OwnedVariant>* args = nullptr) {
    return addin.AutoWrapX(path, nullptr, flags, result, true, args, 0);
  }
  std::wstring PathText(const wchar_t* path) {
    OwnedVariant v;
    EXPECT_EQ(Path(path, &v), 0) << std::string(path, path + std::wcslen(path));
    return TextOf(v);
  }
  std::vector<std::wstring> Tabs() {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < book()->sheets()->size(); ++i) out.push_back(SheetName(book()->sheets()->At(i)));
    return out;
  }
};

TEST_F(StandInWorkbookPartsTest, SheetsHoldEveryTabAndWorksheetsOnlyWorksheets) {
  AddChartSheet(book(), L"Chart1", 1);
  EXPECT_EQ(Tabs(), (std::vector<std::wstring>{L"Sheet1", L"Chart1", L"Sheet2", L"Sheet3"}));
  EXPECT_EQ(PathText(L"Sheets.Count"), L"4");
  EXPECT_EQ(PathText(L"Sheets.Item(2).Name"), L"Chart1");
  EXPECT_EQ(PathText(L"Worksheets.Count"), L"3");
  EXPECT_EQ(PathText(L"Worksheets.Item(2).Name"), L"Sheet2");
  EXPECT_EQ(PathText(L"ActiveWorkbook.Worksheets.Item(3).Name"), L"Sheet3");
  EXPECT_EQ(PathText(L"Worksheets.Item(Sheet3).Name"), L"Sheet3");
  OwnedVariant none;
  EXPECT_EQ(Path(L"Worksheets.Item(Chart1)", &none), DISP_E_BADINDEX);
  EXPECT_EQ(Path(L"Worksheets.Item(4)", &none), DISP_E_BADINDEX);
}

TEST_F(StandInWorkbookPartsTest, SheetsAddPutsANewSheetBeforeTheActiveOneAndActivatesIt) {
  app()->set_active_sheet(static_cast<Worksheet*>(book()->sheets()->At(1)));
  OwnedVariant added;
  ASSERT_EQ(Path(L"Sheets.Add", &added), 0);
  ASSERT_EQ(added.vt, VT_DISPATCH);
  EXPECT_EQ(Tabs(), (std::vector<std::wstring>{L"Sheet1", L"Sheet4", L"Sheet2", L"Sheet3"}));
  EXPECT_EQ(added.pdispVal, static_cast<IDispatch*>(app()->active_sheet()));
  // The numbers go on past names in use.
  AddWorksheet(book(), L"Sheet5", 4);
  ASSERT_EQ(Path(L"Sheets.Add", nullptr), 0);
  EXPECT_EQ(SheetName(app()->active_sheet()), L"Sheet6");
  EXPECT_EQ(Tabs(), (std::vector<std::wstring>{L"Sheet1", L"Sheet6", L"Sheet4", L"Sheet2", L"Sheet3", L"Sheet5"}));
  std::vector<OwnedVariant> one{OwnedVariant::I4(1)};
  EXPECT_EQ(Path(L"Sheets.Add", nullptr, 0, &one), DISP_E_BADPARAMCOUNT);
}

TEST_F(StandInWorkbookPartsTest, NamesByIndexOfEitherWidthAsMethodOrProperty) {
  AddName(book(), L"First", L"=Sheet1!$A$1");
  AddName(book(), L"Second", L"=#REF!", false);
  EXPECT_EQ(PathText(L"ActiveWorkbook.Names.Count"), L"2");
  EXPECT_EQ(PathText(L"ActiveWorkbook.Names.Item(2).Value"), L"=#REF!");
  EXPECT_EQ(PathText(L"ActiveWorkbook.Names.Item(2).Visible"), L"False");
  EXPECT_EQ(PathText(L"ActiveWorkbook.Names.Item(First).Name"), L"First");
  HostObject* names = book()->names();
  for (WORD flags : {DISPATCH_METHOD, DISPATCH_PROPERTYGET}) {
    for (VARTYPE vt : {VT_I4, VT_I8}) {
      VARIANT index;
      VariantInit(&index);
      index.vt = vt;
      if (vt == VT_I4) index.lVal = 1; else index.llVal = 1;
      OwnedVariant item;
      EXPECT_EQ(addin.AutoWrap(flags, &item, names, L"Item", 1, index), S_OK);
      ASSERT_EQ(item.vt, VT_DISPATCH);
      EXPECT_EQ(item.pdispVal, static_cast<IDispatch*>(book()->names()->At(0)));
    }
  }
  OwnedVariant v;
  ASSERT_EQ(Path(L"ActiveWorkbook.Names.Item(1).Delete", &v), 0);
  EXPECT_EQ(NameList(book()), (std::vector<std::wstring>{L"Second"}));
}

TEST_F(StandInWorkbookPartsTest, AFailureCanTargetOneObject) {
  HostObject* first = AddName(book(), L"First", L"=1");
  HostObject* second = AddName(book(), L"Second", L"=2");
  MemberFailure f{L"Name", L"Value", 0, E_ACCESSDENIED};
  f.target = second;
  host.model().Fail(f);
  OwnedVariant v;
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &v, first, L"Value", 0), S_OK);
  v.Clear();
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &v, second, L"Value", 0), E_ACCESSDENIED);
}

TEST_F(StandInWorkbookPartsTest, CollectionsInsertAtAPosition) {
  HostCollection* tabs = book()->sheets();
  auto* extra = AddWorksheet(book(), L"Front", 0);
  AddWorksheet(book(), L"Far", 99);
  EXPECT_EQ(Tabs(), (std::vector<std::wstring>{L"Front", L"Sheet1", L"Sheet2", L"Sheet3", L"Far"}));
  EXPECT_EQ(tabs->IndexOf(extra), 0u);
  EXPECT_TRUE(tabs->Remove(extra));
  EXPECT_EQ(tabs->IndexOf(extra), tabs->size());
}

TEST_F(StandInWorkbookPartsTest, TheHostReadsSheetReferences) {
  const struct {
    const wchar_t* text;
    bool read;
    const wchar_t* sheet;
    LONG row, column;
  } cases[] = {
      {L"Sheet1!A1", true, L"Sheet1", 1, 1},
      {L"'Sheet 2'!$B$3", true, L"Sheet 2", 3, 2},
      {L"'O''Brien'!A1", true, L"O'Brien", 1, 1},
      {L"'''Quoted'''!AA10", true, L"'Quoted'", 10, 27},
      {L"'O'Brien'!A1", false},  // the apostrophe written once ends the quote early
      {L"O'Brien!A1", false},
      {L"Sheet 2!A1", false},
      {L"'Sheet1!A1", false},
      {L"Sheet1", false},
      {L"!A1", false},
      {L"Sheet1!", false},
      {L"Sheet1!A0", false},
      {L"Sheet1!1A", false},
      {L"Sheet1!XFE1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
    std::wstring sheet;
    LONG row = 0, column = 0;
    ASSERT_EQ(ReadSheetReference(c.text, sheet, row, column), c.read);
    if (!c.read) continue;
    EXPECT_EQ(sheet, c.sheet);
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(column, c.column);
  }
}

TEST_F(StandInWorkbookPartsTest, HyperlinksAddTakesFiveArgumentsAndFollowGoesToTheSheet) {
  auto* obrien = AddWorksheet(book(), L"O'Brien", 3);
  Worksheet* first = static_cast<Worksheet*>(book()->sheets()->At(0));
  Range* anchor = first->Cell(2, 1);
  HostObject* links = HyperlinksOf(first);
  ASSERT_NE(links, nullptr);
  const struct {
    const wchar_t* sub_address;
    HRESULT follow;
  } cases[] = {{L"'O''Brien'!A1", S_OK}, {L"'O'Brien'!A1", DISP_E_EXCEPTION}, {L"Nowhere!A1", DISP_E_EXCEPTION}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sub_address, c.sub_address + std::wcslen(c.sub_address)));
    app()->set_active_sheet(first);
    VARIANT text = VText(L"'O'Brien"), tip = VText(L""), sub = VText(c.sub_address), address = VText(L"");
    VARIANT where = VDisp(anchor);
    OwnedVariant link;
    // DISPPARAMS order: the text to display first, the anchor last.
    ASSERT_EQ(addin.AutoWrap(DISPATCH_METHOD, &link, links, L"Add", 5, text, tip, sub, address, where), S_OK);
    for (VARIANT* v : {&text, &tip, &sub, &address, &where}) VariantClear(v);
    ASSERT_EQ(link.vt, VT_DISPATCH);
    auto* hyperlink = static_cast<HostObject*>(link.pdispVal);
    EXPECT_EQ(TextOf(hyperlink->Value(L"SubAddress")), c.sub_address);
    EXPECT_EQ(TextOf(hyperlink->Value(L"TextToDisplay")), L"'O'Brien");
    OwnedVariant none;
    EXPECT_EQ(addin.AutoWrap(DISPATCH_METHOD, &none, hyperlink, L"Follow", 0), c.follow);
    EXPECT_EQ(app()->active_sheet(), c.follow == S_OK ? obrien : first);
  }
  // An anchor that is no range of this sheet is refused.
  VARIANT text = VText(L"x"), address = VText(L""), elsewhere = VDisp(static_cast<Worksheet*>(book()->sheets()->At(1))->Cell(1, 1));
  OwnedVariant link;
  EXPECT_EQ(addin.AutoWrap(DISPATCH_METHOD, &link, links, L"Add", 3, text, address, elsewhere), DISP_E_EXCEPTION);
  for (VARIANT* v : {&text, &address, &elsewhere}) VariantClear(v);
}

TEST_F(StandInWorkbookPartsTest, ObjectsMadeForACallAreCountedWhileAlive) {
  const long before = host.model().made_for_call_alive();
  auto* made = new HostObject(L"Probe");
  made->MarkMadeForCall();
  made->MarkMadeForCall();
  EXPECT_EQ(host.model().made_for_call_alive(), before + 1);
  made->Release();
  EXPECT_EQ(host.model().made_for_call_alive(), before);
}

}  // namespace
}  // namespace korvel::test
