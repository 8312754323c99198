// Workbooks and their worksheets.
#pragma once

#include "cells/cell_store.h"
#include "object_model/ranges.h"
#include "object_model/shapes.h"

namespace korvel::standin {

class Worksheet : public HostObject {
 public:
  Worksheet(HostObject* application, const std::wstring& name);
  Range* Cell(LONG row, LONG column);
  Shapes* shapes() const { return static_cast<Shapes*>(shapes_.get()); }
  // The sheet's cells, its id and its selection, as the C API and the object model both see them.
  SheetCells& cells() { return cells_; }
  std::wstring name() const;

 private:
  void DefineCellMembers();
  SheetCells cells_;
  std::map<std::pair<LONG, LONG>, korvel::ComPtr<HostObject>> cell_objects_;
  korvel::ComPtr<HostObject> shapes_;
  korvel::ComPtr<HostObject> all_cells_;
};

class Workbook : public HostObject {
 public:
  Workbook(HostObject* application, const std::wstring& name, int sheets);
  HostCollection* sheets() const { return static_cast<HostCollection*>(sheets_.get()); }

 private:
  korvel::ComPtr<HostObject> sheets_;
};

}  // namespace korvel::standin
