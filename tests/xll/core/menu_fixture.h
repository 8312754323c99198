// What the menu tests share: windows of the stand-in host, their command bars, and the controls that the
// add-in put there, read back from the host's side.
#pragma once

#include <algorithm>
#include <ctime>

#include "add_in.h"
#include "menus/menu_builder.h"
#include "startup/load_state.h"

namespace korvel::test {

// The Russian command list, written out from the product's menu description: one entry per command.
inline const std::vector<std::wstring>& RussianCommandList() {
  static const std::vector<std::wstring> list{
      L"XLL Справка(XLLbuttonHelp)",
      L"XLL Транспонировать(XLLbuttonTranspose)",
      L"XLL Поиск слагаемых(XLLbuttonFindSummands)",
      L"XLL Формат ячейки 000(XLLbuttonFormatCells000)",
      L"XLL Увеличить разрядность(XLLbuttonIncreaseDecimal)",
      L"XLL Уменьшить разрядность(XLLbuttonDecreaseDecimal)",
      L"XLL Влияющие(XLLbuttonTracePrecedents)",
      L"XLL Зависимые(XLLbuttonTraceDependents)",
      L"XLL Убрать(XLLbuttonRemoveArrows)",
      L"XLL Текст в число(XLLbuttonTextToNumber)",
      L"XLL Текст+пробел в число(XLLbuttonTextSpaseToNumber)",
      L"XLL Form(XLLbuttonForm)",
      L"XLL Выделить дубликаты(XLLbuttonDuplicateValues)",
      L"XLL Условный формат в обычный(XLLbuttonConditionalFormatToFormat)",
      L"XLL Условный ф. в о. все листы(XLLbuttonConditionalFormatToFormatAllSheets)",
      L"XLL Листы(XLLbuttonSheets)",
      L"XLL Ошибки(XLLbuttonErrors)",
      L"XLL Ссылки(XLLbuttonLinks)",
      L"XLL Показать скрытые имена(XLLbuttonVisibleHiddenName)",
      L"XLL Удалить ошибочные имена(XLLbuttonDeleteErrorName)",
      L"XLL Разорвать связи на ЛИСТЕ(XLLbuttonBreakLinksSheet)",
      L"XLL Режим работы(XLLbuttonOperatingModeXLL)",
      L"XLL Язык меню(XLLbuttonMenuLanguag)",
  };
  return list;
}

// The English list differs in the first two entries only.
inline std::vector<std::wstring> EnglishCommandList() {
  std::vector<std::wstring> list = RussianCommandList();
  list[0] = L"XLL Help(XLLbuttonHelp)";
  list[1] = L"XLL Transpose(XLLbuttonTranspose)";
  return list;
}

// Rows that go into the context popups, in row order.
inline const std::vector<size_t>& ContextRows() {
  static const std::vector<size_t> rows{1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13};
  return rows;
}

// What the menus of one window hold: 24 main-menu controls, 3 popups, 11 buttons in each popup.
constexpr size_t kControlsPerWindow = 24 + 3 + 3 * 11;

// The built-in controls that each bar holds before the add-in adds anything.
constexpr size_t kBuiltInFileControls = 3;
constexpr size_t kBuiltInContextControls = 3;

class MenuTest : public AddInTest {
 protected:
  // A fresh host and add-in core, as every case starts, for cases that loop over whole runs.
  void Fresh() {
    korvel::xll::RestoreLoadState();
    host.Reset();
    *addin.pExcelDisp = app();
    app()->AddRef();
  }
  // Back to the load state with the same host windows, the add-in's controls taken out on the host's side
  // (making and destroying windows is slow under Wine).
  void Clean() {
    for (size_t w = 0; w < window_count(); ++w) {
      std::vector<CommandBarControl*> tagged = WindowAt(w)->command_bars()->Tagged();
      // Controls inside a popup come after it: the last ones go first, so no pointer outlives its control.
      for (auto it = tagged.rbegin(); it != tagged.rend(); ++it)
        if ((*it)->parent()) (*it)->parent()->Remove(*it);
    }
    korvel::xll::RestoreLoadState();
    *addin.pExcelDisp = app();
    app()->AddRef();
    Activate(0);
    host.model().ClearFailures();
    host.model().ClearInvokes();
    host.ui().Reset();
    host.api().ClearCalls();
  }
  Window* AddWindow(const std::wstring& book) {
    return static_cast<Window*>(app()->AddWindow(app()->AddWorkbook(book)));
  }
  // The host with `count` windows; the first one is active.
  void Windows(size_t count) {
    for (size_t i = app()->windows()->size(); i < count; ++i) AddWindow(L"Book" + std::to_wstring(i + 1));
  }
  Window* WindowAt(size_t i) { return dynamic_cast<Window*>(app()->windows()->At(i)); }
  size_t window_count() { return app()->windows()->size(); }
  void Activate(size_t i) { app()->set_active_window(WindowAt(i)); }

