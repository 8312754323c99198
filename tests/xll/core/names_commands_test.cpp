// The two name commands: every name made visible; error names deleted from the last to the first.
#include "command_fixture.h"
#include "object_model/names.h"

namespace korvel::test {
namespace {

const wchar_t kDeleteQuestion[] =
    L"Удалить в книге все имена, в т.ч. 'скрытые' с ошибочными значениями, содержащие\n'#REF!', '#NAME?', "
    L"'#Data', '#ССЫЛКА!','#ИМЯ?, '#Данные'?\n\n(эту операцию невозможно отменить)";

class NamesTest : public CommandTest {
 protected:
  Workbook* book() { return app()->active_workbook(); }
  HostObject* Add(const wchar_t* name, const wchar_t* value, bool visible = true) {
    return AddName(book(), name, value, visible);
  }
  std::vector<std::wstring> Names() { return NameList(book()); }
  std::wstring Visible(size_t i) { return TextOf(book()->names()->At(i)->Value(L"Visible")); }
  void Fresh() {
    StartAfresh();
    Baseline();
  }
};

// ---- XLLbuttonVisibleHiddenName

struct ModeCase {
  const wchar_t* script;
  int mode;
  bool timing;
};

TEST_F(NamesTest, EveryNameIsMadeVisibleAsAFourByteOne) {
  const ModeCase cases[] = {
      {nullptr, 1, true}, {nullptr, 2, false}, {nullptr, 3, false}, {L"", 1, true}, {L"", 2, false},
      {L"", 3, false},    {L"0", 1, false},    {L"1", 2, true},     {L"1", 3, true}, {L"10", 1, true},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    Add(L"Alpha", L"=Sheet1!$A$1", false);
    Add(L"Beta", L"=Sheet2!$B$2");
    Add(L"Gamma", L"=#REF!", false);
    const LONG names_refs = book()->names()->refs();
    EXPECT_EQ(Run(XLLbuttonVisibleHiddenName, c.script, c.mode), 0);
    for (size_t i = 0; i < 3; ++i) {
      const OwnedVariant& v = book()->names()->At(i)->Value(L"Visible");
      EXPECT_EQ(v.vt, VT_I4) << i;
      EXPECT_EQ(v.lVal, 1) << i;
    }
    const std::vector<SeenInvoke> items = InvokesOf(L"Names", L"Item");
    ASSERT_EQ(items.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(items[i].flags, DISPATCH_METHOD);
      ASSERT_EQ(items[i].args.size(), 1u);
      EXPECT_EQ(items[i].args[0].vt, VT_I4);
      EXPECT_EQ(items[i].args[0].text, std::to_wstring(i + 1));
    }
    EXPECT_EQ(BoxesWithoutTiming().size(), 0u);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    EXPECT_EQ(book()->names()->refs(), names_refs);
    ExpectHostAsFound();
  }
}

TEST_F(NamesTest, AWorkbookWithoutNamesShowsOnlyTheTiming) {
  EXPECT_EQ(Run(XLLbuttonVisibleHiddenName, nullptr, 1), 0);
  EXPECT_EQ(BoxesWithoutTiming().size(), 0u);
  EXPECT_EQ(TimingBoxes(), 1u);
  EXPECT_EQ(Run(XLLbuttonVisibleHiddenName, nullptr, 2), 0);
  EXPECT_TRUE(boxes().empty());
  ExpectHostAsFound();
}

struct VisibleFailure {
  MemberFailure failure;
  const wchar_t* box;
  size_t made_visible;  // of the two hidden names
};

TEST_F(NamesTest, VisibleHiddenNameStopsAtEveryFailure) {
  const VisibleFailure cases[] = {
      {{L"Application", L"ActiveWorkbook"}, L"ActiveWorkbook", 0},
      {{L"Workbook", L"Names"}, L"Names", 0},
      {{L"Names", L"Count"}, L"Count", 0},
      {{L"Names", L"Item", 0, E_FAIL, 1, false, false, 1}, L"Item", 1},
      {{L"Name", L"Visible", DISPATCH_PROPERTYPUT, E_FAIL, 1, false, false, 1}, L"Visible", 1},
  };
  for (const VisibleFailure& c : cases) {
    SCOPED_TRACE(std::string(c.box, c.box + std::wcslen(c.box)));
    Fresh();
    Add(L"Alpha", L"=1", false);
    Add(L"Beta", L"=2", false);
    host.model().Fail(c.failure);
    EXPECT_EQ(Run(XLLbuttonVisibleHiddenName, L"11", 2), -1);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{c.box, kError}}));
    EXPECT_EQ((Visible(0) == L"1") + (Visible(1) == L"1"), static_cast<int>(c.made_visible));
    ExpectHostAsFound();
  }
}

TEST_F(NamesTest, NoActiveWorkbookIsTheFailureOfTheNextStep) {
  app()->set_active_workbook(nullptr);
  EXPECT_EQ(Run(XLLbuttonVisibleHiddenName, nullptr, 2), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"Names", kError}}));
  ExpectHostAsFound();
}

