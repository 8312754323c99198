#include "functions/number_text.h"

#include <new>

namespace korvel::xll {

void NarrowCounted(char* bytes, const wchar_t* counted) {
  const size_t n = CountOf(counted);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(counted[i + 1] & 0xFF);
  bytes[n] = '\0';
}

bool NarrowsExactly(const wchar_t* counted) {
  const size_t n = CountOf(counted);
  for (size_t i = 1; i <= n; ++i)
    if (counted[i] == 0 || static_cast<unsigned short>(counted[i]) > 0xFF) return false;
  return true;
}

void WidenCounted(wchar_t* buffer, const char* bytes, size_t length) {
  buffer[0] = static_cast<wchar_t>(length);
  for (size_t i = 0; i < length; ++i) buffer[i + 1] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
  buffer[length + 1] = 0;
}

int BytesToXLStr(XLOPER12* record, const char* text, size_t length) {
  if (length > static_cast<size_t>(kMaxXlChars)) return 1;
  auto* buffer = new wchar_t[length + 2];
  WidenCounted(buffer, text, length);
  record->val.str = buffer;
  record->xltype = xltypeStr | xlbitDLLFree;
  return 0;
}

int CharsToXLStr(XLOPER12* record, const char* text) {
  size_t length = 0;
  while (text[length] && length <= static_cast<size_t>(kMaxXlChars)) ++length;
  return BytesToXLStr(record, text, length);
}

int ResolveBase(int base) {
  if (base == 0) return 10;
  return base >= 2 && base <= 36 ? base : 0;
}

}  // namespace korvel::xll

#include "common/gmp_allocation.h"
#include "functions/big_number_call.h"

namespace korvel::xll {
namespace {

// The library's allocation functions are installed once, when the add-in is loaded, before any call.
struct GmpAllocationAtLoad {
  GmpAllocationAtLoad() { InstallGmpAllocation(); }
} gmp_allocation_at_load;

}  // namespace

NarrowedText::NarrowedText(const wchar_t* counted) : bytes_(inline_), size_(CountOf(counted)) {
  if (size_ + 1 > sizeof inline_) {
    heap_.reset(new char[size_ + 1]);
    bytes_ = heap_.get();
  }
  NarrowCounted(bytes_, counted);
}

}  // namespace korvel::xll
