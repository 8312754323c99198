// The QR-code picture in a cell: the server's VBA object draws the symbol into a PNG file, the host's object
// model puts it on the sheet at the calling cell in place of the cell's previous picture, and the file goes
// again. The cell shows its own text.
#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "host/auto_wrap.h"
#include "host/host_state.h"
#include "host/xl_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr LONG kPictureShape = 13;  // the host's msoPicture
constexpr LONG kPngFormat = 4;

// Arguments 2 to 9 as the server and AddPicture take them.
struct PictureNumbers {
  long long size_pixel = 4, red = 0, green = 0, blue = 0, version = 0, level = 1;
  long long width = -1, height = -1;
};

// A number truncated toward zero, an integer widened, anything else (a number stored as text included) the
// default. Numbers beyond the 64-bit range are saturated: the server or the host then refuses them, where a
// plain conversion would be undefined.
long long IntegerArgument(const XLOPER12* value, long long fallback) {
  if (!value) return fallback;
  switch (value->xltype & ~(xlbitXLFree | xlbitDLLFree)) {
    case xltypeInt:
      return value->val.w;
    case xltypeNum: {
      const double d = value->val.num;
      constexpr double kTwoTo63 = 9223372036854775808.0;
      if (std::isnan(d)) return fallback;
      if (d >= kTwoTo63) return std::numeric_limits<long long>::max();
      if (d <= -kTwoTo63) return std::numeric_limits<long long>::min();
      return static_cast<long long>(d);
    }
    default:
      return fallback;
  }
}

OwnedVariant Holding(IDispatch* object) {
  OwnedVariant o;
  o.vt = VT_DISPATCH;
  o.pdispVal = object;
  object->AddRef();
  return o;
}

// One quiet call of `path` on `object` (null: the Application).
bool Call(const wchar_t* path, VARIANT* object, VARIANT* result, std::vector<OwnedVariant>* args = nullptr) {
  return AutoWrapX(path, object, 0, result, true, args, 0) == 0;
}

// A member that must give an object: any other result (the Caller outside a calculation is an error value)
// is a failure, since its bits must never be taken for an object.
bool CallForObject(const wchar_t* path, VARIANT* object, OwnedVariant& result,
                   std::vector<OwnedVariant>* args = nullptr) {
  return Call(path, object, &result, args) && result.vt == VT_DISPATCH && result.pdispVal;
}

bool CallForInteger(const wchar_t* path, VARIANT* object, LONG& out) {
  OwnedVariant value;
  if (!Call(path, object, &value)) return false;
  OwnedVariant integer;
  if (FAILED(VariantChangeType(&integer, &value, 0, VT_I4))) return false;
  out = integer.lVal;
  return true;
}

// Addresses compared as variants: the same type and equal by the user's locale, case and every character
// counting; two nulls are equal.
bool SameAddress(VARIANT& a, VARIANT& b) {
  if (a.vt != b.vt) return false;
  if (a.vt == VT_NULL) return true;
  return VarCmp(&a, &b, LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_EQ);
}

// Every picture the function inserts carries a name of its own: this prefix and the calling cell's address
// ("QRcodePrint $B$3"). A cell in a hidden row or a column of zero width lies where the next shown cell lies,
// so its picture's top-left cell is that next cell: only the name says whose picture it is.
constexpr wchar_t kPictureNamePrefix[] = L"QRcodePrint ";

bool CallForText(const wchar_t* path, VARIANT* object, std::wstring& out) {
  OwnedVariant value;
  if (!Call(path, object, &value) || value.vt != VT_BSTR) return false;
  out.assign(value.bstrVal, SysStringLen(value.bstrVal));
  return true;
}

// The host compares shape names without regard to case.
bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

