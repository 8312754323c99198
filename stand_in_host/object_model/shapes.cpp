#include "object_model/shapes.h"

#include <cmath>

#include "object_model/member_helpers.h"
#include "object_model/sheet_geometry.h"
#include "object_model/workbooks.h"

namespace korvel::standin {
namespace {

// The host's limit for a shape's size and position, in points.
constexpr double kLargestExtent = 169056.0;

bool ToDouble(const VARIANT* v, double& out) {
  OwnedVariant copy;
  if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_R8))) return false;
  out = copy.dblVal;
  return true;
}

// A shape's position and size are the host's Single.
OwnedVariant R4(double v) {
  OwnedVariant o;
  o.vt = VT_R4;
  o.fltVal = static_cast<float>(v);
  return o;
}

const wchar_t* BaseName(LONG type) {
  switch (type) {
    case kPicture: return L"Picture";
    case kChart: return L"Chart";
    case kFormControl: return L"Button";
    case kAutoShape: return L"Rectangle";
    default: return L"Shape";
  }
}

bool LooksLikePicture(const std::string& b) {
  auto starts = [&b](const std::string& magic) { return b.compare(0, magic.size(), magic) == 0; };
  return starts("\x89PNG\r\n\x1A\n") || starts("BM") || starts("\xFF\xD8\xFF") || starts("GIF8") ||
         starts(std::string("II*\0", 4)) || starts(std::string("MM\0*", 4));
}

// A picture's own size in points: its pixels at 96 dots per inch (PNG's header says how many); other formats
// come in at one inch.
void OwnSize(const std::string& b, double& width, double& height) {
  width = height = 72.0;
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 || b.compare(12, 4, "IHDR") != 0) return;
  auto u32 = [&b](size_t at) {
    unsigned long v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
  };
  width = u32(16) * 0.75;
  height = u32(20) * 0.75;
}

// Reads the whole file; the handle is given back open when `keep` is set.
bool ReadWholeFile(const std::wstring& path, bool keep, std::string& bytes, HANDLE& kept) {
  const DWORD share = keep ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  if (ok && keep) {
    kept = file;
  } else {
    CloseHandle(file);
  }
  return ok;
}

}  // namespace

// ---- Shape

Shape::Shape(Shapes* owner, Worksheet* sheet, LONG type, std::wstring name, double left, double top, double width,
             double height)
    : HostObject(L"Shape"), owner_(owner), sheet_(sheet), type_(type), name_(std::move(name)), left_(left),
      top_(top), width_(width), height_(height) {
  Define(L"Type", ReadOnly([this] { return I4(type_); }));
  // A name is any text but an empty one, which the host refuses; it need not differ from other shapes' names.
  Define(L"Name", [this](Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (!call.is_put()) return GiveValue(call, Text(name_.c_str()));
    if (!owner_) return DISP_E_EXCEPTION;
    OwnedVariant text;
    if (!call.value || call.value->vt == VT_DISPATCH || FAILED(VariantChangeType(&text, call.value, 0, VT_BSTR)))
      return DISP_E_TYPEMISMATCH;
    if (SysStringLen(text.bstrVal) == 0) return DISP_E_EXCEPTION;
    name_.assign(text.bstrVal, SysStringLen(text.bstrVal));
    return S_OK;
  });
  Define(L"Left", ReadOnly([this] { return R4(left_); }));
  Define(L"Top", ReadOnly([this] { return R4(top_); }));
  Define(L"Width", ReadOnly([this] { return R4(width_); }));
  Define(L"Height", ReadOnly([this] { return R4(height_); }));
  Define(L"TopLeftCell", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (!sheet_ || !owner_) return DISP_E_EXCEPTION;
    return GiveObject(call, sheet_->Cell(anchor_row(), anchor_column()));
  });
  Define(L"Delete", [this](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    // A shape that is no longer on its sheet: the host's object has gone with it.
    if (!owner_) return DISP_E_EXCEPTION;
    owner_->Remove(this);
    if (call.result) VariantClear(call.result);
    return S_OK;
  });
}

LONG Shape::anchor_row() const { return RowAt(sheet_, top_); }
LONG Shape::anchor_column() const { return ColumnAt(sheet_, left_); }

bool Shape::PngSize(unsigned long& width, unsigned long& height) const {
  const std::string& b = bytes_;
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 || b.compare(12, 4, "IHDR") != 0) return false;
  auto u32 = [&b](size_t at) {
    unsigned long v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
  };
  width = u32(16);
  height = u32(20);
  return true;
}

// ---- Shapes

