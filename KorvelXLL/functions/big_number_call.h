// The frame of every big-integer and big-float worksheet function: a new result record preset to the number
// 0, the arithmetic library's allocations of the call held in one scope, and one catch-all. A failed
// allocation (inside the library or ours) or a number the library cannot take gives the number 0 and
// leaks nothing; a rejected argument gives a null pointer.
#pragma once

#include <memory>

#include "common/gmp_allocation.h"
#include "functions/result_records.h"

namespace korvel::xll {

enum class Outcome { kResult, kRejected };

// Thrown where a call ends with its failure value (an infinite or NaN cell number, for instance).
struct FailureValue {};

template <class Body>
XLOPER12* BigNumberCall(Body&& body) noexcept {
  try {
    ResultRecord result(0);
    if (!result) return nullptr;
    try {
      GmpCallScope scope;
      if (body(result) == Outcome::kRejected) return nullptr;
    } catch (...) {
      result.Fail();
    }
    return result.release();
  } catch (...) {
    return nullptr;
  }
}

// A counted text narrowed to bytes (NarrowCounted), on the stack when it is short: most cells hold short
// numbers, and each allocation is a trip to the runtime's shared heap.
class NarrowedText {
 public:
  explicit NarrowedText(const wchar_t* counted);
  const char* c_str() const { return bytes_; }
  char* data() { return bytes_; }
  size_t size() const { return size_; }

 private:
  char inline_[256];
  std::unique_ptr<char[]> heap_;
  char* bytes_;
  size_t size_;
};

}  // namespace korvel::xll
