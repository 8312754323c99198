// The stand-in host's command bars, as the host gives them: per window, controls by kind, the searches.
#include "menu_fixture.h"

namespace korvel::test {
namespace {

class CommandBarsTest : public MenuTest {
 protected:
  // A dotted-path get whose result is kept; quiet, since the refusals are what some cases look at.
  int Get(const wchar_t* path, VARIANT* object, VARIANT& result, int count = 0, VARIANT a = {}, VARIANT b = {},
          VARIANT c = {}, VARIANT d = {}, VARIANT e = {}) {
    VariantClear(&result);
    return addin.AutoWrapX(path, object, 0, &result, true, nullptr, count, a, b, c, d, e);
  }
  int Put(VARIANT& object, const wchar_t* member, VARIANT value) {
    const int rc = addin.AutoWrapX(member, &object, DISPATCH_PROPERTYPUT, nullptr, true, nullptr, 1, value);
    VariantClear(&value);
    return rc;
  }
};

TEST_F(CommandBarsTest, EachWindowHasItsOwnBarsAndCommandBarsGivesTheActiveOnes) {
  Windows(2);
  VARIANT bars;
  VariantInit(&bars);
  ASSERT_EQ(Get(L"CommandBars", nullptr, bars), 0);
  EXPECT_EQ(bars.pdispVal, static_cast<IDispatch*>(WindowAt(0)->command_bars()));
  Activate(1);
  ASSERT_EQ(Get(L"CommandBars", nullptr, bars), 0);
  EXPECT_EQ(bars.pdispVal, static_cast<IDispatch*>(WindowAt(1)->command_bars()));
  EXPECT_NE(WindowAt(0)->command_bars(), WindowAt(1)->command_bars());
  VariantClear(&bars);
}

TEST_F(CommandBarsTest, BarsByNameInAnyCaseAndTheMenuBarsFirstControlIsAPopup) {
  VARIANT r;
  VariantInit(&r);
  for (const wchar_t* path : {L"CommandBars.Item(cell).Controls.Count", L"CommandBars.Item(ROW).Controls.Count",
                              L"CommandBars(Column).Controls.Count"}) {
    ASSERT_EQ(Get(path, nullptr, r), 0) << path;
    EXPECT_EQ(TextOf(r), L"3");
  }
  ASSERT_EQ(Get(L"CommandBars(Worksheet Menu Bar).Controls(1).Type", nullptr, r), 0);
  EXPECT_EQ(TextOf(r), L"10");
  ASSERT_EQ(Get(L"CommandBars(Worksheet Menu Bar).Controls(1).Controls.Count", nullptr, r), 0);
  EXPECT_EQ(TextOf(r), L"3");
  EXPECT_NE(Get(L"CommandBars.Item(Standard)", nullptr, r), 0);
  VariantClear(&r);
}

TEST_F(CommandBarsTest, AddPutsTheControlBeforeTheOneAtBefore) {
  VARIANT controls, control;
  VariantInit(&controls);
  VariantInit(&control);
  ASSERT_EQ(Get(L"CommandBars.Item(cell).Controls", nullptr, controls), 0);
  ASSERT_EQ(Get(L"Add", &controls, control, 5, VI4(1), VI4(1), VText(L""), VI4(2), VI4(1)), 0);
  CommandBarControls* cell = Bar(WindowAt(0), L"Cell");
  ASSERT_EQ(cell->size(), 4u);
  EXPECT_EQ(static_cast<IDispatch*>(cell->At(1)), control.pdispVal);
  EXPECT_TRUE(cell->At(1)->temporary());
  // Left out, Before is the end and Temporary false.
  ASSERT_EQ(Get(L"Add", &controls, control, 1, VI4(3)), 0);
  EXPECT_EQ(static_cast<IDispatch*>(cell->At(4)), control.pdispVal);
  EXPECT_FALSE(cell->At(4)->temporary());
  // Past the end, or a kind the host does not have, is refused.
  EXPECT_NE(Get(L"Add", &controls, control, 4, VI4(1), VI4(1), VText(L""), VI4(7)), 0);
  EXPECT_NE(Get(L"Add", &controls, control, 1, VI4(5)), 0);
  EXPECT_EQ(cell->size(), 5u);
  VariantClear(&controls);
  VariantClear(&control);
}

TEST_F(CommandBarsTest, EachKindHasTheMembersOfItsOwnInterface) {
  VARIANT controls, button, list;
  VariantInit(&controls);
  VariantInit(&button);
  VariantInit(&list);
  ASSERT_EQ(Get(L"CommandBars.Item(cell).Controls", nullptr, controls), 0);
  ASSERT_EQ(Get(L"Add", &controls, button, 1, VI4(1)), 0);
  ASSERT_EQ(Get(L"Add", &controls, list, 1, VI4(3)), 0);
  EXPECT_EQ(Put(button, L"FaceId", VI4(49)), 0);
  EXPECT_NE(Put(list, L"FaceId", VI4(49)), 0);
  EXPECT_NE(addin.AutoWrapX(L"AddItem", &button, 0, nullptr, true, nullptr, 1, VText(L"x")), 0);
  EXPECT_EQ(addin.AutoWrapX(L"AddItem", &list, 0, nullptr, true, nullptr, 1, VText(L"one")), 0);
  EXPECT_EQ(addin.AutoWrapX(L"AddItem", &list, 0, nullptr, true, nullptr, 1, VText(L"two")), 0);
  EXPECT_EQ(Put(list, L"ListIndex", VI4(2)), 0);
  EXPECT_NE(Put(list, L"ListIndex", VI4(3)), 0);  // beyond the entries
  CommandBarControl* l = Bar(WindowAt(0), L"Cell")->At(4);
  EXPECT_EQ(l->entries(), (std::vector<std::wstring>{L"one", L"two"}));
  EXPECT_EQ(l->NumberProperty(L"ListIndex"), 2);
  EXPECT_EQ(Bar(WindowAt(0), L"Cell")->At(3)->NumberProperty(L"FaceId"), 49);
  for (VARIANT* v : {&controls, &button, &list}) VariantClear(v);
}

TEST_F(CommandBarsTest, FindControlSearchesPopupsAndGivesNothingWhenNoneMatches) {
  CommandBarControls* file = MainMenu(WindowAt(0));
  CommandBarControl* inside = file->AddBuiltIn(1, 1, L"inside");
  inside->Value(L"Tag") = OwnedVariant::Text(L"t");
  VARIANT found;
  VariantInit(&found);
  ASSERT_EQ(Get(L"CommandBars.FindControl", nullptr, found, 3, VI4(1), VI4(0), VText(L"t")), 0);
  EXPECT_EQ(found.pdispVal, static_cast<IDispatch*>(inside));
  ASSERT_EQ(Get(L"CommandBars.FindControl", nullptr, found, 3, VI4(3), VI4(0), VText(L"t")), 0);
  EXPECT_EQ(found.vt, VT_DISPATCH);
  EXPECT_EQ(found.pdispVal, nullptr);
  ASSERT_EQ(Get(L"CommandBars.FindControls", nullptr, found, 3, VI4(1), VI4(0), VText(L"none")), 0);
  EXPECT_EQ(found.pdispVal, nullptr);
  // Another window's bars are not searched.
  Windows(2);
  Activate(1);
  ASSERT_EQ(Get(L"CommandBars.FindControl", nullptr, found, 3, VI4(1), VI4(0), VText(L"t")), 0);
  EXPECT_EQ(found.pdispVal, nullptr);
  VariantClear(&found);
}

TEST_F(CommandBarsTest, ActivateNextCanPassOverAWindow) {
  Windows(3);
  app()->set_activate_next_skips(WindowAt(0));
  std::vector<HostObject*> seen;
  for (int i = 0; i < 4; ++i) {
    app()->ActivateNext();
    seen.push_back(app()->active_window());
  }
  EXPECT_EQ(seen, (std::vector<HostObject*>{WindowAt(1), WindowAt(2), WindowAt(1), WindowAt(2)}));
}

TEST_F(CommandBarsTest, AMemberCanFailAfterSomeCalls) {
  MemberFailure f{L"Application", L"Calculation", 0, E_FAIL, 1};
  f.after = 2;
  host.model().Fail(f);
  VARIANT r;
  VariantInit(&r);
  EXPECT_EQ(Get(L"Calculation", nullptr, r), 0);
  EXPECT_EQ(Get(L"Calculation", nullptr, r), 0);
  EXPECT_EQ(Get(L"Calculation", nullptr, r), E_FAIL);
  EXPECT_EQ(Get(L"Calculation", nullptr, r), 0);
  host.model().Fail(MemberFailure::AnyCallAfter(1));
  EXPECT_EQ(Get(L"Calculation", nullptr, r), 0);
  EXPECT_EQ(Get(L"Name", nullptr, r), E_FAIL);
  VariantClear(&r);
}

}  // namespace
}  // namespace korvel::test
