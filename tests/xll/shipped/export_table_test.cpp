// The shipped add-in file as the host sees it: its export table holds exactly the host's entry points, the
// registered procedures and commands, and the five exports that nothing registers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring ShippedPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::vector<std::string> ExportedNames(HMODULE module) {
  auto* base = reinterpret_cast<const BYTE*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::vector<std::string> names;
  if (!dir.VirtualAddress) return names;
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* name_rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.emplace_back(reinterpret_cast<const char*>(base + name_rvas[i]));
  // Exports by ordinal only would be invisible above.
  EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
  return names;
}

// Written out here rather than read from the build, so that a name lost or added in the build shows.
const char* const kExpected[] = {
    // entry points
    "xlAutoOpen", "xlAutoClose", "xlAutoAdd", "xlAutoRemove", "xlAutoFree12", "xlAddInManagerInfo12",
    "SetExcel12EntryPt",
    // registered procedures
    "RusLetter", "DigitXLL", "FilterUnicodeChar", "TrimXLL", "SumInteger", "MultiplyInteger", "SubtractInteger",
    "DivideInteger", "ModInteger", "PowerInteger", "ConvertBaseInteger", "FactorialInteger", "SumFloat",
    "MultiplyFloat", "SubtractFloat", "DivideFloat", "PowerFloat", "RootFloat", "VlookupXLL", "VLOOKUP3",
    "GetRowsCountCSVansi", "GetRowCSVansi", "FindRowsInCSVansi", "QRcodePrint", "ColorRGB", "MyAsyncUDF",
    "FindValuesXLL", "HelpXLL",
    // commands of the menu table
    "XLLbuttonHelp", "XLLbuttonTranspose", "XLLbuttonFindSummands", "XLLbuttonFormatCells000",
    "XLLbuttonIncreaseDecimal", "XLLbuttonDecreaseDecimal", "XLLbuttonTracePrecedents", "XLLbuttonTraceDependents",
    "XLLbuttonRemoveArrows", "XLLbuttonTextToNumber", "XLLbuttonTextSpaseToNumber", "XLLbuttonForm",
    "XLLbuttonDuplicateValues", "XLLbuttonConditionalFormatToFormat", "XLLbuttonConditionalFormatToFormatAllSheets",
    "XLLbuttonSheets", "XLLbuttonErrors", "XLLbuttonLinks", "XLLbuttonVisibleHiddenName", "XLLbuttonDeleteErrorName",
    "XLLbuttonBreakLinksSheet", "XLLbuttonOperatingModeXLL", "XLLbuttonMenuLanguag",
    // exported, never registered
    "TrimXLL2", "SumInteger2", "DellDuplicates", "XLLbuttonGetArreyXLS", "XLLbuttonGetArreyCOM",
};

TEST(ShippedAddIn, ExportsExactlyTheHostsNames) {
  HMODULE module = LoadLibraryW(ShippedPath().c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  std::vector<std::string> names = ExportedNames(module);
  std::vector<std::string> expected(std::begin(kExpected), std::end(kExpected));
  ASSERT_EQ(expected.size(), 63u);
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  FreeLibrary(module);
}

}  // namespace