bool Near(VARIANT& a, VARIANT& b) {
  OwnedVariant x, y;
  if (FAILED(VariantChangeType(&x, &a, 0, VT_R8)) || FAILED(VariantChangeType(&y, &b, 0, VT_R8))) return false;
  // A shape's position is a Single, the cell's a Double: half a point covers the rounding and no row is lower.
  return std::fabs(x.dblVal - y.dblVal) < 0.5;
}

// Whether a picture that carries the name of another cell still lies at that cell's top-left corner, where
// the function put it: then it is that cell's picture, although it stands on this one (the other cell's row
// is hidden, or its column has no width). One that has left its cell (rows or columns were inserted or
// deleted since) is an old picture like any other. `belongs` is set; false only when a host call failed.
bool StillAtItsCell(OwnedVariant& cell, OwnedVariant& shape, const std::wstring& name, bool& belongs) {
  belongs = false;
  if (name.size() <= std::size(kPictureNamePrefix) - 1 ||
      !SameName(name.substr(0, std::size(kPictureNamePrefix) - 1), kPictureNamePrefix))
    return true;
  std::vector<OwnedVariant> address;
  address.push_back(OwnedVariant::Text(name.c_str() + std::size(kPictureNamePrefix) - 1));
  OwnedVariant its_cell;
  // A name whose rest is no address is not one of the function's names.
  if (!CallForObject(L"Worksheet.Range", &cell, its_cell, &address)) return true;
  OwnedVariant cell_left, cell_top, left, top;
  if (!Call(L"Left", &its_cell, &cell_left) || !Call(L"Top", &its_cell, &cell_top) || !Call(L"Left", &shape, &left) ||
      !Call(L"Top", &shape, &top))
    return false;
  belongs = Near(cell_left, left) && Near(cell_top, top);
  return true;
}

// Deletes the cell's previous picture: the picture that carries the cell's name, or, when there is none (a
// workbook saved before pictures were named), the first picture in the sheet's order whose top-left cell is
// the anchor and that no other cell's name claims. Other shapes (a user's chart, button or own picture at
// the cell) are not the function's to delete, and stay.
bool DeleteOldPicture(OwnedVariant& cell, OwnedVariant& shapes, OwnedVariant& anchor_address,
                      const std::wstring& own_name) {
  LONG count = 0;
  if (!CallForInteger(L"Count", &shapes, count)) return false;
  OwnedVariant old_at_cell;
  for (LONG i = 1; i <= count; ++i) {
    std::vector<OwnedVariant> index;
    index.push_back(OwnedVariant::I4(i));
    OwnedVariant shape;
    if (!CallForObject(L"Item", &shapes, shape, &index)) return false;
    LONG type = 0;
    if (!CallForInteger(L"Type", &shape, type)) return false;
    if (type != kPictureShape) continue;
    std::wstring name;
    if (!CallForText(L"Name", &shape, name)) return false;
    if (SameName(name, own_name)) return Call(L"Delete", &shape, nullptr);
    if (old_at_cell.vt == VT_DISPATCH) continue;
    OwnedVariant address;
    if (!Call(L"TopLeftCell.Address", &shape, &address)) return false;
    if (!SameAddress(address, anchor_address)) continue;
    bool belongs = false;
    if (!StillAtItsCell(cell, shape, name, belongs)) return false;
    if (!belongs) old_at_cell = shape;
  }
  return old_at_cell.vt != VT_DISPATCH || Call(L"Delete", &old_at_cell, nullptr);
}

