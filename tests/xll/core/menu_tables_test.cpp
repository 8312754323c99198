// The Russian and English menu tables built at load, and their exchange.
#include "add_in.h"
#include "menu_tooltips.h"

namespace korvel::test {
namespace {

class MenuTablesTest : public AddInTest {};

struct Button {
  int main, context;
  const wchar_t* caption;
  const wchar_t* command;
  int face_id;
};

// Expected rows written out from the product's menu description, independently of the code that builds them.
const Button kRussianButtons[21] = {
    {1, 0, L"XLL Справка", L"XLLbuttonHelp", 49},
    {1, 1, L"XLL Транспонировать", L"XLLbuttonTranspose", 1545},
    {1, 0, L"XLL Поиск слагаемых", L"XLLbuttonFindSummands", 4207},
    {1, 1, L"XLL Формат ячейки 000", L"XLLbuttonFormatCells000", 397},
    {1, 1, L"XLL Увеличить разрядность", L"XLLbuttonIncreaseDecimal", 398},
    {1, 1, L"XLL Уменьшить разрядность", L"XLLbuttonDecreaseDecimal", 399},
    {1, 1, L"XLL Влияющие", L"XLLbuttonTracePrecedents", 486},
    {1, 1, L"XLL Зависимые", L"XLLbuttonTraceDependents", 451},
    {1, 1, L"XLL Убрать", L"XLLbuttonRemoveArrows", 453},
    {1, 1, L"XLL Текст в число", L"XLLbuttonTextToNumber", 387},
    {1, 1, L"XLL Текст+пробел в число", L"XLLbuttonTextSpaseToNumber", 387},
    {1, 0, L"XLL Form", L"XLLbuttonForm", 500},
    {1, 1, L"XLL Выделить дубликаты", L"XLLbuttonDuplicateValues", 6862},
    {1, 1, L"XLL Условный формат в обычный", L"XLLbuttonConditionalFormatToFormat", 11171},
    {1, 0, L"XLL Условный ф. в о. все листы", L"XLLbuttonConditionalFormatToFormatAllSheets", 11171},
    {1, 0, L"XLL Листы", L"XLLbuttonSheets", 2285},
    {1, 0, L"XLL Ошибки", L"XLLbuttonErrors", 19044},
    {1, 0, L"XLL Ссылки", L"XLLbuttonLinks", 13213},
    {1, 0, L"XLL Показать скрытые имена", L"XLLbuttonVisibleHiddenName", 3733},
    {1, 0, L"XLL Удалить ошибочные имена", L"XLLbuttonDeleteErrorName", 3734},
    {1, 0, L"XLL Разорвать связи на ЛИСТЕ", L"XLLbuttonBreakLinksSheet", 2309},
};

std::wstring Text(const MenuRow& row, size_t position) {
  EXPECT_LT(position, row.size());
  if (position >= row.size()) return L"";
  EXPECT_EQ(row[position].vt, VT_BSTR) << position;
  return row[position].vt == VT_BSTR ? std::wstring(row[position].bstrVal, SysStringLen(row[position].bstrVal)) : L"";
}

LONG Number(const MenuRow& row, size_t position) {
  EXPECT_LT(position, row.size());
  if (position >= row.size()) return -999;
  EXPECT_EQ(row[position].vt, VT_I4) << position;
  return row[position].lVal;
}

void CheckTable(const MenuTable& t, bool english) {
  ASSERT_EQ(t.size(), 25u);
  for (size_t i = 0; i < 21; ++i) {
    SCOPED_TRACE(i);
    const Button& b = kRussianButtons[i];
    ASSERT_EQ(t[i].size(), 7u);
    EXPECT_EQ(Number(t[i], 0), b.main);
    EXPECT_EQ(Number(t[i], 1), b.context);
    EXPECT_EQ(Number(t[i], 2), 1);
    std::wstring caption = b.caption;
    if (english && i == 0) caption = L"XLL Help";
    if (english && i == 1) caption = L"XLL Transpose";
    EXPECT_EQ(Text(t[i], 3), caption);
    EXPECT_EQ(Text(t[i], 4), b.command);
    EXPECT_EQ(Text(t[i], 5), TooltipOfRow(i, english));
    EXPECT_EQ(Number(t[i], 6), b.face_id);
  }
  EXPECT_EQ(Text(t[0], 5), english ? L"About XLL" : L"О Продукте");
  EXPECT_EQ(Text(t[1], 5), english ? L"Transpose" : L"Транспонирование на месте");
  EXPECT_EQ(Text(t[9], 5), L"Конвертировать число сохраненное как текст в число, в выделенном диапазоне или на всем "
                           L"листе (в случае, если выделена одна ячейка)");

  const MenuRow& mode = t[21];
  ASSERT_EQ(mode.size(), 12u);
  EXPECT_EQ(Number(mode, 2), 3);
  EXPECT_EQ(Text(mode, 3), L"XLL Режим работы");
  EXPECT_EQ(Text(mode, 4), L"XLLbuttonOperatingModeXLL");
  EXPECT_EQ(Text(mode, 5), TooltipOfRow(21, english));
  EXPECT_EQ(Number(mode, 6), 0);
  EXPECT_EQ(Text(mode, 7), L"");
  EXPECT_EQ(Number(mode, 8), 2);
  EXPECT_EQ(Text(mode, 9), L"Test");
  EXPECT_EQ(Text(mode, 10), L"User");
  EXPECT_EQ(Text(mode, 11), L"Fast");

  const MenuRow& language = t[22];
  ASSERT_EQ(language.size(), 11u);
  EXPECT_EQ(Number(language, 2), 3);
  EXPECT_EQ(Text(language, 3), L"XLL Язык меню");
  EXPECT_EQ(Text(language, 4), L"XLLbuttonMenuLanguag");
  EXPECT_EQ(Text(language, 5), L"Язык основного меню и контекстного меню");
  // Each table selects its own language.
  EXPECT_EQ(Text(language, 8 + Number(language, 8)), english ? L"EN" : L"RU");

  const MenuRow& commands = t[23];
  ASSERT_EQ(commands.size(), 9u);
  EXPECT_EQ(Number(commands, 2), 4);
  EXPECT_EQ(Text(commands, 3), L"XLL API кнопок");
  EXPECT_EQ(Text(commands, 4), L"");
  EXPECT_EQ(Text(commands, 5), L"XLL Button API (имя кнопки (имя команды))");
  EXPECT_EQ(Number(commands, 8), 1);

  const MenuRow& popup = t[24];
  ASSERT_EQ(popup.size(), 6u);
  EXPECT_EQ(Number(popup, 0), 0);
  EXPECT_EQ(Number(popup, 1), 0);
  EXPECT_EQ(Number(popup, 2), 10);
  EXPECT_EQ(Text(popup, 3), L"XLL");
  EXPECT_EQ(Text(popup, 4), L"");
  EXPECT_EQ(Text(popup, 5), L"XLL Новые команды контекстного меню");

  // Main menu only, both menus, neither.
  std::vector<size_t> main_only, both, neither;
  int with_command = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const bool m = Number(t[i], 0) > 0, c = Number(t[i], 1) > 0;
    (m && c ? both : m ? main_only : neither).push_back(i);
    with_command += !Text(t[i], 4).empty();
  }
  EXPECT_EQ(main_only, (std::vector<size_t>{0, 2, 11, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}));
  EXPECT_EQ(both, (std::vector<size_t>{1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}));
  EXPECT_EQ(neither, (std::vector<size_t>{24}));
  EXPECT_EQ(with_command, 23);
}

TEST_F(MenuTablesTest, BothTablesAreBuiltAtLoad) {
  ASSERT_NE(addin.ActiveMenuTable, nullptr);
  ASSERT_NE(addin.OtherMenuTable, nullptr);
  {
    SCOPED_TRACE("Russian");
    CheckTable(*addin.ActiveMenuTable, false);
  }
  {
    SCOPED_TRACE("English");
    CheckTable(*addin.OtherMenuTable, true);
  }
}

TEST_F(MenuTablesTest, ExchangeMovesWholeTablesWithoutCopyingARow) {
  std::vector<const OwnedVariant*> active_rows, other_rows;
  for (const MenuRow& r : *addin.ActiveMenuTable) active_rows.push_back(r.data());
  for (const MenuRow& r : *addin.OtherMenuTable) other_rows.push_back(r.data());
  const BSTR active_caption = (*addin.ActiveMenuTable)[0][3].bstrVal;

  addin.SwapMenuTables();
  EXPECT_EQ(Text((*addin.ActiveMenuTable)[0], 3), L"XLL Help");
  EXPECT_EQ(Text((*addin.OtherMenuTable)[0], 3), L"XLL Справка");
  for (size_t i = 0; i < 25; ++i) {
    EXPECT_EQ((*addin.ActiveMenuTable)[i].data(), other_rows[i]);
    EXPECT_EQ((*addin.OtherMenuTable)[i].data(), active_rows[i]);
  }
  EXPECT_EQ((*addin.OtherMenuTable)[0][3].bstrVal, active_caption);

  // A change to the active table's mode row stays in that table.
  (*addin.ActiveMenuTable)[21][8] = OwnedVariant::I4(3);
  addin.SwapMenuTables();
  EXPECT_EQ(Number((*addin.OtherMenuTable)[21], 8), 3);
  EXPECT_EQ(Number((*addin.ActiveMenuTable)[21], 8), 2);
  CheckTable(*addin.ActiveMenuTable, false);
}

}  // namespace
}  // namespace korvel::test
