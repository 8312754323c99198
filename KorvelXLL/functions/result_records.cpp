#include "functions/result_records.h"

#include <new>

#include "host/xl_records.h"

namespace korvel::xll {

XLOPER12* NewNumberResult(double value) {
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return nullptr;
  record->xltype = xltypeNum | xlbitDLLFree;
  record->val.num = value;
  return record;
}

XLOPER12* NewErrorResult(int code) {
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return nullptr;
  record->xltype = xltypeErr | xlbitDLLFree;
  record->val.err = code;
  return record;
}

void ResultRecord::SetError(int code) {
  FreeXLOper(record_.get());
  record_->xltype = xltypeErr | xlbitDLLFree;
  record_->val.err = code;
}

void ResultRecord::Fail() {
  FreeXLOper(record_.get());
  record_->xltype = xltypeNum | xlbitDLLFree;
  record_->val.num = failure_;
}

}  // namespace korvel::xll
