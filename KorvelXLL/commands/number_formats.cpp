// The selection's number format "#,##0", and numbers stored as text turned into numbers.
#include <ctime>
#include <string>

#include "commands/number_text.h"
#include "commands/object_calls.h"
#include "common/safearray_access.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr LONG kConstantCells = 2;  // the host's constant for the cells that hold constants
constexpr wchar_t kNoCells[] = L"Не найдено ни одной ячейки, удовлетворяющей указанным условиям.";
constexpr wchar_t kQuestion[] =
    L"Конвертиравать числа, сохраненные как текст, в числа?\n (если выделена одна ячека, обрабатывается весь лист)";

int FormatThousands(const ScriptedAnswers& script) {
  const std::clock_t start = std::clock();
  HeldObject selection;
  if (CallMember(kGetMember, pExcelDisp, L"Selection", selection.out()) != 0) {
    ShowBox(kErrorBox, L"pxlSelection: ");
    return -1;
  }
  if (CallMember(kPutMember, selection.get(), L"NumberFormat", nullptr, {OwnedVariant::Text(L"#,##0")}) != 0) {
    ShowBox(kErrorBox, L"NumberFormat: ");
    return -1;
  }
  TimingNotice(script, 1, start);
  return 0;
}

// The decimal separator with which the host reads what is typed: the system's while the host uses the system
// separators, else its own. False when the host cannot be asked.
bool HostDecimalSeparator(wchar_t& decimal) {
  OwnedVariant system, own;
  std::wstring text;
  if (CallMember(kGetMember, pExcelDisp, L"UseSystemSeparators", &system) != 0) return false;
  if (ReadTruth(system)) {
    wchar_t buffer[8] = {};
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) || !buffer[0]) return false;
    decimal = buffer[0];
    return true;
  }
  if (CallMember(kGetMember, pExcelDisp, L"DecimalSeparator", &own) != 0 || !ReadText(own, text) || text.empty())
    return false;
  decimal = text[0];
  return true;
}

// One cell of what goes back: a text that reads as a number becomes that number; any other text is typed
// back behind an apostrophe, so that '=A1', '1.5' or 'ЛОЖЬ' stay the texts they are; any other constant goes
// back as the value it is, without passing through 15 digits of text.
void Rewrite(VARIANT& cell, wchar_t decimal) {
  if (cell.vt != VT_BSTR) return;
  const std::wstring text(cell.bstrVal ? cell.bstrVal : L"", SysStringLen(cell.bstrVal));
  double number = 0;
  OwnedVariant rewritten;
  if (ReadsAsNumber(text, decimal, number)) {
    rewritten.vt = VT_R8;
    rewritten.dblVal = number;
  } else {
    rewritten = OwnedVariant::Text((L"'" + text).c_str());
  }
  VariantClear(&cell);
  cell = rewritten;
  VariantInit(&rewritten);
}

// What the area's typed contents become: its values, cell by cell as Rewrite says, in the shape they came.
bool RewrittenContents(const VARIANT& values, wchar_t decimal, OwnedVariant& out) {
  out = OwnedVariant(values);
  if (!(out.vt & VT_ARRAY)) {
    Rewrite(out, decimal);
    return true;
  }
  if (out.vt != (VT_ARRAY | VT_VARIANT) || !out.parray) return false;
  SAFEARRAY* array = out.parray;
  size_t cells = 1;
  for (USHORT d = 0; d < array->cDims; ++d) cells *= array->rgsabound[d].cElements;
  korvel::SafeArrayLock lock(array);
  if (FAILED(lock.status())) return false;
  VARIANT* data = lock.data<VARIANT>();
  for (size_t i = 0; i < cells; ++i) Rewrite(data[i], decimal);
  return true;
}

int ConvertTextToNumbers(const ScriptedAnswers& script) {
  if (!ConfirmCommand(script, kQuestion)) return -1;
  const std::clock_t start = std::clock();
  HeldObject selection, constants, areas;
  if (CallMember(kGetMember, pExcelDisp, L"Selection", selection.out()) != 0) {
    ShowBox(kErrorBox, L"pxlSelection");
    return -1;
  }
  // Of one selected cell the host takes the whole sheet's constants.
  if (CallMember(kCallMember, selection.get(), L"SpecialCells", constants.out(),
                 {OwnedVariant::I4(kConstantCells)}) != 0) {
    ShowBox(kWarningBox, kNoCells);
    return -1;
  }
  if (CallMember(kCallMember, constants.get(), L"Select", nullptr) != 0) {
    ShowBox(kErrorBox, L"Select");
    return -1;
  }
  if (CallMember(kGetMember, constants.get(), L"Areas", areas.out()) != 0) {
    ShowBox(kErrorBox, L"Areas");
    return -1;
  }
  OwnedVariant count_value;
  long long count = 0;
  if (CallMember(kGetMember, areas.get(), L"Count", &count_value) != 0 || !ReadInteger(count_value, count)) {
    ShowBox(kErrorBox, L"AreasCount");
    return -1;
  }
  wchar_t decimal = L'.';
  if (!HostDecimalSeparator(decimal)) {
    ShowBox(kErrorBox, L"DecimalSeparator");
    return -1;
  }
  for (long long i = 1; i <= count; ++i) {
    HeldObject area;
    if (CallMember(kGetMember, areas.get(), L"Item", area.out(), {OwnedVariant::I4(static_cast<LONG>(i))}) != 0) {
      ShowBox(kErrorBox, L"AreasItem");
      return -1;
    }
    // The typed text alone does not tell a number from a number stored as text: the values do.
    OwnedVariant typed, values, rewritten;
    if (CallMember(kGetMember, area.get(), L"FormulaLocal", &typed) != 0 ||
        CallMember(kGetMember, area.get(), L"Value", &values) != 0 || !RewrittenContents(values, decimal, rewritten)) {
      ShowBox(kErrorBox, L"FormulaLocalIn");
      return -1;
    }
    if (CallMember(kPutMember, area.get(), L"FormulaLocal", nullptr, {rewritten}) != 0) {
      ShowBox(kErrorBox, L"FormulaLocalOut");
      return -1;
    }
  }
  TimingNotice(script, 2, start);
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonFormatCells000(wchar_t* scripted_answers) {
  try {
    return FormatThousands(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}

extern "C" int __stdcall XLLbuttonTextToNumber(wchar_t* scripted_answers) {
  try {
    return ConvertTextToNumbers(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}