// ---- XLLbuttonDeleteErrorName

struct DeleteModeCase {
  const wchar_t* script;
  int mode;
  bool question;
  bool timing;
};

TEST_F(NamesTest, OfFourNamesTheSecondAndThirdGoWithItemCalledFromTheLast) {
  const DeleteModeCase cases[] = {
      {nullptr, 1, true, true}, {nullptr, 2, true, false}, {nullptr, 3, false, false}, {L"", 1, true, true},
      {L"", 3, false, false},   {L"1", 2, false, false},   {L"11", 2, false, true},    {L"10", 1, false, false},
      {L"1", 1, false, true},
  };
  for (const DeleteModeCase& c : cases) {
    SCOPED_TRACE(Script(c.script).name() + " " + ModeName(c.mode));
    Fresh();
    Add(L"Kept", L"=Sheet1!$A$1");
    Add(L"Broken", L"=#REF!$A$1", false);
    Add(L"Missing", L"=Лист1!#ИМЯ?");
    Add(L"Also", L"=Sheet2!$B$2");
    EXPECT_EQ(Run(XLLbuttonDeleteErrorName, c.script, c.mode, {IDYES}), 0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Kept", L"Also"}));
    std::vector<Box> expected;
    if (c.question) expected.push_back({kDeleteQuestion, kQuestion});
    expected.push_back({L"Удалено Имён: 2", kInformation});
    EXPECT_EQ(BoxesWithoutTiming(), expected);
    EXPECT_EQ(TimingBoxes(), c.timing ? 1u : 0u);
    if (c.timing) EXPECT_TRUE(IsTiming(Boxes().back()));  // after the count
    const std::vector<SeenInvoke> items = InvokesOf(L"Names", L"Item");
    ASSERT_EQ(items.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(items[i].flags, DISPATCH_METHOD);
      ASSERT_EQ(items[i].args.size(), 1u);
      EXPECT_EQ(items[i].args[0].vt, VT_I8);
      EXPECT_EQ(items[i].args[0].text, std::to_wstring(4 - i));
    }
    // A hidden name is made visible before it goes.
    const std::vector<SeenInvoke> visible = InvokesOf(L"Name", L"Visible");
    ASSERT_EQ(visible.size(), 2u);
    EXPECT_EQ(visible[0].named_args[0].vt, VT_I4);
    EXPECT_EQ(visible[0].named_args[0].text, L"1");
    EXPECT_EQ(InvokesOf(L"Name", L"Delete").size(), 2u);
    ExpectHostAsFound();
  }
}

TEST_F(NamesTest, ADecliningZeroOrNoMakesNoHostCall) {
  Add(L"Broken", L"=#REF!");
  EXPECT_EQ(Run(XLLbuttonDeleteErrorName, L"0", 1), -1);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(NoHostCall());
  EXPECT_EQ(Run(XLLbuttonDeleteErrorName, nullptr, 2, {IDNO}), -1);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{kDeleteQuestion, kQuestion}}));
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Broken"}));
  ExpectHostAsFound();
}

TEST_F(NamesTest, WhatMakesAnErrorName) {
  const struct {
    const wchar_t* formula;
    bool deleted;
  } cases[] = {
      {L"=#REF!", true},
      {L"=Sheet1!#REF!+1", true},
      {L"=#NAME?", true},
      {L"=#Data", true},
      {L"=#ССЫЛКА!", true},
      {L"=#ИМЯ?*2", true},
      {L"=[Book2]#Данные", true},
      {L"=#ref!", false},  // the search is case-sensitive
      {L"=#ссылка!", false},
      {L"=\"see #REF!\"", false},  // a marker inside a text constant
      {L"=\"say \"\"#NAME?\"\"\"&A1", false},
      {L"=\"a\"&#REF!", true},
      {L"=Sheet1!$A$1", false},
      {L"='Q\"1'!#REF!", true},  // a quote inside a quoted sheet name opens no text constant
      {L"='it''s'!$A$1&\"#REF!\"", false},
      // markers inside structured references and quoted sheet or book names are no error values
      {L"=Table1[[#Headers],[#Data],[Amount]]", false},
      {L"=Таблица1[#Данные]", false},
      {L"=Table1[[#This Row],[Code '#REF!]]", false},
      {L"='#Data'!$A$1:$B$9", false},
      {L"='[#REF! 2024.xlsx]Sheet1'!$A$1", false},
      {L"='#ИМЯ?'!$A$1+'[#ССЫЛКА! 1.xlsx]Лист1'!$B$2", false},
      // and beside them a marker still counts
      {L"=Table1[#Data]+#REF!", true},
      {L"='#Data'!#REF!", true},
      {L"=[@[Size '#]]&\"it's\"&#REF!", true},  // the escaping apostrophe opens no quoted name
      {L"=SUM(Таблица1[Сумма])+#ИМЯ?", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.formula, c.formula + std::wcslen(c.formula)));
    Fresh();
    Add(L"Tested", c.formula);
    EXPECT_EQ(Run(XLLbuttonDeleteErrorName, L"1", 2), 0);
    EXPECT_EQ(Names().empty(), c.deleted);
    EXPECT_EQ(Boxes(), (std::vector<Box>{{c.deleted ? L"Удалено Имён: 1" : L"Удалено Имён: 0", kInformation}}));
  }
}

