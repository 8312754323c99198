// The host's AddIns (Count, Item, Name) and the add-ins open as workbooks: Workbooks.Item finds those by
// name, while the workbooks' Count and indexes leave them out, as the host's own collection does.
#pragma once

#include "object_model/application.h"

namespace korvel::standin {

class AddInList {
 public:
  // Gives `application` its AddIns and lets its Workbooks find add-in workbooks by name.
  explicit AddInList(Application* application);
  // An entry of AddIns named `name` (a file name); with `open_as_workbook` also a workbook of that name,
  // which is given back (null otherwise).
  Workbook* Add(const std::wstring& name, bool open_as_workbook);
  HostCollection* add_ins() const { return static_cast<HostCollection*>(add_ins_.get()); }
  HostCollection* books() const { return static_cast<HostCollection*>(books_.get()); }

 private:
  Application* application_;
  korvel::ComPtr<HostObject> add_ins_;
  korvel::ComPtr<HostObject> books_;
};

}  // namespace korvel::standin
