// The registration pass of start-up: every worksheet function, the About function and every command of the
// active menu table, as the host receives them, and what becomes of rows that the host refuses.
#include "life_cycle_fixture.h"
#include "menu_tooltips.h"
#include "startup/registration.h"

namespace korvel::test {
namespace {

class RegistrationTest : public LifeCycleTest {};

// The twelve fields after the add-in's path, written out from the product's registration table
// independently of the code that sends them.
struct Expected {
  const wchar_t* procedure;
  const wchar_t* type_text;
  const wchar_t* function_text;
  const wchar_t* argument_text;
  int macro_type;
  const wchar_t* category;
  const wchar_t* shortcut;
  const wchar_t* help_topic;
  const wchar_t* function_help;
  const wchar_t* argument_help1;
  const wchar_t* argument_help2;
  const wchar_t* argument_help3;
};

const std::wstring kTopicText = std::wstring(ProductSite) + L"!0";
const wchar_t* const kTopic = kTopicText.c_str();
const wchar_t* const kForum = L"https://forum.korvel.example.org/threads/rusletter!0";
const wchar_t* const kUnicode = L"https://www.unicode.org/charts/!0";

const Expected kFunctions[28] = {
    {L"RusLetter", L"C%F%$", L"RusLetter", L"String", 1, L"XLL", L"", kForum,
     L"Output only Russian letters + single spaces (multiple spaces are converted into one)", L"Any characters.", L"",
     L""},
    {L"DigitXLL", L"D%G%$", L"DigitXLL", L"String", 1, L"XLL", L"", kTopic, L"Output only Digits", L"Any characters.",
     L"", L""},
    {L"FilterUnicodeChar", L"G%G%G%G%$", L"FilterUnicodeChar", L"StringIn, EnableChar, DisableChar", 1, L"XLL", L"",
     kUnicode, L"Filter Unicode characters", L"", L"", L""},
    {L"TrimXLL", L"D%G%$", L"TrimXLL", L"StringIn", 1, L"XLL", L"", kTopic,
     L"Removes all spaces from text except for single spaces between words", L"", L"", L""},
    {L"SumInteger", L"UQD%JJ$", L"SumInteger",
     L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic, L"Sum BigNumInteger", L"data type: string, number, array", L"data type: string, number", L""},
    {L"MultiplyInteger", L"UQG%JJ$", L"MultiplyInteger",
     L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic, L"Multiply BigNumInteger", L"data type: string, number, array", L"data type: string, number", L""},
    {L"SubtractInteger", L"UG%G%JJ$", L"SubtractInteger",
     L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic, L"Subtract BigNumInteger", L"data type: string, number", L"data type: string, number", L""},
    {L"DivideInteger", L"UG%G%JJ$", L"DivideInteger",
     L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic, L"Divide BigNumInteger", L"data type: string, number", L"data type: string, number", L""},
    {L"ModInteger", L"UG%G%JJ$", L"ModInteger",
     L"Number1, Number2 , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic,
     L"BigNumInteger1 MOD BigNumInteger2. The sign of the divisor is ignored, the result is always non-negative",
     L"data type: string, number", L"data type: string, number", L""},
    {L"PowerInteger", L"UG%JJJ$", L"PowerInteger",
     L"Number, Exponent , BaseIn(2to36)(Optional) , BaseOut(2to36)(Optional) ", 1, L"XLLBignumArithmeticInteger", L"",
     kTopic, L"Power BigNumInteger", L"data type: string, number", L"data type: string, number", L""},
    {L"ConvertBaseInteger", L"UG%JJ$", L"ConvertBaseInteger", L"String , BaseIn(2to36) , BaseOut(2to36) ", 1,
     L"XLLBignumArithmeticInteger", L"", kTopic, L"Converts a number from one database to another (from 2 to 36)",
     L"String", L"Base In", L"Base Out "},
    {L"FactorialInteger", L"UJJ$", L"FactorialInteger", L" n, BaseOut(2to36)(Optional) ", 1,
     L"XLLBignumArithmeticInteger", L"", kTopic, L"Factorial of n", L"Number", L"Base Out", L""},
    {L"SumFloat", L"UQG%JG%$", L"SumFloat", L"Number1 , Number2 , PrecisionOut(Optional) , Separator(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Sum BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number, array", L"data type: string, number", L""},
    {L"MultiplyFloat", L"UQG%JG%$", L"MultiplyFloat",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Multiply BigNumFloa, MAX Precision = 32734 chart",
     L"data type: string, number, array", L"data type: string, number", L""},
    {L"SubtractFloat", L"UG%G%JG%$", L"SubtractFloat",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Subtract BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"DivideFloat", L"UG%G%JG%$", L"DivideFloat",
     L"Number1 , Number2 , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Divide BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"PowerFloat", L"UG%JJG%$", L"PowerFloat",
     L"Number , Exponent  , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Power BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: string, number", L""},
    {L"RootFloat", L"UG%JG%$", L"RootFloat",
     L"Number , PrecisionOut(Optional) , SeparatorIn(Optional) , SeparatorOut(Optional) ", 1,
     L"XLLBignumArithmeticFloat", L"", kTopic, L"Root BigNumFloat, MAX Precision = 32734 char",
     L"data type: string, number", L"data type: number", L""},
    {L"VlookupXLL", L"UUQU$", L"VlookupXLL", L"ArrayFind, Find, ArrayResult ", 1, L"XLL", L"", kTopic,
     L"Case sensitive.\tAutomatic type conversion (if possible).", L"", L"", L""},
    {L"VLOOKUP3", L"QQQQ$", L"VLOOKUP3", L"ArrayFind ,ArrayResult, Find ", 1, L"XLL", L"", L"", L"NEW VLOOKUP ;)",
     L"", L"", L""},
    {L"GetRowsCountCSVansi", L"UC%J", L"GetRowsCountCSVansi", L"File, FileFlagNoBuffering ", 1, L"XLL", L"", kTopic,
     L"GetRowsCountCSVansi", L"", L"", L""},
    {L"GetRowCSVansi", L"UC%JJ", L"GetRowCSVansi", L"File, RowIndex, FileFlagNoBuffering ", 1, L"XLL", L"", kTopic,
     L"GetRowCSVansi", L"", L"", L""},
    {L"FindRowsInCSVansi", L"UC%CLJ", L"FindRowsInCSVansi", L"File, FindString, MultiLine, FileFlagNoBuffering ", 1,
     L"XLL", L"", kTopic, L"FindRowsInCSVansi", L"", L"", L""},
    {L"QRcodePrint", L"UC%QQQQQQQQ", L"QRcodePrint",
     L"QRcodeText, SizePixel(Optional), PixelColorR(Optional), PixelColorG(Optional), PixelColorB(Optional), VersionSymbol(Optional), LevelErrCorrect(Optional), WidthImage(Optional), HeightImage(Optional) ",
     1, L"XLL", L"", kTopic, L"QRcodePrint", L"", L"", L""},
    {L"ColorRGB", L"jHHH", L"ColorRGB", L"R, G, B ", 1, L"XLL", L"", kTopic, L"ColorRGB", L"", L"", L""},
    {L"MyAsyncUDF", L">QX", L"MyAsyncUDF", L"", 1, L"XLL", L"", kTopic, L"MyAsyncUDF", L"", L"", L""},
    {L"FindValuesXLL", L"UUUJ", L"FindValuesXLL", L"arr, find, compare ", 2, L"XLL", L"", kTopic, L"FindValuesXLL",
     L"", L"", L""},
    {L"HelpXLL", L"U", L"HelpXLL", L" ", 1, L"XLL", L"", kTopic, L"", L"", L"", L""},

};

// The commands of rows 0 to 22, in row order.
const wchar_t* const kCommands[23] = {
    L"XLLbuttonHelp", L"XLLbuttonTranspose", L"XLLbuttonFindSummands", L"XLLbuttonFormatCells000",
    L"XLLbuttonIncreaseDecimal", L"XLLbuttonDecreaseDecimal", L"XLLbuttonTracePrecedents",
    L"XLLbuttonTraceDependents", L"XLLbuttonRemoveArrows", L"XLLbuttonTextToNumber", L"XLLbuttonTextSpaseToNumber",
    L"XLLbuttonForm", L"XLLbuttonDuplicateValues", L"XLLbuttonConditionalFormatToFormat",
    L"XLLbuttonConditionalFormatToFormatAllSheets", L"XLLbuttonSheets", L"XLLbuttonErrors", L"XLLbuttonLinks",
    L"XLLbuttonVisibleHiddenName", L"XLLbuttonDeleteErrorName", L"XLLbuttonBreakLinksSheet",
    L"XLLbuttonOperatingModeXLL", L"XLLbuttonMenuLanguag",
};

void CheckText(const SeenValue& v, const std::wstring& expected, int field) {
  SCOPED_TRACE(field);
  EXPECT_EQ(v.type, xltypeStr | xlbitDLLFree);
  EXPECT_EQ(v.text, expected);
}

// One registration, argument by argument: the path, then the twelve fields.
void CheckRegistration(const Registration& r, const std::wstring& path, const Expected& e) {
  SCOPED_TRACE(e.procedure);
  ASSERT_EQ(r.args.size(), 13u);
  // The path as the host filled it: the add-in's own mark for memory to hand back stays with the add-in.
  EXPECT_EQ(r.args[0].type, xltypeStr);
  EXPECT_EQ(r.args[0].text, path);
  const wchar_t* texts[12] = {e.procedure, e.type_text, e.function_text, e.argument_text, nullptr, e.category,
                              e.shortcut, e.help_topic, e.function_help, e.argument_help1, e.argument_help2,
                              e.argument_help3};
  for (int i = 0; i < 12; ++i) {
    if (i == 4) {
      EXPECT_EQ(r.args[5].type, xltypeInt | xlbitDLLFree);
      EXPECT_EQ(r.args[5].integer, e.macro_type);
      continue;
    }
    CheckText(r.args[i + 1], texts[i], i + 1);
  }
  EXPECT_TRUE(r.registered) << "the host could not bind the procedure in the add-in's module";
}

enum class Tooltips { kRussian, kEnglish };

// The whole pass: 28 functions, then 23 commands with the tooltips of the Russian or the English table as
// their help.
void CheckPass(const std::vector<Registration>& regs, size_t first, const std::wstring& path, Tooltips tooltips) {
  ASSERT_GE(regs.size(), first + 51);
  for (size_t i = 0; i < 28; ++i) CheckRegistration(regs[first + i], path, kFunctions[i]);
  for (size_t i = 0; i < 23; ++i) {
    const Expected command{kCommands[i], L"JG%#", kCommands[i], L"", 2, L"XLL", L"", L"",
                           TooltipOfRow(i, tooltips == Tooltips::kEnglish), L"", L"", L""};
    CheckRegistration(regs[first + 28 + i], path, command);
  }
}

TEST_F(RegistrationTest, FiftyOneRowsInTableOrderArgumentByArgument) {
  EXPECT_EQ(xlAutoOpen(), 1);
  const auto& regs = host.api().registrations();
  ASSERT_EQ(regs.size(), 51u);
  CheckPass(regs, 0, ProgramPath(), Tooltips::kRussian);
  // Spot checks against the menu description itself: the Russian help of the first two commands.
  EXPECT_EQ(regs[28].args[9].text, L"О Продукте");
  EXPECT_EQ(regs[29].args[9].text, L"Транспонирование на месте");
  EXPECT_EQ(regs[50].args[9].text, L"Язык основного меню и контекстного меню");
  EXPECT_EQ(Counter(kFunctionsRegistered), 1);
  EXPECT_TRUE(RefusedRegistrations().empty());
  // The path is asked for once per row and every copy goes back to the host.
  EXPECT_EQ(host.api().CallsOf(xlGetName).size(), 51u);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RegistrationTest, FirstOpenWithAnEnglishInterfaceRegistersTheRussianTooltipsTheNextTheEnglish) {
  Start(HostStart::kOneWorkbook, kEnglishUI);
  ASSERT_EQ(xlAutoOpen(), 1);
  const auto& regs = host.api().registrations();
  ASSERT_EQ(regs.size(), 51u);
  // The pass runs before the language is chosen: the table active at load gave the help texts.
  EXPECT_EQ(regs[28].args[9].text, L"О Продукте");
  EXPECT_EQ(regs[29].args[9].text, L"Транспонирование на месте");
  CheckPass(regs, 0, ProgramPath(), Tooltips::kRussian);
  EXPECT_EQ(::MenuLanguage, 1);

  ASSERT_EQ(xlAutoOpen(), 1);
  ASSERT_EQ(regs.size(), 102u);
  EXPECT_EQ(regs[51 + 28].args[9].text, L"About XLL");
  EXPECT_EQ(regs[51 + 29].args[9].text, L"Transpose");
  CheckPass(regs, 51, ProgramPath(), Tooltips::kEnglish);
  EXPECT_EQ(Counter(kFunctionsRegistered), 2);
}

TEST_F(RegistrationTest, RefusedRowsAreKeptByNameAndThePassGoesOn) {
  host.api().RefuseRegistration(L"SumFloat");
  host.api().RefuseRegistration(L"XLLbuttonSheets");
  ASSERT_EQ(xlAutoOpen(), 1);
  const auto& regs = host.api().registrations();
  ASSERT_EQ(regs.size(), 51u);
  size_t refused = 0;
  for (const Registration& r : regs) refused += !r.registered;
  EXPECT_EQ(refused, 2u);
  EXPECT_EQ(RefusedRegistrations(), (std::vector<std::wstring>{L"SumFloat", L"XLLbuttonSheets"}));
  // Counter 1 counts passes, refused rows or not; nothing is shown.
  EXPECT_EQ(Counter(kFunctionsRegistered), 1);
  EXPECT_TRUE(boxes().empty());

  // The next pass keeps its own record.
  host.Reset();
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_TRUE(RefusedRegistrations().empty());
  EXPECT_EQ(Counter(kFunctionsRegistered), 2);
}

TEST_F(RegistrationTest, HostRefusingEveryCallLeavesEveryRowRefused) {
  host.api().InjectReturn(xlfRegister, xlretFailed);
  ASSERT_EQ(xlAutoOpen(), 1);
  EXPECT_EQ(host.api().CallsOf(xlfRegister).size(), 51u);
  ASSERT_EQ(RefusedRegistrations().size(), 51u);
  EXPECT_EQ(RefusedRegistrations().front(), L"RusLetter");
  EXPECT_EQ(RefusedRegistrations().back(), L"XLLbuttonMenuLanguag");
  EXPECT_EQ(Counter(kFunctionsRegistered), 1);
  // Start-up goes on with its other steps.
  EXPECT_EQ(Counter(kHostDispatch), 1);
}

TEST_F(RegistrationTest, NoRowGoesOutWithoutTheAddInsPath) {
  host.api().FailOnCall(xlGetName, 3, xlretFailed);  // the path for FilterUnicodeChar
  host.api().FailOnCall(xlGetName, 30, xlretAbort);  // and for XLLbuttonTranspose, row 30
  ASSERT_EQ(xlAutoOpen(), 1);
  const auto& regs = host.api().registrations();
  ASSERT_EQ(regs.size(), 49u);
  for (const Registration& r : regs) {
    EXPECT_EQ(r.args[0].text, ProgramPath());
    EXPECT_NE(r.procedure(), L"FilterUnicodeChar");
    EXPECT_NE(r.procedure(), L"XLLbuttonTranspose");
  }
  EXPECT_EQ(RefusedRegistrations(), (std::vector<std::wstring>{L"FilterUnicodeChar", L"XLLbuttonTranspose"}));
  EXPECT_EQ(regs[2].procedure(), L"TrimXLL");
}

}  // namespace
}  // namespace korvel::test
