// The add-in's controls in the host's command bars, window by window, and their removal.
#include <tuple>

#include "menu_fixture.h"

namespace korvel::test {
namespace {

using korvel::xll::BuildMenus;
using korvel::xll::RemoveMenus;

// FaceIds of rows 0 to 20, from the product's menu description.
const LONG kFaceIds[21] = {49, 1545, 4207, 397, 398, 399, 486, 451, 453, 387, 387,
                           500, 6862, 11171, 11171, 2285, 19044, 13213, 3733, 3734, 2309};

const wchar_t* const kWalkLost =
    L"The host's windows did not lead back to the first window: the walk over the windows stopped.";

std::wstring Tag(size_t i) { return L"tagXLLbutton" + std::to_wstring(i); }

class MenuBuilderTest : public MenuTest {
 protected:
  // One window's controls, control by control, against the command list of its language and the table it
  // was built from.
  void CheckWindow(Window* w, const std::vector<std::wstring>& commands, const MenuTable& table, LONG mode = 2) {
    CommandBarControls* main = MainMenu(w);
    ASSERT_EQ(main->size(), kBuiltInFileControls + 24);
    EXPECT_EQ(main->At(0)->TextProperty(L"Caption"), L"&New...");
    EXPECT_EQ(main->At(2)->TextProperty(L"Caption"), L"&Close");
    for (size_t i = 0; i < 24; ++i) {
      SCOPED_TRACE(i);
      CommandBarControl* c = main->At(kBuiltInFileControls + i);
      EXPECT_EQ(c->type(), i <= 20 ? 1 : i == 23 ? 4 : 3);
      EXPECT_EQ(c->TextProperty(L"Tag"), Tag(i));
      EXPECT_TRUE(c->temporary());
      EXPECT_EQ(c->id(), 1);
      if (i < commands.size()) {
        const size_t open = commands[i].rfind(L'(');
        EXPECT_EQ(c->TextProperty(L"Caption"), commands[i].substr(0, open));
        EXPECT_EQ(c->TextProperty(L"OnAction"), commands[i].substr(open + 1, commands[i].size() - open - 2));
      } else {
        EXPECT_EQ(c->TextProperty(L"Caption"), L"XLL API кнопок");
        EXPECT_EQ(c->TextProperty(L"OnAction"), L"");
      }
      EXPECT_EQ(c->TextProperty(L"TooltipText"), TextOf(table[i][kMenuTooltip]));
      if (i <= 20) EXPECT_EQ(c->NumberProperty(L"FaceId"), kFaceIds[i]);
    }
    CommandBarControl* mode_list = main->At(kBuiltInFileControls + 21);
    EXPECT_EQ(mode_list->entries(), (std::vector<std::wstring>{L"Test", L"User", L"Fast"}));
    EXPECT_EQ(mode_list->NumberProperty(L"ListIndex"), mode);
    CommandBarControl* language = main->At(kBuiltInFileControls + 22);
    EXPECT_EQ(language->entries(), (std::vector<std::wstring>{L"EN", L"RU"}));
    EXPECT_EQ(language->NumberProperty(L"ListIndex"), commands[0] == L"XLL Help(XLLbuttonHelp)" ? 1 : 2);
    CommandBarControl* list = main->At(kBuiltInFileControls + 23);
    EXPECT_EQ(list->entries(), commands);
    EXPECT_EQ(list->NumberProperty(L"ListIndex"), 1);

    for (const wchar_t* bar : {L"Cell", L"Row", L"Column"}) {
      SCOPED_TRACE(bar);
      CommandBarControls* menu = Bar(w, bar);
      ASSERT_EQ(menu->size(), kBuiltInContextControls + 1);
      CommandBarControl* popup = menu->At(0);
      EXPECT_EQ(popup->type(), 10);
      EXPECT_EQ(popup->TextProperty(L"Caption"), L"XLL");
      EXPECT_EQ(popup->TextProperty(L"Tag"), L"tagXLLbutton24");
      EXPECT_TRUE(popup->temporary());
      EXPECT_EQ(menu->At(1)->TextProperty(L"Caption"), L"Cu&t");
      ASSERT_EQ(popup->controls()->size(), ContextRows().size());
      for (size_t k = 0; k < ContextRows().size(); ++k) {
        const size_t row = ContextRows()[k];
        SCOPED_TRACE(row);
        CommandBarControl* c = popup->controls()->At(k);
        const size_t open = commands[row].rfind(L'(');
        EXPECT_EQ(c->type(), 1);
        EXPECT_EQ(c->TextProperty(L"Tag"), Tag(row));
        EXPECT_EQ(c->TextProperty(L"Caption"), commands[row].substr(0, open));
        EXPECT_EQ(c->TextProperty(L"OnAction"), commands[row].substr(open + 1, commands[row].size() - open - 2));
        EXPECT_EQ(c->NumberProperty(L"FaceId"), kFaceIds[row]);
        EXPECT_TRUE(c->temporary());
      }
    }
  }
  size_t Invoked(const wchar_t* member) {
    size_t n = 0;
    for (const SeenInvoke& i : host.model().invokes()) n += i.member == member;
    return n;
  }
  long long built() { return StartupCounters[kMenusBuilt]; }
};

TEST_F(MenuBuilderTest, OneWindowControlByControl) {
  HostObject* start = app()->active_window();
  EXPECT_EQ(BuildMenus(), 0);
  CheckWindow(WindowAt(0), RussianCommandList(), *addin.ActiveMenuTable);
  EXPECT_EQ(built(), 1);
  EXPECT_EQ(app()->active_window(), start);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(TableCommandList(*addin.ActiveMenuTable), RussianCommandList());
  // The other table gets its entries only when it is built from.
  EXPECT_TRUE(TableCommandList(*addin.OtherMenuTable).empty());
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

TEST_F(MenuBuilderTest, ControlsAreAddedAsTemporaryAfterTheParentsLastControl) {
  EXPECT_EQ(BuildMenus(), 0);
  // The first Add into the File menu: Type 1, Id 1, an empty Parameter, Before = Count + 1, Temporary 1.
  for (const SeenInvoke& i : host.model().invokes()) {
    if (i.member != L"Add" || i.args.size() != 5 || i.args[0].text != L"1" || i.args[3].text != L"4") continue;
    EXPECT_EQ(i.args[1].vt, VT_I4);
    EXPECT_EQ(i.args[1].text, L"1");
    EXPECT_EQ(i.args[2].vt, VT_BSTR);
    EXPECT_EQ(i.args[2].text, L"");
    EXPECT_EQ(i.args[4].text, L"1");
    return;
  }
  ADD_FAILURE() << "no Add before the fourth control of a bar";
}

TEST_F(MenuBuilderTest, ThreeWindowsEachBuiltOnceAndTheStartWindowActiveAgain) {
  Windows(3);
  Activate(1);
  EXPECT_EQ(BuildMenus(), 0);
  for (size_t w = 0; w < 3; ++w) {
    SCOPED_TRACE(w);
    CheckWindow(WindowAt(w), RussianCommandList(), *addin.ActiveMenuTable);
  }
  EXPECT_EQ(app()->active_window(), WindowAt(1));
  EXPECT_EQ(built(), 1);
  EXPECT_EQ(TableCommandList(*addin.ActiveMenuTable), RussianCommandList());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(MenuBuilderTest, SecondBuildFindsTheMarkAndChangesNothing) {
  Windows(2);
  ASSERT_EQ(BuildMenus(), 0);
  host.model().ClearInvokes();
  EXPECT_EQ(BuildMenus(), -1);
  EXPECT_EQ(Invoked(L"FindControl"), 1u);
  EXPECT_EQ(Invoked(L"Add"), 0u);
  EXPECT_TRUE(Whole(WindowAt(0)));
  EXPECT_TRUE(Whole(WindowAt(1)));
  EXPECT_EQ(TableCommandList(*addin.ActiveMenuTable).size(), 23u);
  EXPECT_EQ(built(), 1);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(MenuBuilderTest, WithoutTheApplicationOnlyTheBoxIsShown) {
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  EXPECT_EQ(BuildMenus(), -1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"Error HwndExcel: ");
  EXPECT_EQ(boxes()[0].caption, std::wstring(ProductTitle));
  EXPECT_EQ(boxes()[0].type, 0x40010u);
  EXPECT_EQ(boxes()[0].owner, host.windows().main());
  EXPECT_TRUE(Untouched(WindowAt(0)));
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_EQ(built(), 0);
  EXPECT_TRUE(TableCommandList(*addin.ActiveMenuTable).empty());
}

TEST_F(MenuBuilderTest, OnlyANewWindowIsBuilt) {
  Windows(2);
  ASSERT_EQ(BuildMenus(), 0);
  AddWindow(L"Book3");
  Activate(2);  // an opened workbook's window is the active one
  host.model().ClearInvokes();
  EXPECT_EQ(BuildMenus(), 0);
  EXPECT_EQ(Invoked(L"Add"), 24u + 3u + 33u);
  for (size_t w = 0; w < 3; ++w) EXPECT_TRUE(Whole(WindowAt(w))) << w;
  CheckWindow(WindowAt(2), RussianCommandList(), *addin.ActiveMenuTable);
  EXPECT_EQ(built(), 2);
  EXPECT_EQ(app()->active_window(), WindowAt(2));
}

TEST_F(MenuBuilderTest, AfterALanguageSwapNewWindowsTakeTheOtherTableAndRemovalFindsAll) {
  ASSERT_EQ(BuildMenus(), 0);
  addin.SwapMenuTables();
  AddWindow(L"Book2");
  Activate(1);
  EXPECT_EQ(BuildMenus(), 0);
  CheckWindow(WindowAt(1), EnglishCommandList(), *addin.ActiveMenuTable);
  // The old window keeps the language it was built in.
  CheckWindow(WindowAt(0), RussianCommandList(), *addin.OtherMenuTable);
  const std::vector<std::wstring> english = TableCommandList(*addin.ActiveMenuTable);
  ASSERT_EQ(english.size(), 23u);
  EXPECT_EQ(english[0], L"XLL Help(XLLbuttonHelp)");
  EXPECT_EQ(english[1], L"XLL Transpose(XLLbuttonTranspose)");
  EXPECT_EQ(english[2], L"XLL Поиск слагаемых(XLLbuttonFindSummands)");
  EXPECT_EQ(english[22], L"XLL Язык меню(XLLbuttonMenuLanguag)");

  EXPECT_EQ(RemoveMenus(), 0);
  EXPECT_TRUE(Untouched(WindowAt(0)));
  EXPECT_TRUE(Untouched(WindowAt(1)));
  EXPECT_EQ(app()->active_window(), WindowAt(1));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(MenuBuilderTest, RemovalDeletesEveryControlWhetherFoundControlsAreASnapshotOrLive) {
  for (bool live : {false, true}) {
    SCOPED_TRACE(live ? "live" : "snapshot");
    Fresh();
    Windows(3);
    ASSERT_EQ(BuildMenus(), 0);
    host.model().set_found_controls_live(live);
    EXPECT_EQ(RemoveMenus(), 0);
    for (size_t w = 0; w < 3; ++w) EXPECT_TRUE(Untouched(WindowAt(w))) << w;
    EXPECT_EQ(app()->active_window(), WindowAt(0));
    EXPECT_TRUE(boxes().empty());
    // A build after the removal puts everything back.
    EXPECT_EQ(BuildMenus(), 0);
    for (size_t w = 0; w < 3; ++w) EXPECT_TRUE(Whole(WindowAt(w))) << w;
  }
}

// Why the removal deletes from the last index down: a live collection closes up behind each deletion, so
// counting up skips every other control and then runs past the end.
TEST_F(MenuBuilderTest, LiveFoundControlsCloseUpBehindEachDeletion) {
  ASSERT_EQ(BuildMenus(), 0);
  host.model().set_found_controls_live(true);
  VARIANT found;
  VariantInit(&found);
  ASSERT_EQ(addin.AutoWrapX(L"CommandBars.FindControls", nullptr, 0, &found, true, nullptr, 3, VI4(1), VI4(0),
                            VText(L"tagXLLbutton1")),
            0);
  VARIANT count;
  VariantInit(&count);
  ASSERT_EQ(addin.AutoWrapX(L"Count", &found, 0, &count, true, nullptr, 0), 0);
  EXPECT_EQ(TextOf(count), L"4");  // the main menu's and one in each popup
  int deleted = 0;
  for (LONG k = 1; k <= 4; ++k) {
    VARIANT item;
    VariantInit(&item);
    if (addin.AutoWrapX(L"Item", &found, 0, &item, true, nullptr, 1, VI4(k)) != 0) break;
    EXPECT_EQ(addin.AutoWrapX(L"Delete", &item, 0, nullptr, true, nullptr, 0), 0);
    ++deleted;
    VariantClear(&item);
  }
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(TaggedCount(WindowAt(0), L"tagXLLbutton1"), 2u);
  VariantClear(&found);
}

// Every call of a one-window build fails once, in turn. With two windows, the calls that the first window
// does not show fail too: the step to the second window, its presence test and the start of its build, the
// end of its build and the steps back to the first window.
TEST_F(MenuBuilderTest, AFailureAtAnyBuildCallLeavesEachWindowWholeOrUntouched) {
  ASSERT_EQ(BuildMenus(), 0);
  const size_t one_window = host.model().invokes().size();
  Fresh();
  Windows(2);
  ASSERT_EQ(BuildMenus(), 0);
  const size_t two_windows = host.model().invokes().size();
  ASSERT_GT(one_window, kControlsPerWindow);
  ASSERT_EQ(two_windows, 2 * one_window - 2);  // one presence test before the walk, then per window

  struct Run {
    size_t windows, first, last;
  };
  Fresh();
  for (const Run run : {Run{1, 0, one_window}, Run{2, one_window - 2, one_window + 40},
                        Run{2, two_windows - 12, two_windows}}) {
    for (size_t n = run.first; n < run.last; ++n) {
      SCOPED_TRACE(testing::Message() << run.windows << " windows, call " << n);
      if (window_count() != run.windows) {
        Fresh();
        Windows(run.windows);
      }
      Clean();
      ASSERT_TRUE(Untouched(WindowAt(0)));
      host.model().Fail(MemberFailure::AnyCallAfter(static_cast<int>(n)));
      ASSERT_EQ(BuildMenus(), -1);
      for (size_t w = 0; w < run.windows; ++w)
        ASSERT_TRUE(Whole(WindowAt(w)) || Untouched(WindowAt(w))) << "window " << w << " half-built";
      EXPECT_EQ(built(), 0);
      // Later builds, each started where a window is missing its menus, complete every window exactly once.
      host.model().ClearFailures();
      for (size_t w = 0; w < run.windows; ++w) {
        if (Whole(WindowAt(w))) continue;
        Activate(w);
        EXPECT_EQ(BuildMenus(), 0);
      }
      for (size_t w = 0; w < run.windows; ++w) ASSERT_TRUE(Whole(WindowAt(w))) << "window " << w;
      ASSERT_EQ(TableCommandList(*addin.ActiveMenuTable), RussianCommandList());
    }
  }
}

TEST_F(MenuBuilderTest, AFailedHandleRequestStopsTheWalk) {
  Windows(2);
  ASSERT_EQ(BuildMenus(), 0);
  const size_t requests = host.api().CallsOf(xlGetHwnd).size();
  ASSERT_EQ(requests, 3u);  // the start, then one after each window step
  for (size_t failing = 1; failing <= requests; ++failing) {
    SCOPED_TRACE(failing);
    Fresh();
    Windows(2);
    size_t seen = 0;
    host.api().SetHandler(xlGetHwnd, [&](int, XLOPER12**, XLOPER12* result) {
      if (++seen == failing) return xlretFailed;
      result->xltype = xltypeInt;
      result->val.w = static_cast<int>(reinterpret_cast<INT_PTR>(host.windows().main()));
      return xlretSuccess;
    });
    EXPECT_EQ(BuildMenus(), -1);
    ASSERT_FALSE(boxes().empty());
    EXPECT_EQ(boxes()[0].text, L"Excel12X>ERROR:32>Function:16392");
    for (size_t w = 0; w < 2; ++w) EXPECT_TRUE(Whole(WindowAt(w)) || Untouched(WindowAt(w))) << w;
    EXPECT_EQ(built(), 0);
    EXPECT_EQ(host.api().outstanding(), 0u);
  }
}

TEST_F(MenuBuilderTest, AWalkThatNeverComesBackToTheStartWindowEnds) {
  Windows(3);
  app()->set_activate_next_skips(WindowAt(0));
  EXPECT_EQ(BuildMenus(), -1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, kWalkLost);
  EXPECT_EQ(boxes()[0].type, 0x40010u);
  for (size_t w = 0; w < 3; ++w) EXPECT_TRUE(Whole(WindowAt(w))) << w;
  EXPECT_EQ(built(), 0);

  // The build stopped in the second window, from which the host's order does lead back; from the first
  // window it does not.
  Activate(0);
  EXPECT_EQ(RemoveMenus(), -1);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text, kWalkLost);
}

TEST_F(MenuBuilderTest, RemovalStopsAtAFailedCall) {
  Windows(2);
  ASSERT_EQ(BuildMenus(), 0);
  MemberFailure f{L"CommandBarControl", L"Delete", 0, E_FAIL, 1};
  f.after = 3;
  host.model().Fail(f);
  EXPECT_EQ(RemoveMenus(), -1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:Delete");
  // The rows before the failure are gone, the rest stays; the next removal takes it.
  EXPECT_EQ(TaggedCount(WindowAt(0), Tag(0)), 0u);
  EXPECT_EQ(TaggedCount(WindowAt(0), Tag(1)), 2u);
  EXPECT_EQ(RemoveMenus(), 0);
  EXPECT_TRUE(Untouched(WindowAt(0)));
  EXPECT_TRUE(Untouched(WindowAt(1)));
}

// Kinds that the tables do not use yet: an edit box takes its Text and no FaceId, and a popup row takes its
// sub-controls at the top of the popup, so they appear in reverse order; their commands join the list.
TEST_F(MenuBuilderTest, EditBoxAndPopupRowsWithSubControls) {
  MenuTable& table = *addin.ActiveMenuTable;
  table[11][kMenuKind] = OwnedVariant::I4(2);
  table[11][kMenuFaceId] = OwnedVariant::I4(500);
  table[11].resize(8);
  table[11][kMenuText] = OwnedVariant::Text(L"typed");
  MenuRow& popup = table[2];
  popup[kMenuKind] = OwnedVariant::I4(10);
  popup.resize(kMenuFirstEntry);
  for (const auto& [caption, action, face] : {std::tuple{L"First", L"XLLbuttonSheets", 11},
                                              std::tuple{L"Second", L"", 22},
                                              std::tuple{L"Third", L"XLLbuttonLinks", 33}}) {
    popup.push_back(OwnedVariant::I4(1));
    popup.push_back(OwnedVariant::Text(caption));
    popup.push_back(OwnedVariant::Text(action));
    popup.push_back(OwnedVariant::Text(L"tip"));
    popup.push_back(OwnedVariant::I4(face));
  }

  EXPECT_EQ(BuildMenus(), 0);
  CommandBarControls* main = MainMenu(WindowAt(0));
  CommandBarControl* edit = main->At(kBuiltInFileControls + 11);
  EXPECT_EQ(edit->type(), 2);
  EXPECT_EQ(edit->TextProperty(L"Text"), L"typed");
  CommandBarControl* sub = main->At(kBuiltInFileControls + 2);
  ASSERT_EQ(sub->type(), 10);
  ASSERT_EQ(sub->controls()->size(), 3u);
  EXPECT_EQ(sub->controls()->At(0)->TextProperty(L"Caption"), L"Third");
  EXPECT_EQ(sub->controls()->At(0)->NumberProperty(L"FaceId"), 33);
  EXPECT_EQ(sub->controls()->At(2)->TextProperty(L"Caption"), L"First");
  EXPECT_EQ(sub->controls()->At(0)->TextProperty(L"Tag"), L"");
  const std::vector<std::wstring> list = TableCommandList(table);
  ASSERT_EQ(list.size(), 25u);
  EXPECT_EQ(list[2], L"XLL Поиск слагаемых(XLLbuttonFindSummands)");
  EXPECT_EQ(list[3], L"First(XLLbuttonSheets)");
  EXPECT_EQ(list[4], L"Third(XLLbuttonLinks)");
  EXPECT_EQ(RemoveMenus(), 0);
  EXPECT_TRUE(Untouched(WindowAt(0)));
}

}  // namespace
}  // namespace korvel::test