// The server's picture of the text: the path of the PNG file it wrote, or empty. Only a non-empty text is a
// path: a server that answers with anything else has written nothing that could be inserted or deleted.
std::wstring DrawSymbol(const wchar_t* text, const PictureNumbers& n) {
  if (!pComServerDisp) return {};
  OwnedVariant server = Holding(pComServerDisp);
  std::vector<OwnedVariant> args;
  args.push_back(OwnedVariant::Text(text));
  args.push_back(OwnedVariant::Text(L""));
  args.push_back(OwnedVariant::I4(kPngFormat));
  for (long long v : {n.size_pixel, n.red, n.green, n.blue, n.version, n.level}) args.push_back(OwnedVariant::I8(v));
  OwnedVariant path;
  if (!Call(L"QRcodePrint", &server, &path, &args)) return {};
  if (path.vt != VT_BSTR || !path.bstrVal) return {};
  std::wstring out(path.bstrVal, SysStringLen(path.bstrVal));
  // A path cut short at a zero would name another file than the one the server wrote.
  if (out.empty() || out.find(L'\0') != std::wstring::npos) return {};
  return out;
}

XLOPER12* PlacePicture(const wchar_t* text, const PictureNumbers& n) {
  OwnedVariant caller;
  if (!CallForObject(L"Caller", nullptr, caller)) return nullptr;
  // An array formula's caller is its whole block, whose address no shape's one-cell anchor ever equals: the
  // picture belongs to the block's first cell.
  OwnedVariant cell;
  if (!CallForObject(L"Cells(1,1)", &caller, cell)) return nullptr;
  OwnedVariant address;
  if (!Call(L"Address", &cell, &address)) return nullptr;
  if (address.vt != VT_BSTR) return nullptr;
  const std::wstring own_name = kPictureNamePrefix + std::wstring(address.bstrVal, SysStringLen(address.bstrVal));
  OwnedVariant shapes;
  if (!CallForObject(L"Worksheet.Shapes", &cell, shapes)) return nullptr;
  if (!DeleteOldPicture(cell, shapes, address, own_name)) return nullptr;
  // An empty text clears the cell's picture and shows nothing.
  if (!*text) return nullptr;

  OwnedVariant left, top;
  if (!Call(L"Left", &cell, &left) || !Call(L"Top", &cell, &top)) return nullptr;
  const std::wstring path = DrawSymbol(text, n);
  if (path.empty()) return nullptr;

  std::vector<OwnedVariant> picture;
  picture.push_back(OwnedVariant::Text(path.c_str()));
  picture.push_back(OwnedVariant::Bool(false));  // LinkToFile
  picture.push_back(OwnedVariant::Bool(true));   // SaveWithDocument
  picture.push_back(left);
  picture.push_back(top);
  picture.push_back(OwnedVariant::I8(n.width));
  picture.push_back(OwnedVariant::I8(n.height));
  OwnedVariant inserted;
  bool named = CallForObject(L"AddPicture", &shapes, inserted, &picture);
  if (named) {
    std::vector<OwnedVariant> name;
    name.push_back(OwnedVariant::Text(own_name.c_str()));
    named = AutoWrapX(L"Name", &inserted, DISPATCH_PROPERTYPUT, nullptr, true, &name, 0) == 0;
  }
  // The file is the add-in's as soon as the server returned it. A file that cannot be removed stays in
  // TEMP; the result still says whether the picture is on the sheet with its name.
  DeleteFileW(path.c_str());
  return named ? NewXLStr(text) : nullptr;
}

}  // namespace

extern "C" XLOPER12* __stdcall QRcodePrint(wchar_t* text, XLOPER12* size_pixel, XLOPER12* color_r,
                                           XLOPER12* color_g, XLOPER12* color_b, XLOPER12* version,
                                           XLOPER12* level, XLOPER12* width, XLOPER12* height) {
  try {
    PictureNumbers n;
    n.size_pixel = IntegerArgument(size_pixel, n.size_pixel);
    n.red = IntegerArgument(color_r, n.red);
    n.green = IntegerArgument(color_g, n.green);
    n.blue = IntegerArgument(color_b, n.blue);
    n.version = IntegerArgument(version, n.version);
    n.level = IntegerArgument(level, n.level);
    n.width = IntegerArgument(width, n.width);
    n.height = IntegerArgument(height, n.height);
    return PlacePicture(text ? text : L"", n);
  } catch (...) {
    return nullptr;
  }
}
