// Ranges of a worksheet: one or more rectangles of one sheet's cells (cells/cell_store.h), a single cell
// being a 1x1 rectangle. Every member reads and writes the sheet's cell store, so that the C API sees what
// the object model wrote and the other way round. Members are rows of the object's table, each family
// defined by one function (later families add theirs beside them).
#pragma once

#include "cells/cell_store.h"
#include "object_model/host_object.h"

namespace korvel::standin {

class Worksheet;

// A cell's address as the host writes it: "$B$10".
std::wstring A1Address(LONG row, LONG column);

class Range : public HostObject {
 public:
  Range(Worksheet* sheet, Areas areas);
  Range(Worksheet* sheet, LONG row, LONG column) : Range(sheet, Areas{Area{row, column, row, column}}) {}
  Worksheet* sheet() const { return sheet_; }
  const Areas& areas() const { return areas_; }
  // The first cell of the first area.
  LONG row() const { return areas_.front().first_row; }
  LONG column() const { return areas_.front().first_column; }
  // The number of cells over every area.
  int64_t count() const;

  // Hands the range of `areas` on `sheet` back as a member's result: the sheet's own object for one cell
  // (so that a cell keeps its identity and its Interior), a new one otherwise.
  static HRESULT Give(Call& call, Worksheet* sheet, const Areas& areas);

 private:
  void DefineValueMembers();
  void DefineShapeMembers();
  void DefineNavigationMembers();
  HRESULT GetValues(Call& call, bool formulas);
  HRESULT PutValues(Call& call);

  Worksheet* sheet_;
  Areas areas_;
  korvel::ComPtr<HostObject> interior_;
};

}  // namespace korvel::standin
