// The defined names of a workbook: Names (Count, Item by index as a method or a property, or by name) and
// each Name with its Name, Value (the text of its formula), Visible and Delete.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

class Workbook;

// An empty Names collection for a workbook.
korvel::ComPtr<HostObject> MakeNames();
// A defined name at the end of `book`'s names.
HostObject* AddName(Workbook* book, const std::wstring& name, const std::wstring& value, bool visible = true);
// The Name texts of `book`'s names, in order.
std::vector<std::wstring> NameList(Workbook* book);

}  // namespace korvel::standin
