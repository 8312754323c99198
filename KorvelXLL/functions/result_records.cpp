#include "functions/result_records.h"

#include <new>

#include "functions/number_text.h"
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

int ResultRecord::SetText(const char* bytes, size_t length) {
  if (length + 2 > kRoomTextUnits) return BytesToXLStr(record_.get(), bytes, length);
  FreeXLOper(record_.get());
  wchar_t* text = TextRoomOf(record_.get());
  WidenCounted(text, bytes, length);
  record_->val.str = text;
  record_->xltype = xltypeStr | xlbitDLLFree;
  return 0;
}

XLOPER12* ResultRecord::release() {
  XLOPER12* record = record_.get();
  if ((record->xltype & ~xlbitDLLFree) == xltypeStr && record->val.str == TextRoomOf(record))
    return record_.release();
  auto* plain = new (std::nothrow) XLOPER12{};
  // Short of memory the record with room goes itself: DeleteXLRecord then gives it to the heap.
  if (!plain) return record_.release();
  *plain = *record;  // what the record owns goes with it
  record->xltype = xltypeMissing;
  return plain;
}

void ResultRecord::Fail() {
  FreeXLOper(record_.get());
  record_->xltype = xltypeNum | xlbitDLLFree;
  record_->val.num = failure_;
}

}  // namespace korvel::xll
