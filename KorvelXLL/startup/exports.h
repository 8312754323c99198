// Every name that the add-in exports: the host's entry points, the registered worksheet functions and
// commands (their C types follow their registered type texts), and five exports that nothing registers.
// The shipped file exports exactly these; a test program that links the add-in's core exports them too.
#pragma once

#include "host/xl_types.h"

extern "C" {
using korvel::xll::XLOPER12;

// Entry points of the host.
int __stdcall xlAutoOpen();
int __stdcall xlAutoClose();
int __stdcall xlAutoAdd();
int __stdcall xlAutoRemove();
void __stdcall xlAutoFree12(XLOPER12* record);
XLOPER12* __stdcall xlAddInManagerInfo12(XLOPER12* action);
void __stdcall SetExcel12EntryPt(korvel::xll::HostCallEntry entry);

// Text filters ("C%F%$", "D%G%$", "G%G%G%G%$"): they edit the host's buffer in place and return it.
wchar_t* __stdcall RusLetter(wchar_t* text);
wchar_t* __stdcall DigitXLL(wchar_t* counted);
wchar_t* __stdcall FilterUnicodeChar(wchar_t* counted, wchar_t* enable, wchar_t* disable);
wchar_t* __stdcall TrimXLL(wchar_t* counted);

// Big integers.
XLOPER12* __stdcall SumInteger(XLOPER12* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall MultiplyInteger(XLOPER12* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall SubtractInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall DivideInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall ModInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall PowerInteger(wchar_t* number, int exponent, int base_in, int base_out);
XLOPER12* __stdcall ConvertBaseInteger(wchar_t* number, int base_in, int base_out);
XLOPER12* __stdcall FactorialInteger(int n, int base_out);

// Big floats.
XLOPER12* __stdcall SumFloat(XLOPER12* number1, wchar_t* number2, int precision_out, wchar_t* separator);
XLOPER12* __stdcall MultiplyFloat(XLOPER12* number1, wchar_t* number2, int precision_out, wchar_t* separator);
XLOPER12* __stdcall SubtractFloat(wchar_t* number1, wchar_t* number2, int precision_out, wchar_t* separator);
XLOPER12* __stdcall DivideFloat(wchar_t* number1, wchar_t* number2, int precision_out, wchar_t* separator);
XLOPER12* __stdcall PowerFloat(wchar_t* number, int exponent, int precision_out, wchar_t* separator);
XLOPER12* __stdcall RootFloat(wchar_t* number, int precision_out, wchar_t* separator);

// Lookups.
XLOPER12* __stdcall VlookupXLL(XLOPER12* array_find, XLOPER12* find, XLOPER12* array_result);
XLOPER12* __stdcall VLOOKUP3(XLOPER12* array_find, XLOPER12* array_result, XLOPER12* find);

// Rows of CSV files.
XLOPER12* __stdcall GetRowsCountCSVansi(wchar_t* file, int no_buffering);
XLOPER12* __stdcall GetRowCSVansi(wchar_t* file, int row_index, int no_buffering);
XLOPER12* __stdcall FindRowsInCSVansi(wchar_t* file, char* find, short* multi_line, int no_buffering);

// QR-code pictures in cells and two small functions of their own.
XLOPER12* __stdcall QRcodePrint(wchar_t* text, XLOPER12* size_pixel, XLOPER12* color_r, XLOPER12* color_g,
                                XLOPER12* color_b, XLOPER12* version, XLOPER12* level, XLOPER12* width,
                                XLOPER12* height);
int __stdcall ColorRGB(unsigned short r, unsigned short g, unsigned short b);
void __stdcall MyAsyncUDF(XLOPER12* value, XLOPER12* handle);

// A command that macros run by name ("UUUJ"), and the About text.
XLOPER12* __stdcall FindValuesXLL(XLOPER12* arr, XLOPER12* find, int compare);
XLOPER12* __stdcall HelpXLL();

// Menu commands ("JG%#"): the argument is the command's scripted answers, a counted string.
#define KORVEL_MENU_COMMANDS(X)                                                                                  \
  X(XLLbuttonHelp) X(XLLbuttonTranspose) X(XLLbuttonFindSummands) X(XLLbuttonFormatCells000)                    \
  X(XLLbuttonIncreaseDecimal) X(XLLbuttonDecreaseDecimal) X(XLLbuttonTracePrecedents)                           \
  X(XLLbuttonTraceDependents) X(XLLbuttonRemoveArrows) X(XLLbuttonTextToNumber) X(XLLbuttonTextSpaseToNumber)   \
  X(XLLbuttonForm) X(XLLbuttonDuplicateValues) X(XLLbuttonConditionalFormatToFormat)                            \
  X(XLLbuttonConditionalFormatToFormatAllSheets) X(XLLbuttonSheets) X(XLLbuttonErrors) X(XLLbuttonLinks)        \
  X(XLLbuttonVisibleHiddenName) X(XLLbuttonDeleteErrorName) X(XLLbuttonBreakLinksSheet)                         \
  X(XLLbuttonOperatingModeXLL) X(XLLbuttonMenuLanguag)
#define KORVEL_DECLARE_COMMAND(name) int __stdcall name(wchar_t* scripted_answers);
KORVEL_MENU_COMMANDS(KORVEL_DECLARE_COMMAND)
#undef KORVEL_DECLARE_COMMAND

// Exported, never registered.
XLOPER12* __stdcall TrimXLL2(const wchar_t* text);
wchar_t* __stdcall SumInteger2(XLOPER12* number1, wchar_t* number2, int base_in, int base_out);
XLOPER12* __stdcall DellDuplicates(XLOPER12* array);
int __stdcall XLLbuttonGetArreyXLS(wchar_t* scripted_answers);
int __stdcall XLLbuttonGetArreyCOM(wchar_t* scripted_answers);
}
