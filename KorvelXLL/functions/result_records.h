// The result records of the worksheet functions: each call allocates one, preset to its failure value and
// flagged xlbitDLLFree, so that the host hands it back through xlAutoFree12.
#pragma once

#include "host/xl_types.h"

namespace korvel::xll {

// A number record; null when memory is short.
XLOPER12* NewNumberResult(double value);
// An error record (#N/A, #VALUE!, ...); null when memory is short.
XLOPER12* NewErrorResult(int code);

}  // namespace korvel::xll
