// The cells as a user of the host's local language reads and types them: FormulaLocal (15 significant digits
// and the decimal separator; "'" a text, "=" a formula, a number, ИСТИНА or ЛОЖЬ, a date d.m or d.m.yyyy),
// and the Application's separators. Numbers are read as the host reads them: spaces around, a sign ("-" or
// "+"), the group separator between groups of three, the decimal separator, an exponent; the separators are
// the user's locale settings (system_locale.h) while UseSystemSeparators is true, else the Application's
// DecimalSeparator and ThousandsSeparator (UseSystemSeparators true, as the host starts, over a Russian
// user's locale; the Application's own a decimal comma and a space).
#pragma once

#include <string>

#include "object_model/host_object.h"

namespace korvel::standin {

class Application;
class Range;
class Worksheet;

// The local-language text of a number: 15 significant digits with the decimal separator.
std::wstring LocalNumberText(double n);
// Reads `text` as a user of the local language types it into the cell: "'" a text, "=" a formula, a number
// (read as above), ИСТИНА or ЛОЖЬ, a date d.m or d.m.yyyy (a serial number, formatted as a date), else
// the text.
void TypeLocal(Worksheet* sheet, LONG row, LONG column, const std::wstring& text);

// Range.FormulaLocal: a text for one cell, a 2-D array for an area; put types each text as above.
void DefineFormulaLocal(Range* range);
// Application.UseSystemSeparators, DecimalSeparator and ThousandsSeparator.
void DefineLocalSeparators(Application* application);

}  // namespace korvel::standin
