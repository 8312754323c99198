// The two list commands of the menu: the operating mode and the menu language.
#include "menu_fixture.h"
#include "startup/life_cycle.h"

namespace korvel::test {
namespace {

using korvel::xll::BuildMenus;

const std::vector<std::wstring> kFastSwitch{L"StatusBar=XLL...", L"ScreenUpdating=False", L"Calculation=-4135",
                                            L"EnableEvents=False", L"DisplayPageBreaks=False"};

class OperatingModeTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    Windows(3);
    ASSERT_EQ(BuildMenus(), 0);
    host.model().ClearInvokes();
    host.api().ClearCalls();
  }
  // The user picks item `mode` in the active window's list, which then runs the command.
  int Choose(LONG mode) {
    CommandBarControl* list = ModeList(static_cast<Window*>(app()->active_window()));
    EXPECT_NE(list, nullptr);
    if (list) list->Value(L"ListIndex") = OwnedVariant::I4(mode);
    return XLLbuttonOperatingModeXLL(nullptr);
  }
  LONG Selected(size_t w) { return ModeList(WindowAt(w))->NumberProperty(L"ListIndex"); }
  LONG TableMode(const MenuTable& t) { return t[21][kMenuListIndex].lVal; }
  std::vector<std::wstring> ListPuts() {
    std::vector<std::wstring> out;
    for (const std::wstring& p : host.model().Puts())
      if (p.rfind(L"ListIndex=", 0) == 0) out.push_back(p);
    return out;
  }
  bool HostSettingsNormal() {
    return TextOf(app()->Value(L"ScreenUpdating")) == L"True" && TextOf(app()->Value(L"Calculation")) == L"-4105" &&
           TextOf(app()->Value(L"EnableEvents")) == L"True";
  }
};

