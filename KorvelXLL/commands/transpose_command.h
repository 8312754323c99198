// The in-place transpose command's one seam.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/array_reshape.h"

namespace korvel::xll {

// Test seam: the transpose that takes the values back to the selection's shape after a failed write. The
// core never fails on an array that it has just transposed, so this branch cannot be reached otherwise.
// Restores the core when it goes out of scope.
class ScopedTransposeBackForTesting {
 public:
  using Transpose = HRESULT (*)(SAFEARRAY* array, TransposeStep* failed_step);
  explicit ScopedTransposeBackForTesting(Transpose transpose);
  ~ScopedTransposeBackForTesting();
  ScopedTransposeBackForTesting(const ScopedTransposeBackForTesting&) = delete;
  ScopedTransposeBackForTesting& operator=(const ScopedTransposeBackForTesting&) = delete;

 private:
  Transpose saved_;
};

}  // namespace korvel::xll
