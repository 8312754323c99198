// The sheet list: a new sheet whose column A links to cell A1 of every other worksheet.
#include "command_fixture.h"
#include "object_model/hyperlinks.h"
#include "object_model/sheet_tabs.h"

namespace korvel::test {
namespace {

const wchar_t kListQuestion[] = L"Вывести список всех листов данной книги на новый лист?";

class SheetListTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    Fill();
  }
  Workbook* book() { return app()->active_workbook(); }
  // Sheet1, a chart sheet, Sheet2, Sheet3 (the host's three worksheets and a chart between them).
  void Fill() { AddChartSheet(book(), L"Chart1", 1); }
  void Fresh() {
    StartAfresh();
    Baseline();
    Fill();
  }
  std::vector<std::wstring> Tabs() {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < book()->sheets()->size(); ++i) out.push_back(SheetName(book()->sheets()->At(i)));
    return out;
  }
  Worksheet* Sheet(const wchar_t* name) { return static_cast<Worksheet*>(book()->sheets()->Find(name)); }
  // What the list sheet's column A shows, rows 1 to n.
  std::vector<std::wstring> Column(Worksheet* list, LONG rows) {
    std::vector<std::wstring> out;
    for (LONG r = 1; r <= rows; ++r) {
      const CellValue v = list->cells().ValueAt(L"A" + std::to_wstring(r));
      out.push_back(v.kind == CellValue::Kind::kText ? v.text : v.empty() ? L"" : L"<not a text>");
    }
    return out;
  }
  std::vector<std::wstring> SubAddresses(Worksheet* list) {
    std::vector<std::wstring> out;
    HostCollection* links = HyperlinksOf(list);
    for (size_t i = 0; links && i < links->size(); ++i) out.push_back(TextOf(links->At(i)->Value(L"SubAddress")));
    return out;
  }
  // Follows each link of the list; gives the sheets they activate.
  std::vector<std::wstring> Followed(Worksheet* list) {
    std::vector<std::wstring> out;
    HostCollection* links = HyperlinksOf(list);
    for (size_t i = 0; links && i < links->size(); ++i) {
      OwnedVariant none;
      EXPECT_EQ(addin.AutoWrap(DISPATCH_METHOD, &none, links->At(i), L"Follow", 0), S_OK);
      out.push_back(SheetName(app()->active_sheet()));
    }
    return out;
  }
};

TEST_F(SheetListTest, ANewSheetLinksToEveryOtherWorksheetForEveryScriptAndMode) {
  const struct {
    const wchar_t* script;
    int mode;
    bool question;
    bool timing;
  } cases[] = {{nullptr, 1, true, true}, {nullptr, 2, true, false}, {L"", 3, false, false},
               {L"1", 2, false, false},  {L"11", 3, false, true},   {L"10", 1, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    EXPECT_EQ(Run(XLLbuttonSheets, c.script, c.mode, {IDYES}), 0);
    EXPECT_EQ(Tabs(), (std::vector<std::wstring>{L"Sheet4", L"Sheet1", L"Chart1", L"Sheet2", L"Sheet3"}));
    Worksheet* list = app()->active_sheet();
    ASSERT_EQ(list, Sheet(L"Sheet4"));
    EXPECT_EQ(Column(list, 4), (std::vector<std::wstring>{L"Sheet1", L"Sheet2", L"Sheet3", L""}));
    EXPECT_EQ(SubAddresses(list), (std::vector<std::wstring>{L"'Sheet1'!A1", L"'Sheet2'!A1", L"'Sheet3'!A1"}));
    std::vector<Box> expected;
    if (c.question) expected.push_back({kListQuestion, kQuestion});
    EXPECT_EQ(BoxesWithoutTiming(), expected);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    // Add(Anchor, Address, SubAddress, ScreenTip, TextToDisplay) in the member's own order.
    const std::vector<SeenInvoke> adds = InvokesOf(L"Hyperlinks", L"Add");
    ASSERT_EQ(adds.size(), 3u);
    ASSERT_EQ(adds[0].args.size(), 5u);
    EXPECT_EQ(adds[0].args[0].text, L"<object>");
    EXPECT_EQ(adds[0].args[1].text, L"");
    EXPECT_EQ(adds[0].args[2].text, L"'Sheet1'!A1");
    EXPECT_EQ(adds[0].args[3].text, L"");
    EXPECT_EQ(adds[0].args[4].text, L"'Sheet1");
    for (const SeenInvoke& i : InvokesOf(L"Worksheets", L"Item")) EXPECT_EQ(i.args[0].vt, VT_I4);
    EXPECT_EQ(Followed(list), (std::vector<std::wstring>{L"Sheet1", L"Sheet2", L"Sheet3"}));
    ExpectHostAsFound();
  }
}

TEST_F(SheetListTest, ANameWithAnApostropheLinksByTheHostsQuoting) {
  AddWorksheet(book(), L"O'Brien", 4);
  EXPECT_EQ(Run(XLLbuttonSheets, L"1", 2), 0);
  Worksheet* list = app()->active_sheet();
  EXPECT_EQ(Column(list, 4), (std::vector<std::wstring>{L"Sheet1", L"Sheet2", L"Sheet3", L"O'Brien"}));
  EXPECT_EQ(SubAddresses(list).back(), L"'O''Brien'!A1");
  EXPECT_EQ(TextOf(HyperlinksOf(list)->At(3)->Value(L"TextToDisplay")), L"'O'Brien");
  EXPECT_EQ(Followed(list), (std::vector<std::wstring>{L"Sheet1", L"Sheet2", L"Sheet3", L"O'Brien"}));
  ExpectHostAsFound();
}

TEST_F(SheetListTest, ADecliningZeroAddsNoSheet) {
  EXPECT_EQ(Run(XLLbuttonSheets, L"0", 1), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(NoHostCall());
  EXPECT_EQ(Run(XLLbuttonSheets, nullptr, 2, {IDNO}), -1);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(Tabs().size(), 4u);
}

TEST_F(SheetListTest, ASheetWhoseNameFailsLeavesItsRowEmptyAndTheOthersGoOn) {
  MemberFailure f{L"Worksheet", L"Name", DISPATCH_PROPERTYGET, E_FAIL};
  f.target = Sheet(L"Sheet2");
  host.model().Fail(f);
  EXPECT_EQ(Run(XLLbuttonSheets, L"10", 2), 0);
  Worksheet* list = app()->active_sheet();
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"Name", kWarning}}));
  EXPECT_EQ(Column(list, 4), (std::vector<std::wstring>{L"Sheet1", L"", L"Sheet3", L""}));
  ExpectHostAsFound();
}

