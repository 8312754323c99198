// The types in which the host's Value hands numbers over, by the cell's number format: a Currency (VT_CY,
// four decimals) for a number in a currency format, a Date (VT_DATE) for one in a date or time format, else a
// Double. Value2 hands every number over as a Double, as it does in the host, and both put alike.
#pragma once

#include <string>

#include "cells/cell_store.h"
#include "object_model/host_object.h"

namespace korvel::standin {

class Range;

// What a number format says of its numbers' type in Value.
enum class FormatKind { kPlain, kCurrency, kDate };

// A format with a currency sign ("$", "₽", "€", "£", "¥", or "[$sign-locale]") is a currency format; one with
// a date or time code (d, m, y, h, s, AM/PM, [h]) a date format; quoted texts, escaped characters, the
// character after "_" or "*", colours and conditions in brackets, and "General" count as neither.
FormatKind KindOfFormat(const std::wstring& format);
// The cell's value as Value gives it under `format`. A number beyond the Currency range, or outside the days
// a Date can show (0 to 2958465, 9999-12-31), comes as a Double.
OwnedVariant TypedValue(const CellValue& value, const std::wstring& format);

// Value gives typed values; Value2 reads as the plain values and writes as Value writes.
void DefineValueTypes(Range* range);

}  // namespace korvel::standin
