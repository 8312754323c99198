// The list of the workbook's worksheets on a new sheet: one per row in column A, each a hyperlink to cell A1
// of its sheet.
#include <ctime>
#include <string>

#include "commands/object_calls.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr wchar_t kQuestion[] = L"Вывести список всех листов данной книги на новый лист?";

// The host's reference syntax quotes a sheet name in apostrophes and writes each apostrophe of the name
// twice: "O'Brien" is reached as 'O''Brien'!A1, where the name written once would end the quote early.
std::wstring SubAddressOf(const std::wstring& name) {
  std::wstring quoted = L"'";
  for (wchar_t c : name) {
    quoted += c;
    if (c == L'\'') quoted += L'\'';
  }
  return quoted + L"'!A1";
}

// Row `row` of the new sheet `list` links to sheet `sheet`. A failure shows its box and leaves the row
// empty; the list goes on with the next sheet in the next row.
void ListSheet(IDispatch* list, IDispatch* sheet, long long row) {
  HeldObject anchor;
  const OwnedVariant address = OwnedVariant::Text((L"A" + std::to_wstring(row)).c_str());
  if (CallMember(kGetMember, list, L"Range", anchor.out(), {address}) != 0) {
    ShowBox(kErrorBox, L"Range");
    return;
  }
  OwnedVariant name_value;
  std::wstring name;
  if (CallMember(kGetMember, sheet, L"Name", &name_value) != 0 || !ReadText(name_value, name)) {
    ShowBox(kWarningBox, L"Name");
    return;
  }
  HeldObject links;
  if (CallMember(kGetMember, list, L"Hyperlinks", links.out()) != 0) {
    ShowBox(kWarningBox, L"Hyperlinks");
    return;
  }
  // Add(Anchor, Address, SubAddress, ScreenTip, TextToDisplay), passed last first. The leading apostrophe
  // of the text keeps a name such as "12" or "=x" a text when the host types it into the cell.
  const OwnedVariant empty = OwnedVariant::Text(L"");
  const OwnedVariant sub_address = OwnedVariant::Text(SubAddressOf(name).c_str());
  const OwnedVariant shown = OwnedVariant::Text((L"'" + name).c_str());
  OwnedVariant link;
  if (CallMember(kCallMember, links.get(), L"Add", &link, {shown, empty, sub_address, empty, anchor.value()}) != 0)
    ShowBox(kWarningBox, L"Add");
}

int ListSheets(const ScriptedAnswers& script) {
  if (!ConfirmCommand(script, kQuestion)) return -1;
  const std::clock_t start = std::clock();
  HeldObject sheets, list, book, worksheets;
  if (CallMember(kGetMember, pExcelDisp, L"Sheets", sheets.out()) != 0) {
    ShowBox(kErrorBox, L"Sheets");
    return -1;
  }
  if (CallMember(kCallMember, sheets.get(), L"Add", list.out()) != 0) {
    ShowBox(kErrorBox, L"Add");
    return -1;
  }
  if (CallMember(kGetMember, pExcelDisp, L"ActiveWorkbook", book.out()) != 0) {
    ShowBox(kErrorBox, L"ActiveWorkbook");
    return -1;
  }
  if (CallMember(kGetMember, pExcelDisp, L"Worksheets", worksheets.out()) != 0) {
    ShowBox(kErrorBox, L"Worksheets");
    return -1;
  }
  OwnedVariant count_value;
  long long count = 0;
  if (CallMember(kGetMember, worksheets.get(), L"Count", &count_value) != 0 || !ReadInteger(count_value, count)) {
    ShowBox(kErrorBox, L"Count");
    return -1;
  }
  long long row = 0;
  for (long long i = 1; i <= count; ++i) {
    HeldObject sheet;
    if (CallMember(kGetMember, worksheets.get(), L"Item", sheet.out(), {OwnedVariant::I4(static_cast<LONG>(i))}) !=
        0) {
      ShowBox(kWarningBox, L"Item");
      continue;
    }
    // The new sheet is one of the worksheets too; it is known by its identity, not by its name.
    if (SameObject(sheet.get(), list.get())) continue;
    ListSheet(list.get(), sheet.get(), ++row);
  }
  TimingNotice(script, 2, start);
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonSheets(wchar_t* scripted_answers) {
  try {
    return ListSheets(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}
