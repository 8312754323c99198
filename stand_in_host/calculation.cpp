#include "calculation.h"

#include <stdexcept>

#include "host_numbers.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

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
  Areas areas;
  if (!sheet || !ParseAreas(cells, areas) || areas.size() != 1) return false;
  const Area& a = areas.front();
  sheet_ = sheet;
  row_ = a.first_row;
  column_ = a.first_column;
  rows_ = static_cast<LONG>(a.rows());
  columns_ = static_cast<LONG>(a.columns());
  if (a.count() > 1) block_ = korvel::ComPtr<HostObject>::Adopt(new Range(sheet, areas));
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
