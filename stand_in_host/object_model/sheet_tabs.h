// The sheets of a workbook in tab order: worksheets and chart sheets (Sheets), the worksheets alone
// (Worksheets, a view that follows the tabs), and Sheets.Add, which puts a new worksheet before the active
// sheet and activates it, as the host does.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

class Workbook;
class Worksheet;

// A chart sheet: a tab of its own with a Name, and no cells.
class ChartSheet : public HostObject {
 public:
  ChartSheet(HostObject* application, const std::wstring& name);
};

// Gives `book`'s tabs their Add and `book` the member Worksheets; gives the worksheets-only view, which the
// book keeps.
korvel::ComPtr<HostObject> AttachSheetTabs(Workbook* book, HostObject* application);
// A chart sheet named `name` at 0-based tab `position` of `book`.
ChartSheet* AddChartSheet(Workbook* book, const std::wstring& name, size_t position);
// A worksheet named `name` at 0-based tab `position` of `book`, not activated.
Worksheet* AddWorksheet(Workbook* book, const std::wstring& name, size_t position);
// The workbook whose tabs hold `sheet`; null when none does.
Workbook* WorkbookOfSheet(const HostObject* sheet);
// A tab's Name.
std::wstring SheetName(const HostObject* sheet);

}  // namespace korvel::standin
