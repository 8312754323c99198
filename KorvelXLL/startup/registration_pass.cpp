// The registration pass of start-up: the worksheet functions in their order, the About function last among
// them, then every command of the active menu table.
#include <string>
#include <vector>

#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "startup/registration.h"
#include "startup/startup_steps.h"

namespace korvel::xll {
namespace {

enum HelpTopicKind { kProductTopic, kNoTopic, kForumTopic, kUnicodeTableTopic };

struct FunctionRow {
  const wchar_t* procedure;  // also the name that users call
  const wchar_t* type_text;
  const wchar_t* argument_text;
  int macro_type;  // 1 worksheet function, 2 command
  const wchar_t* category;
  HelpTopicKind help_topic;
  const wchar_t* function_help;
  const wchar_t* argument_help1;
  const wchar_t* argument_help2;
  const wchar_t* argument_help3;
};

// Texts as the host's function wizard shows them, odd spacing and spelling included: users and their
// workbooks know the functions by them.
const FunctionRow kFunctionRows[] = {
    {L"RusLetter", L"C%F%$", L"String", 1, L"XLL", kForumTopic,
     L"Output only Russian letters + single spaces (multiple spaces are converted into one)", L"Any characters.", L"",
     L""},
    {L"DigitXLL", L"D%G%$", L"String", 1, L"XLL", kProductTopic, L"Output only Digits", L"Any characters.", L"", L""},
    {L"FilterUnicodeChar", L"G%G%G%G%$", L"StringIn, EnableChar, DisableChar", 1, L"XLL", kUnicodeTableTopic,
     L"Filter Unicode characters", L"", L"", L""},
    {L"TrimXLL", L"D%G%$", L"StringIn", 1, L"XLL", kProductTopic,
     L"Removes all spaces from text except for single spaces between words", L"", L"", L""},
    {L"SumInteger", L"UQD%JJ$", L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic, L"Sum BigNumInteger", L"data type: string, number, array",
     L"data type: string, number", L""},
    {L"MultiplyInteger", L"UQG%JJ$", L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic, L"Multiply BigNumInteger", L"data type: string, number, array",
     L"data type: string, number", L""},
    {L"SubtractInteger", L"UG%G%JJ$", L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic, L"Subtract BigNumInteger", L"data type: string, number",
     L"data type: string, number", L""},
    {L"DivideInteger", L"UG%G%JJ$", L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic, L"Divide BigNumInteger", L"data type: string, number",
     L"data type: string, number", L""},
    {L"ModInteger", L"UG%G%JJ$", L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic,
     L"BigNumInteger1 MOD BigNumInteger2. The sign of the divisor is ignored, the result is always non-negative",
     L"data type: string, number", L"data type: string, number", L""},
    {L"PowerInteger", L"UG%JJJ$", L"Number, Exponent , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", kProductTopic, L"Power BigNumInteger", L"data type: string, number",
     L"data type: string, number", L""},
    {L"ConvertBaseInteger", L"UG%JJ$", L"String , BaseIn(2to36) , BaseOut(2to36) ", 1, L"XLLBignumArithmeticInteger",
     kProductTopic, L"Converts a number from one database to another (from 2 to 36)", L"String", L"Base In",
     L"Base Out "},
    {L"FactorialInteger", L"UJJ$", L" n, BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", kProductTopic,
     L"Factorial of n", L"Number", L"Base Out", L""},
    {L"SumFloat", L"UQG%JG%$", L"Number1 , Number2 , PrecisionOut(Optional) , Separator(Optional) ", 1,
     L"XLLBignumArithmeticFloat", kProductTopic, L"Sum BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number, array", L"data type: string, number", L""},
    {L"MultiplyFloat", L"UQG%JG%$",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", kProductTopic, L"Multiply BigNumFloa, MAX Precision = 32734 chart",
     L"data type: string, number, array", L"data type: string, number", L""},
    {L"SubtractFloat", L"UG%G%JG%$",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", kProductTopic, L"Subtract BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"DivideFloat", L"UG%G%JG%$",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", kProductTopic, L"Divide BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"PowerFloat", L"UG%JJG%$",
     L"Number , Exponent  , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", kProductTopic, L"Power BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"RootFloat", L"UG%JG%$", L"Number , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ",
     1, L"XLLBignumArithmeticFloat", kProductTopic, L"Root BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: number", L""},
    {L"VlookupXLL", L"UUQU$", L"ArrayFind, Find, ArrayResult ", 1, L"XLL", kProductTopic,
     L"Case sensitive.\tAutomatic type conversion (if possible).", L"", L"", L""},
    {L"VLOOKUP3", L"QQQQ$", L"ArrayFind ,ArrayResult, Find ", 1, L"XLL", kNoTopic, L"NEW VLOOKUP ;)", L"", L"", L""},
    {L"GetRowsCountCSVansi", L"UC%J", L"File, FileFlagNoBuffering ", 1, L"XLL", kProductTopic, L"GetRowsCountCSVansi",
     L"", L"", L""},
    {L"GetRowCSVansi", L"UC%JJ", L"File, RowIndex, FileFlagNoBuffering ", 1, L"XLL", kProductTopic, L"GetRowCSVansi",
     L"", L"", L""},
    {L"FindRowsInCSVansi", L"UC%CLJ", L"File, FindString, MultiLine, FileFlagNoBuffering ", 1, L"XLL", kProductTopic,
     L"FindRowsInCSVansi", L"", L"", L""},
    {L"QRcodePrint", L"UC%QQQQQQQQ",
     L"QRcodeText, SizePixel(Optional), PixelColorR(Optional), PixelColorG(Optional), PixelColorB(Optional), VersionSymbol(Optional), LevelErrCorrect(Optional), WidthImage(Optional), HeightImage(Optional) ",
     1, L"XLL", kProductTopic, L"QRcodePrint", L"", L"", L""},
    {L"ColorRGB", L"jHHH", L"R, G, B ", 1, L"XLL", kProductTopic, L"ColorRGB", L"", L"", L""},
    {L"MyAsyncUDF", L">QX", L"", 1, L"XLL", kProductTopic, L"MyAsyncUDF", L"", L"", L""},
    {L"FindValuesXLL", L"UUUJ", L"arr, find, compare ", 2, L"XLL", kProductTopic, L"FindValuesXLL", L"", L"", L""},
    {L"HelpXLL", L"U", L" ", 1, L"XLL", kProductTopic, L"", L"", L"", L""},
};
static_assert(sizeof(kFunctionRows) / sizeof(kFunctionRows[0]) == 28, "27 worksheet functions and HelpXLL");

const wchar_t* TopicText(HelpTopicKind kind) {
  switch (kind) {
    case kProductTopic: return HelpTopic;
    case kForumTopic: return L"https://forum.korvel.example.org/threads/rusletter!0";
    case kUnicodeTableTopic: return L"https://www.unicode.org/charts/!0";
    default: return L"";
  }
}

std::vector<std::wstring> g_refused;

void Register(const wchar_t* procedure, const wchar_t* type_text, const wchar_t* argument_text, int macro_type,
              const wchar_t* category, const wchar_t* help_topic, const wchar_t* function_help,
              const wchar_t* argument_help1, const wchar_t* argument_help2, const wchar_t* argument_help3) {
  bool registered = false;
  try {
    registered = RegisterFunction(procedure, type_text, procedure, argument_text, macro_type, category, L"",
                                  help_topic, function_help, argument_help1, argument_help2, argument_help3);
  } catch (...) {
  }
  // The pass goes on: one refused row must not keep the others from the host.
  if (!registered) g_refused.emplace_back(procedure);
}

const wchar_t* TextAt(const MenuRow& row, size_t position) {
  if (position >= row.size() || row[position].vt != VT_BSTR || !row[position].bstrVal) return L"";
  return row[position].bstrVal;
}

LONG KindOf(const MenuRow& row) {
  return row.size() > kMenuKind && row[kMenuKind].vt == VT_I4 ? row[kMenuKind].lVal : 0;
}

void RegisterCommand(const wchar_t* command, const wchar_t* tooltip) {
  if (!*command) return;
  Register(command, L"JG%#", L"", 2, L"XLL", L"", tooltip, L"", L"", L"");
}

}  // namespace

void RegisterAll() {
  g_refused.clear();
  for (const FunctionRow& f : kFunctionRows)
    Register(f.procedure, f.type_text, f.argument_text, f.macro_type, f.category, TopicText(f.help_topic),
             f.function_help, f.argument_help1, f.argument_help2, f.argument_help3);
  for (const MenuRow& row : ActiveMenuTable) {
    RegisterCommand(TextAt(row, kMenuOnAction), TextAt(row, kMenuTooltip));
    if (KindOf(row) != kControlPopup) continue;
    // Sub-controls of a popup, five positions each: kind, Caption, OnAction, TooltipText, FaceId.
    for (size_t k = kMenuFirstEntry; k < row.size(); k += 5)
      RegisterCommand(TextAt(row, k + 2), TextAt(row, k + 3));
  }
}

const std::vector<std::wstring>& RefusedRegistrations() { return g_refused; }

void ForgetRegistrationPass() { g_refused.clear(); }

}  // namespace korvel::xll
