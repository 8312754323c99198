// The shapes of a worksheet: pictures inserted from files, and charts, form controls and autoshapes that a
// test places. A shape's top-left cell is the cell under its Left and Top in the sheet's layout
// (sheet_geometry.h): the first row and column there that are not hidden. Each shape has a Name, which a
// new shape gets as the host gives it ("Picture 3") and which can be put; two shapes may carry one name.
#pragma once

#include <string>
#include <vector>

#include "object_model/host_object.h"

namespace korvel::standin {

class Worksheet;
class Shapes;

// The host's shape types (MsoShapeType) that the tests meet.
enum ShapeType : LONG {
  kAutoShape = 1,
  kChart = 3,
  kFormControl = 8,
  kPicture = 13,
};

class Shape : public HostObject {
 public:
  Shape(Shapes* owner, Worksheet* sheet, LONG type, std::wstring name, double left, double top, double width,
        double height);
  LONG type() const { return type_; }
  const std::wstring& name() const { return name_; }
  void set_name(std::wstring name) { name_ = std::move(name); }
  double left() const { return left_; }
  double top() const { return top_; }
  double width() const { return width_; }
  double height() const { return height_; }
  // The bytes of the file a picture was made from, read when it was inserted.
  const std::string& bytes() const { return bytes_; }
  // Width and height from the header of the picture's bytes; false when they are no PNG.
  bool PngSize(unsigned long& width, unsigned long& height) const;
  void set_bytes(std::string bytes) { bytes_ = std::move(bytes); }
  // Row and column of the cell under the shape's top-left corner, counted from 1.
  LONG anchor_row() const;
  LONG anchor_column() const;

 private:
  friend class Shapes;
  Shapes* owner_;  // null once deleted or once the collection is gone
  Worksheet* sheet_;
  LONG type_;
  std::wstring name_;
  double left_, top_, width_, height_;
  std::string bytes_;
};

class Shapes : public HostObject {
 public:
  explicit Shapes(Worksheet* sheet);
  ~Shapes() override;

  size_t size() const { return items_.size(); }
  Shape* At(size_t index) const { return index < items_.size() ? static_cast<Shape*>(items_[index].get()) : nullptr; }
  // Places a shape of any type with its top-left corner on the cell's top-left corner (in the sheet's layout).
  Shape* Place(LONG type, LONG row, LONG column);
  // Shapes whose top-left cell is that cell, in the collection's order.
  std::vector<Shape*> At(LONG row, LONG column) const;
  // How many shapes Delete removed so far.
  int deleted() const { return deleted_; }

  // AddPicture keeps each file it read open, without letting others delete it, until the collection is
  // reset or the test lets go: a host that still holds the picture's file.
  void set_hold_files(bool hold) { hold_files_ = hold; }
  void ReleaseHeldFiles();

 private:
  friend class Shape;
  HRESULT AddPicture(Call& call);
  Shape* Append(korvel::ComPtr<HostObject> shape);
  void Remove(Shape* shape);
  std::wstring NextName(LONG type);

  Worksheet* sheet_;
  std::vector<korvel::ComPtr<HostObject>> items_;
  int made_ = 0;
  int deleted_ = 0;
  bool hold_files_ = false;
  std::vector<HANDLE> held_;
};

// The stand-in's standard cell: 48 points wide, 15 points high (sheet_geometry.h lays out the rest).
constexpr double kCellWidth = 48.0;
constexpr double kCellHeight = 15.0;

}  // namespace korvel::standin
