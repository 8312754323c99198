#include "menus/command_list.h"

#include <string>

#include "menus/menu_calls.h"

namespace korvel::xll {
namespace {

std::wstring TextAt(const MenuRow& row, size_t position) {
  const VARIANT& v = RowValue(row, position);
  return v.vt == VT_BSTR && v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : std::wstring();
}

void AddEntry(std::vector<OwnedVariant>& entries, const MenuRow& row, size_t caption, size_t command) {
  const std::wstring action = TextAt(row, command);
  if (action.empty()) return;
  entries.push_back(OwnedVariant::Text((TextAt(row, caption) + L"(" + action + L")").c_str()));
}

}  // namespace

void AppendCommandList(MenuTable& table) {
  if (table.size() < 2) return;
  MenuRow& list = table[table.size() - 2];
  if (list.size() > kMenuFirstEntry) return;
  // Made apart and appended at once: the row never holds half a list.
  std::vector<OwnedVariant> entries;
  for (const MenuRow& row : table) {
    AddEntry(entries, row, kMenuCaption, kMenuOnAction);
    if (RowNumber(row, kMenuKind) != kControlPopup) continue;
    for (size_t k = kMenuFirstEntry; k < row.size(); k += 5) AddEntry(entries, row, k + 1, k + 2);
  }
  // Positions up to the first entry exist before entries follow them.
  while (list.size() < kMenuFirstEntry && !entries.empty()) list.emplace_back();
  list.reserve(list.size() + entries.size());
  for (OwnedVariant& e : entries) list.push_back(std::move(e));
}

}  // namespace korvel::xll