  static CommandBarControls* MainMenu(Window* w) {
    return w->command_bars()->ControlsOf(L"Worksheet Menu Bar")->At(0)->controls();
  }
  static CommandBarControls* Bar(Window* w, const wchar_t* name) { return w->command_bars()->ControlsOf(name); }
  static size_t TaggedCount(Window* w) { return w->command_bars()->Tagged().size(); }
  static size_t TaggedCount(Window* w, const std::wstring& tag) {
    size_t n = 0;
    for (CommandBarControl* c : w->command_bars()->Tagged()) n += c->TextProperty(L"Tag") == tag;
    return n;
  }

  // The mode list of a window's main menu, or null.
  static CommandBarControl* ModeList(Window* w) {
    const std::vector<CommandBarControl*> found = w->command_bars()->Find(3, 0, L"tagXLLbutton21");
    return found.empty() ? nullptr : found.front();
  }

  // A window is whole (every control once, in place) or holds nothing of the add-in.
  static bool Whole(Window* w) {
    if (TaggedCount(w) != kControlsPerWindow) return false;
    for (size_t i = 0; i < 24; ++i) {
      const bool in_popups = std::count(ContextRows().begin(), ContextRows().end(), i) > 0;
      if (TaggedCount(w, L"tagXLLbutton" + std::to_wstring(i)) != (in_popups ? 4u : 1u)) return false;
    }
    return TaggedCount(w, L"tagXLLbutton24") == 3 &&
           MainMenu(w)->size() == kBuiltInFileControls + 24 && Bar(w, L"Cell")->size() == kBuiltInContextControls + 1;
  }
  static bool Untouched(Window* w) {
    return TaggedCount(w) == 0 && MainMenu(w)->size() == kBuiltInFileControls &&
           Bar(w, L"Cell")->size() == kBuiltInContextControls && Bar(w, L"Row")->size() == kBuiltInContextControls &&
           Bar(w, L"Column")->size() == kBuiltInContextControls;
  }

  // The command-list entries that the active table holds.
  static std::vector<std::wstring> TableCommandList(const MenuTable& t) {
    std::vector<std::wstring> out;
    const MenuRow& row = t[t.size() - 2];
    for (size_t k = kMenuFirstEntry; k < row.size(); ++k) out.push_back(TextOf(row[k]));
    return out;
  }

  // The stand-in's interface language, which LanguageSettings.LanguageID gives.
  void SetInterfaceLanguage(LONG id) {
    VARIANT settings;
    VariantInit(&settings);
    ASSERT_EQ(addin.AutoWrapX(L"LanguageSettings", nullptr, 0, &settings, true, nullptr, 0), 0);
    ASSERT_EQ(settings.vt, VT_DISPATCH);
    static_cast<HostObject*>(settings.pdispVal)->Value(L"InterfaceLanguage") = OwnedVariant::I4(id);
    VariantClear(&settings);
    host.model().ClearInvokes();
  }
};

}  // namespace korvel::test
