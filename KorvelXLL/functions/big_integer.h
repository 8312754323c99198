// The shared bodies of the big-integer worksheet functions.
#pragma once

#include <gmp.h>

#include "host/xl_types.h"

namespace korvel::xll {

enum class IntOperation { kSubtract, kFloorQuotient, kRemainder };
enum class IntCombination { kSum, kProduct };

// SubtractInteger, DivideInteger and ModInteger: a new result record, or null for a rejected argument.
XLOPER12* IntBinaryOp(const wchar_t* number1, const wchar_t* number2, int base_in, int base_out, IntOperation op);

}  // namespace korvel::xll