TEST_F(NamesTest, NothingDeletedStillShowsTheCountInFastWithAScript) {
  Add(L"Fine", L"=1");
  EXPECT_EQ(Run(XLLbuttonDeleteErrorName, L"1", 3), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"Удалено Имён: 0", kInformation}}));
  EXPECT_EQ(Run(XLLbuttonDeleteErrorName, nullptr, 3), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{L"Удалено Имён: 0", kInformation}}));
  ExpectHostAsFound();
}

TEST_F(NamesTest, ARefusedDeleteWarnsWithTheNameAndTheOthersGoOn) {
  Add(L"First", L"=#REF!");
  HostObject* stuck = Add(L"Stuck", L"=#NAME?");
  Add(L"Last", L"=#REF!");
  MemberFailure refuse{L"Name", L"Delete", 0, DISP_E_EXCEPTION};
  refuse.target = stuck;
  host.model().Fail(refuse);
  EXPECT_EQ(Run(XLLbuttonDeleteErrorName, L"1", 2), 0);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Stuck"}));
  EXPECT_EQ(Boxes(),
            (std::vector<Box>{{L"Ошибка при удалении имени:\nStuck\n\nУдалите это имя вручную в Диспетчере имён.", kWarning},
                              {L"Удалено Имён: 2", kInformation}}));
  ExpectHostAsFound();
}

struct DeleteFailure {
  MemberFailure failure;
  std::vector<Box> boxes;
  int result;
  std::vector<std::wstring> names_left;
};

TEST_F(NamesTest, DeleteErrorNameFailures) {
  auto nth = [](MemberFailure f, int after) {
    f.after = after;
    f.times = 1;
    return f;
  };
  const DeleteFailure cases[] = {
      {{L"Application", L"ActiveWorkbook"}, {{L"ActiveWorkbook", kError}}, -1, {L"A", L"B", L"C"}},
      {{L"Workbook", L"Names"}, {{L"Names", kError}}, -1, {L"A", L"B", L"C"}},
      {{L"Names", L"Count"}, {{L"Count", kError}}, -1, {L"A", L"B", L"C"}},
      // Item and Value step over one name: C (the first visited) stays, A and B go
      {nth({L"Names", L"Item"}, 0), {{L"Item", kWarning}, {L"Удалено Имён: 2", kInformation}}, 0, {L"C"}},
      {nth({L"Name", L"Value"}, 0), {{L"Value", kWarning}, {L"Удалено Имён: 2", kInformation}}, 0, {L"C"}},
      // a refused Delete whose Name cannot be read either: the warning without a name
      {{L"Name", L"Delete", 0, DISP_E_EXCEPTION, 1},
       {{L"Ошибка при удалении имени:\n\n\nУдалите это имя вручную в Диспетчере имён.", kWarning},
        {L"Удалено Имён: 2", kInformation}},
       0,
       {L"C"}},
  };
  for (const DeleteFailure& c : cases) {
    SCOPED_TRACE(testing::Message() << c.boxes[0]);
    Fresh();
    Add(L"A", L"=#REF!");
    Add(L"B", L"=#REF!");
    Add(L"C", L"=#REF!");
    host.model().Fail(c.failure);
    if (c.boxes[0].text.rfind(L"Ошибка", 0) == 0) host.model().Fail({L"Name", L"Name", 0, E_FAIL, 1});
    EXPECT_EQ(Run(XLLbuttonDeleteErrorName, L"11", 2), c.result);
    std::vector<Box> shown = BoxesWithoutTiming();
    EXPECT_EQ(shown, c.boxes);
    EXPECT_EQ(TimingBoxes(), c.result == 0 ? 1u : 0u);
    EXPECT_EQ(Names(), c.names_left);
    ExpectHostAsFound();
  }
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

TEST_F(NamesTest, TheTimingLeavesOutTheTimeTheCountStayedOpen) {
  Add(L"Broken", L"=#REF!");
  host.ui().Reset();
  // The user reads the count for 400 ms.
  host.ui().set_on_box([](const ShownBox& b) {
    if (b.text.rfind(L"Удалено Имён: ", 0) == 0) Sleep(400);
  });
  *addin.OperatingMode = 1;
  Script script(L"11");
  EXPECT_EQ(XLLbuttonDeleteErrorName(script.get()), 0);
  ASSERT_EQ(boxes().size(), 2u);
  ASSERT_TRUE(IsTiming({boxes()[1].text, boxes()[1].type}));
  EXPECT_LT(std::stoll(boxes()[1].text.substr(13)), 300);
}

}  // namespace
}  // namespace korvel::test
