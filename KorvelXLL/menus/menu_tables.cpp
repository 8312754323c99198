#include "menus/menu_tables.h"

#include <cwchar>

#include "host/host_state.h"

namespace korvel::xll {
namespace {

struct ButtonText {
  LONG main;
  LONG context;
  const wchar_t* caption;
  const wchar_t* command;
  const wchar_t* tooltip;
  LONG face_id;
};

// Rows 0 to 20 of the Russian table; the English table differs only in the captions and tooltips of the
// first two rows.
const ButtonText kButtons[] = {
    {1, 0, L"XLL Справка", L"XLLbuttonHelp", L"О Продукте", 49},
    {1, 1, L"XLL Транспонировать", L"XLLbuttonTranspose", L"Транспонирование на месте", 1545},
    {1, 0, L"XLL Поиск слагаемых", L"XLLbuttonFindSummands", L"Поиск слагаемых для заданной суммы", 4207},
    {1, 1, L"XLL Формат ячейки 000", L"XLLbuttonFormatCells000", L"Формат 'Числовой' с разделителями групп разрядов", 397},
    {1, 1, L"XLL Увеличить разрядность", L"XLLbuttonIncreaseDecimal", L"Увеличить разрядность", 398},
    {1, 1, L"XLL Уменьшить разрядность", L"XLLbuttonDecreaseDecimal", L"Уменьшить разрядность", 399},
    {1, 1, L"XLL Влияющие", L"XLLbuttonTracePrecedents", L"Влияющие ячейки (на выделенный массив)", 486},
    {1, 1, L"XLL Зависимые", L"XLLbuttonTraceDependents", L"Зависимые ячейки (от выделенного массива)", 451},
    {1, 1, L"XLL Убрать", L"XLLbuttonRemoveArrows", L"Убрать все стрелки", 453},
    {1, 1, L"XLL Текст в число", L"XLLbuttonTextToNumber",
     L"Конвертировать число сохраненное как текст в число, в выделенном диапазоне или на всем листе (в случае, если "
     L"выделена одна ячейка)",
     387},
    {1, 1, L"XLL Текст+пробел в число", L"XLLbuttonTextSpaseToNumber",
     L"Конвертировать число сохраненное как текст с пробелом, мягким переносом в число, в выделенном диапазоне или на "
     L"всем листе (в случае, если выделена одна ячейка). Медленее, чем вариант без пробелов.",
     387},
    {1, 0, L"XLL Form", L"XLLbuttonForm", L"Настраиваемая форма", 500},
    {1, 1, L"XLL Выделить дубликаты", L"XLLbuttonDuplicateValues",
     L"Выделить разным цветом группы дубликатов в выделенном диапазоне или на всем листе (в случае, если выделена одна "
     L"ячейка). Дубликаты внутри группы выделяются одинаковым цветом. Цвета уникальные для каждой группы.",
     6862},
    {1, 1, L"XLL Условный формат в обычный", L"XLLbuttonConditionalFormatToFormat",
     L"Перевести условное форматирование в обычный формат ячейки в выделенном диапазоне или на всем листе (в случае, "
     L"если выделена одна ячейка)",
     11171},
    {1, 0, L"XLL Условный ф. в о. все листы", L"XLLbuttonConditionalFormatToFormatAllSheets",
     L"Перевести условное форматирование в обычный формат на всех листах текущей книги (листы, защищенные паролем - не "
     L"обрабатываются)",
     11171},
    {1, 0, L"XLL Листы", L"XLLbuttonSheets",
     L"Вывести на новый лист список всех листов текущей книги (с гиперссылкой)", 2285},
    {1, 0, L"XLL Ошибки", L"XLLbuttonErrors",
     L"Вывести на новый лист список всех ячеек текущей книги, содержащих ошибку (с гиперссылкой)", 19044},
    {1, 0, L"XLL Ссылки", L"XLLbuttonLinks",
     L"Вывести на новый лист список всех ячеек текущей книги, содержащих ссылку на другую книгу(с гиперссылкой)", 13213},
    {1, 0, L"XLL Показать скрытые имена", L"XLLbuttonVisibleHiddenName",
     L"Показать скрытые имена (отобразить в диспетчере имён)", 3733},
    {1, 0, L"XLL Удалить ошибочные имена", L"XLLbuttonDeleteErrorName",
     L"Удалить все имена с ошибочными значениями (в т.ч. скрытые, не отображаемые в диспетчере имён)", 3734},
    {1, 0, L"XLL Разорвать связи на ЛИСТЕ", L"XLLbuttonBreakLinksSheet",
     L"Разорвать связи на текущем листе с другими листами этой книги и внешними файлами. Формулы с такими связями при "
     L"разрыве будут преобразованы в принимаемые на данный момент значения. Операцию нельзя отменить/откатить назад",
     2309},
};
static_assert(sizeof(kButtons) / sizeof(kButtons[0]) == 21, "rows 0 to 20 are buttons");

OwnedVariant I4(LONG v) { return OwnedVariant::I4(v); }
OwnedVariant Text(const wchar_t* t) { return OwnedVariant::Text(t); }

}  // namespace

MenuTable BuildMenuTable(bool english) {
  MenuTable table;
  table.reserve(kMenuRows);
  for (size_t i = 0; i < 21; ++i) {
    const ButtonText& b = kButtons[i];
    const wchar_t* caption = b.caption;
    const wchar_t* tooltip = b.tooltip;
    if (english && i == 0) caption = L"XLL Help", tooltip = L"About XLL";
    if (english && i == 1) caption = L"XLL Transpose", tooltip = L"Transpose";
    table.push_back({I4(b.main), I4(b.context), I4(kControlButton), Text(caption), Text(b.command), Text(tooltip),
                     I4(b.face_id)});
  }
  table.push_back({I4(1), I4(0), I4(kControlDropdown), Text(L"XLL Режим работы"), Text(L"XLLbuttonOperatingModeXLL"),
                   Text(L"XLL Режим работы: Test - вывод подсказок, таймингов; User - вывод подсказок, без таймингов; "
                        L"Fast - без подсказок, без таймингов ))"),
                   I4(0), Text(L""), I4(OperatingMode), Text(L"Test"), Text(L"User"), Text(L"Fast")});
  table.push_back({I4(1), I4(0), I4(kControlDropdown), Text(L"XLL Язык меню"), Text(L"XLLbuttonMenuLanguag"),
                   Text(L"Язык основного меню и контекстного меню"), I4(0), Text(L""), I4(english ? 1 : 2), Text(L"EN"),
                   Text(L"RU")});
  table.push_back({I4(1), I4(0), I4(kControlCombo), Text(L"XLL API кнопок"), Text(L""),
                   Text(L"XLL Button API (имя кнопки (имя команды))"), I4(0), Text(L""), I4(1)});
  table.push_back({I4(0), I4(0), I4(kControlPopup), Text(L"XLL"), Text(L""), Text(L"XLL Новые команды контекстного меню")});
  return table;
}

MenuRow* FindMenuRow(MenuTable& table, const wchar_t* command) {
  for (MenuRow& row : table) {
    if (row.size() <= kMenuOnAction || row[kMenuOnAction].vt != VT_BSTR) continue;
    const BSTR text = row[kMenuOnAction].bstrVal;
    if (command && std::wcscmp(text ? text : L"", command) == 0) return &row;
  }
  return nullptr;
}

}  // namespace korvel::xll

// Built in this order during the library's static initialisation, before the host calls any entry point.
extern "C" {
korvel::xll::MenuTable ActiveMenuTable = korvel::xll::BuildMenuTable(false);
korvel::xll::MenuTable OtherMenuTable = korvel::xll::BuildMenuTable(true);
}

extern "C" void SwapMenuTables() { ActiveMenuTable.swap(OtherMenuTable); }
