#include "functions/result_records.h"

#include <new>

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

}  // namespace korvel::xll