TEST_F(OperatingModeTest, ChosenModeIsSelectedInEveryWindowUnderFastMode) {
  Activate(1);
  EXPECT_EQ(Choose(3), 0);
  EXPECT_EQ(*addin.OperatingMode, 3);
  EXPECT_EQ(TableMode(*addin.ActiveMenuTable), 3);
  EXPECT_EQ(TableMode(*addin.OtherMenuTable), 2);
  for (size_t w = 0; w < 3; ++w) EXPECT_EQ(Selected(w), 3) << w;
  EXPECT_EQ(app()->active_window(), WindowAt(1));
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_TRUE(HostSettingsNormal());
  const std::vector<std::wstring> puts = host.model().Puts();
  ASSERT_GE(puts.size(), kFastSwitch.size() + 3);
  EXPECT_EQ(std::vector<std::wstring>(puts.begin(), puts.begin() + 5), kFastSwitch);
  EXPECT_EQ(ListPuts(), (std::vector<std::wstring>(3, L"ListIndex=3")));
  EXPECT_EQ(puts[5], L"ListIndex=3");  // the lists change while the host is in fast mode
  EXPECT_EQ(puts.back(), L"DisplayPageBreaks=True");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(OperatingModeTest, AWindowBuiltLaterSelectsTheCurrentMode) {
  ASSERT_EQ(Choose(1), 0);
  AddWindow(L"Book4");
  Activate(3);
  ASSERT_EQ(BuildMenus(), 0);
  EXPECT_EQ(Selected(3), 1);
}

TEST_F(OperatingModeTest, TheItemAlreadySelectedTouchesNoOtherWindow) {
  EXPECT_EQ(Choose(2), 0);
  EXPECT_EQ(*addin.OperatingMode, 2);
  EXPECT_TRUE(host.model().Puts().empty());
  EXPECT_TRUE(host.api().CallsOf(xlGetHwnd).empty());
}

TEST_F(OperatingModeTest, AnEmptySelectionIsModeZero) {
  EXPECT_EQ(Choose(0), 0);
  EXPECT_EQ(*addin.OperatingMode, 0);
  for (size_t w = 0; w < 3; ++w) EXPECT_EQ(Selected(w), 0) << w;
}

TEST_F(OperatingModeTest, WithoutTheListNothingChanges) {
  ASSERT_EQ(korvel::xll::RemoveMenus(), 0);
  host.model().ClearInvokes();
  EXPECT_EQ(XLLbuttonOperatingModeXLL(nullptr), -1);
  EXPECT_EQ(*addin.OperatingMode, 2);
  EXPECT_TRUE(host.model().Puts().empty());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(OperatingModeTest, WithoutItsRowTheCommandFails) {
  (*addin.ActiveMenuTable)[21][kMenuOnAction] = OwnedVariant::Text(L"renamed");
  EXPECT_EQ(Choose(3), -1);
  EXPECT_EQ(*addin.OperatingMode, 2);
  EXPECT_TRUE(host.model().invokes().empty());
}

struct ModeFailure {
  const char* name;
  MemberFailure failure;
  const wchar_t* box;
  size_t windows_selected;  // windows whose list shows the new mode after the stop
};

TEST_F(OperatingModeTest, AFailureInFastModeLeavesTheHostNormal) {
  auto after = [](MemberFailure f, int n) {
    f.after = n;
    return f;
  };
  const ModeFailure cases[] = {
      {"second window's search", after({L"CommandBars", L"FindControls", 0, E_FAIL, 1}, 1),
       L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:FindControls", 1},
      {"third window's list", after({L"CommandBarControl", L"ListIndex", DISPATCH_PROPERTYPUT, E_ACCESSDENIED, 1}, 2),
       L"AutoWrapX>ERROR:-2147024891>Function:Invoke>Arg:ListIndex", 2},
      {"count", after({L"CommandBarControls", L"Count", 0, E_FAIL, 1}, 0),
       L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:Count", 0},
  };
  for (const ModeFailure& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Windows(3);
    ASSERT_EQ(BuildMenus(), 0);
    host.model().ClearInvokes();
    host.model().Fail(c.failure);
    EXPECT_EQ(Choose(3), -1);
    EXPECT_TRUE(*addin.HostNormal);
    EXPECT_TRUE(HostSettingsNormal());
    EXPECT_EQ(*addin.OperatingMode, 3);
    size_t selected = 0;
    for (size_t w = 0; w < 3; ++w) selected += Selected(w) == 3;
    // The start window's list shows the user's pick whatever the command did.
    EXPECT_EQ(selected, std::max<size_t>(c.windows_selected, 1));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, c.box);
  }
}

TEST_F(OperatingModeTest, AFailedSwitchIntoFastModeStops) {
  host.model().Fail({L"Application", L"EnableEvents", DISPATCH_PROPERTYPUT, E_FAIL, 1});
  EXPECT_EQ(Choose(3), -1);
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_TRUE(HostSettingsNormal());
  EXPECT_EQ(ListPuts().size(), 0u);
}

TEST_F(OperatingModeTest, AWalkThatNeverComesBackLeavesTheHostNormal) {
  app()->set_activate_next_skips(WindowAt(0));
  EXPECT_EQ(Choose(3), -1);
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_TRUE(HostSettingsNormal());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text,
            L"The host's windows did not lead back to the first window: the walk over the windows stopped.");
}

class MenuLanguageTest : public MenuTest {};

TEST_F(MenuLanguageTest, EachUseSwitchesTablesWithoutCopyingAndRebuildsNoMenu) {
  SetInterfaceLanguage(1033);
  ASSERT_EQ(BuildMenus(), 0);
  host.model().ClearInvokes();
  const MenuRow* russian_rows = addin.ActiveMenuTable->data();
  const MenuRow* english_rows = addin.OtherMenuTable->data();

  EXPECT_EQ(XLLbuttonMenuLanguag(nullptr), 0);
  EXPECT_EQ(MenuLanguage, 1);
  EXPECT_EQ(addin.ActiveMenuTable->data(), english_rows);
  EXPECT_EQ(TextOf((*addin.ActiveMenuTable)[0][kMenuCaption]), L"XLL Help");
  // The built window keeps its captions: no control was added, changed or deleted.
  EXPECT_EQ(MainMenu(WindowAt(0))->At(kBuiltInFileControls)->TextProperty(L"Caption"), L"XLL Справка");
  EXPECT_TRUE(host.model().Puts().empty());
  for (const SeenInvoke& i : host.model().invokes()) EXPECT_NE(i.object, L"CommandBarControls");

  EXPECT_EQ(XLLbuttonMenuLanguag(nullptr), 0);
  EXPECT_EQ(MenuLanguage, 2);
  EXPECT_EQ(addin.ActiveMenuTable->data(), russian_rows);
  EXPECT_EQ(addin.OtherMenuTable->data(), english_rows);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(MenuLanguageTest, WithARussianInterfaceNothingChanges) {
  SetInterfaceLanguage(1049);
  ASSERT_TRUE(korvel::xll::IsRussianUI());
  const MenuRow* rows = addin.ActiveMenuTable->data();
  EXPECT_EQ(XLLbuttonMenuLanguag(nullptr), 0);
  EXPECT_EQ(addin.ActiveMenuTable->data(), rows);
  EXPECT_EQ(MenuLanguage, 2);
}

TEST_F(MenuLanguageTest, WithoutItsRowTheCommandFails) {
  SetInterfaceLanguage(1033);
  (*addin.ActiveMenuTable)[22][kMenuOnAction] = OwnedVariant::Text(L"renamed");
  const MenuRow* rows = addin.ActiveMenuTable->data();
  EXPECT_EQ(XLLbuttonMenuLanguag(nullptr), -1);
  EXPECT_EQ(addin.ActiveMenuTable->data(), rows);
  EXPECT_EQ(MenuLanguage, 2);
}

}  // namespace
}  // namespace korvel::test