struct ListFailure {
  const char* name;
  MemberFailure failure;
  std::vector<Box> boxes;
  int result;
  std::vector<std::wstring> column;  // rows 1 to 4 of the new sheet; empty when no sheet was added
};

TEST_F(SheetListTest, EachStepThatFails) {
  auto nth = [](MemberFailure f, int after) {
    f.after = after;
    f.times = 1;
    return f;
  };
  const ListFailure cases[] = {
      {"Sheets", {L"Application", L"Sheets"}, {{L"Sheets", kError}}, -1, {}},
      {"Add on the sheets", {L"Sheets", L"Add"}, {{L"Add", kError}}, -1, {}},
      {"ActiveWorkbook", {L"Application", L"ActiveWorkbook"}, {{L"ActiveWorkbook", kError}}, -1, {L"", L"", L"", L""}},
      {"Worksheets", {L"Application", L"Worksheets"}, {{L"Worksheets", kError}}, -1, {L"", L"", L"", L""}},
      {"Count", {L"Worksheets", L"Count"}, {{L"Count", kError}}, -1, {L"", L"", L"", L""}},
      {"Item", nth({L"Worksheets", L"Item"}, 1), {{L"Item", kWarning}}, 0, {L"Sheet2", L"Sheet3", L"", L""}},
      {"Range", nth({L"Worksheet", L"Range"}, 0), {{L"Range", kError}}, 0, {L"", L"Sheet2", L"Sheet3", L""}},
      {"Hyperlinks", nth({L"Worksheet", L"Hyperlinks"}, 1), {{L"Hyperlinks", kWarning}}, 0,
       {L"Sheet1", L"", L"Sheet3", L""}},
      {"Add on the hyperlinks", nth({L"Hyperlinks", L"Add"}, 2), {{L"Add", kWarning}}, 0,
       {L"Sheet1", L"Sheet2", L"", L""}},
  };
  for (const ListFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonSheets, L"10", 2), c.result);
    EXPECT_EQ(Boxes(), c.boxes);
    if (c.column.empty()) {
      EXPECT_EQ(Tabs().size(), 4u);
    } else {
      ASSERT_EQ(Tabs().size(), 5u);
      EXPECT_EQ(Column(Sheet(L"Sheet4"), 4), c.column);
    }
    ExpectHostAsFound();
  }
}

}  // namespace
}  // namespace korvel::test