Shapes::Shapes(Worksheet* sheet) : HostObject(L"Shapes"), sheet_(sheet) {
  Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(items_.size())); }));
  // Of several shapes with one name, the last one answers.
  Define(L"Item", ItemByIndexOrName([this](size_t i) -> HostObject* { return At(i); },
                                    [this](const std::wstring& name) -> HostObject* {
                                      HostObject* found = nullptr;
                                      for (const auto& item : items_)
                                        if (Lower(static_cast<Shape*>(item.get())->name()) == name) found = item.get();
                                      return found;
                                    }));
  Define(L"AddPicture", [this](Call& call) { return AddPicture(call); });
}

Shapes::~Shapes() {
  for (auto& item : items_) {
    auto* shape = static_cast<Shape*>(item.get());
    shape->owner_ = nullptr;
    shape->sheet_ = nullptr;
  }
  ReleaseHeldFiles();
}

void Shapes::ReleaseHeldFiles() {
  for (HANDLE h : held_) CloseHandle(h);
  held_.clear();
}

std::wstring Shapes::NextName(LONG type) { return std::wstring(BaseName(type)) + L" " + std::to_wstring(++made_); }

Shape* Shapes::Append(korvel::ComPtr<HostObject> shape) {
  items_.push_back(std::move(shape));
  return static_cast<Shape*>(items_.back().get());
}

Shape* Shapes::Place(LONG type, LONG row, LONG column) {
  const std::wstring name = NextName(type);
  return Append(korvel::ComPtr<HostObject>::Adopt(new Shape(this, sheet_, type, name, ColumnLeft(sheet_, column),
                                                            RowTop(sheet_, row), 2 * kCellWidth, 3 * kCellHeight)));
}

std::vector<Shape*> Shapes::At(LONG row, LONG column) const {
  std::vector<Shape*> out;
  for (const auto& item : items_) {
    auto* shape = static_cast<Shape*>(item.get());
    if (shape->anchor_row() == row && shape->anchor_column() == column) out.push_back(shape);
  }
  return out;
}

void Shapes::Remove(Shape* shape) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == shape) {
      shape->owner_ = nullptr;
      ++deleted_;
      items_.erase(it);  // the caller's Invoke still holds the shape
      return;
    }
}

// AddPicture(Filename, LinkToFile, SaveWithDocument, Left, Top, Width, Height): all seven required, the file
// read at once (a picture saved with the workbook does not need its file afterwards).
HRESULT Shapes::AddPicture(Call& call) {
  if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
  if (call.args.size() != 7) return DISP_E_BADPARAMCOUNT;
  OwnedVariant file;
  if (FAILED(VariantChangeType(&file, call.args[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
  LONG link = 0, save = 0;
  if (!ToLong(call.args[1], link) || !ToLong(call.args[2], save)) return DISP_E_TYPEMISMATCH;
  double left = 0, top = 0, width = 0, height = 0;
  if (!ToDouble(call.args[3], left) || !ToDouble(call.args[4], top) || !ToDouble(call.args[5], width) ||
      !ToDouble(call.args[6], height))
    return DISP_E_TYPEMISMATCH;
  // A picture neither linked nor saved would be nothing; positions and sizes beyond the host's limit, and
  // sizes below 0 other than -1 (the picture's own), are out of range.
  if (!link && !save) return E_INVALIDARG;
  auto out_of_range = [](double v) { return !(std::fabs(v) <= kLargestExtent); };
  auto bad_size = [&](double v) { return v != -1 && (v < 0 || out_of_range(v)); };
  if (out_of_range(left) || out_of_range(top) || bad_size(width) || bad_size(height)) return E_INVALIDARG;

  std::string bytes;
  HANDLE kept = nullptr;
  const std::wstring path(file.bstrVal, SysStringLen(file.bstrVal));
  if (path.empty() || !ReadWholeFile(path, hold_files_, bytes, kept)) return DISP_E_EXCEPTION;
  if (!LooksLikePicture(bytes)) {
    if (kept) CloseHandle(kept);
    return DISP_E_EXCEPTION;
  }
  if (kept) held_.push_back(kept);
  double own_width = 0, own_height = 0;
  OwnSize(bytes, own_width, own_height);
  auto* picture = Append(korvel::ComPtr<HostObject>::Adopt(
      new Shape(this, sheet_, kPicture, NextName(kPicture), left, top, width == -1 ? own_width : width,
                height == -1 ? own_height : height)));
  picture->set_bytes(std::move(bytes));
  Call plain = call;
  plain.args.clear();
  return GiveObject(plain, picture);
}

}  // namespace korvel::standin
