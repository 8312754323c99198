#include "calculation.h"

#include <cwctype>
#include <stdexcept>

#include "host_numbers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {
namespace {

// "B10" into row 10, column 2; false for anything else.
bool ParseCell(const std::wstring& text, LONG& row, LONG& column) {
  size_t i = 0;
  column = 0;
  while (i < text.size() && std::iswalpha(text[i])) column = column * 26 + (std::towupper(text[i++]) - L'A' + 1);
  row = 0;
  const size_t digits = i;
  while (i < text.size() && std::iswdigit(text[i])) row = row * 10 + (text[i++] - L'0');
  return column >= 1 && column <= 16384 && i > digits && i == text.size() && row >= 1 && row <= 1048576;
}

}  // namespace

Calculation& Calculation::Get() {
  static Calculation calculation;
  return calculation;
}

void Calculation::Reset() {
  End();
  last_block_.reset();
  caller_answer_ = CallerAnswer::kSingleArea;
  workspace_answer_ = WorkspaceAnswer::kText;
  completions_.clear();
  pending_.clear();
}

bool Calculation::Begin(Worksheet* sheet, const std::wstring& cells) {
  const size_t colon = cells.find(L':');
  LONG last_row = 0, last_column = 0;
  if (!sheet || !ParseCell(cells.substr(0, colon), row_, column_)) return false;
  if (colon == std::wstring::npos) {
    last_row = row_;
    last_column = column_;
  } else if (!ParseCell(cells.substr(colon + 1), last_row, last_column) || last_row < row_ || last_column < column_) {
    return false;
  }
  sheet_ = sheet;
  rows_ = last_row - row_ + 1;
  columns_ = last_column - column_ + 1;
  if (rows_ * columns_ > 1)
    block_ = korvel::ComPtr<HostObject>::Adopt(
        new Range(sheet, Areas{Area{row_, column_, row_ + rows_ - 1, column_ + columns_ - 1}}));
  return true;
}

void Calculation::End() {
  sheet_ = nullptr;
  if (block_) last_block_ = std::move(block_);
}

Calculation::CellResult Calculation::Calculate(Worksheet* sheet, const std::wstring& cells,
                                               const std::function<XLOPER12*()>& call) {
  if (!Begin(sheet, cells)) throw std::invalid_argument("not a cell of a sheet");
  CellResult out;
  XLOPER12* result = nullptr;
  try {
    result = call();
  } catch (...) {
    End();
    throw;
  }
  if (result) {
    out.null = false;
    out.value = See(result);
    CApi::Get().TakeResult(result);
  }
  End();
  return out;
}

void Calculation::CalculateAsync(Worksheet* sheet, const std::wstring& cells,
                                 const std::function<void(XLOPER12*)>& call) {
  if (!Begin(sheet, cells)) throw std::invalid_argument("not a cell of a sheet");
  XLOPER12 handle{};
  handle.xltype = hostapi::xltypeStr | hostapi::xltypeInt;  // big data: the handle in place of a buffer
  handle.val.bigdata.h.hdata = reinterpret_cast<HANDLE>(next_handle_);
  pending_.push_back(next_handle_++);
  try {
    call(&handle);
  } catch (...) {
    End();
    throw;
  }
  End();
}

HRESULT Calculation::GiveCaller(HostObject::Call& call) {
  if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
  if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
  if (!sheet_) {
    // Outside a calculation the host's Caller is an error value (#REF!), not an object.
    if (call.result) {
      VariantClear(call.result);
      call.result->vt = VT_ERROR;
      call.result->scode = static_cast<SCODE>(0x800A07E7);
    }
    return S_OK;
  }
  return HostObject::GiveObject(call, block_ ? block_.get() : sheet_->Cell(row_, column_));
}

}  // namespace korvel::standin
