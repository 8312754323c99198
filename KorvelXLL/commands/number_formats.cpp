// The selection's number format "#,##0", and numbers stored as text turned into numbers.
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

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

// The separators with which the host reads what is typed: the system's while the host uses the system
// separators (its default), else its own. Null when they were read, else the member whose reading failed.
const wchar_t* ReadHostSeparators(NumberSeparators& out) {
  OwnedVariant system;
  if (CallMember(kGetMember, pExcelDisp, L"UseSystemSeparators", &system) != 0) return L"UseSystemSeparators";
  if (ReadTruth(system)) {
    wchar_t decimal[8] = {}, group[8] = {};
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) || !decimal[0]) return L"DecimalSeparator";
    // A locale may group its digits with no separator: then none is read.
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group, 8)) return L"ThousandsSeparator";
    out = NumberSeparators{decimal[0], group[0]};
    return nullptr;
  }
  OwnedVariant own_decimal, own_group;
  std::wstring decimal, group;
  if (CallMember(kGetMember, pExcelDisp, L"DecimalSeparator", &own_decimal) != 0 || !ReadText(own_decimal, decimal) ||
      decimal.empty())
    return L"DecimalSeparator";
  if (CallMember(kGetMember, pExcelDisp, L"ThousandsSeparator", &own_group) != 0 || !ReadText(own_group, group))
    return L"ThousandsSeparator";
  out = NumberSeparators{decimal[0], group.empty() ? L'\0' : group[0]};
  return nullptr;
}

// The numbers of `rows` x `columns` cells, column-major as the host's arrays are, as one value to put: the
// number itself for one cell, else a two-dimensional array of doubles.
OwnedVariant NumbersToPut(const double* numbers, size_t rows, size_t columns) {
  OwnedVariant value;
  if (rows == 1 && columns == 1) {
    value.vt = VT_R8;
    value.dblVal = numbers[0];
    return value;
  }
  SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(columns), 1}};
  korvel::UniqueSafeArray array(SafeArrayCreate(VT_R8, 2, bounds));
  if (!array.get()) throw VariantError{E_OUTOFMEMORY};
  {
    korvel::SafeArrayLock lock(array.get());
    if (FAILED(lock.status())) throw VariantError{lock.status()};
    std::copy(numbers, numbers + rows * columns, lock.data<double>());
  }
  value.vt = VT_ARRAY | VT_R8;
  value.parray = array.release();
  return value;
}

// The cells of one area whose texts read as numbers, with those numbers, in the order of the host's array.
struct AreaNumbers {
  size_t rows = 1, columns = 1;
  std::vector<double> numbers;
  std::vector<char> converts;
  size_t converting = 0;
};

// Reads the area's values as Value2 gives them: plain doubles, where Value would give a Currency rounded to
// four decimals or a Date for a number in a currency or date format. False when they cannot be read.
bool ReadAreaNumbers(IDispatch* area, const NumberSeparators& separators, AreaNumbers& out) {
  OwnedVariant values;
  if (CallMember(kGetMember, area, L"Value2", &values) != 0) return false;
  auto take = [&](const VARIANT& cell, size_t i) {
    if (cell.vt != VT_BSTR) return;
    const std::wstring text(cell.bstrVal ? cell.bstrVal : L"", SysStringLen(cell.bstrVal));
    if (ReadsAsNumber(text, separators, out.numbers[i])) out.converts[i] = 1, ++out.converting;
  };
  if (!(values.vt & VT_ARRAY)) {
    out.numbers.assign(1, 0.0);
    out.converts.assign(1, 0);
    take(values, 0);
    return true;
  }
  korvel::ArrayShape shape;
  if (values.vt != (VT_ARRAY | VT_VARIANT) || !korvel::ReadShape(values.parray, sizeof(VARIANT), &shape)) return false;
  out.rows = shape.height;
  out.columns = shape.width;
  out.numbers.assign(shape.count(), 0.0);
  out.converts.assign(shape.count(), 0);
  korvel::SafeArrayLock lock(values.parray);
  if (FAILED(lock.status())) return false;
  const VARIANT* data = lock.data<VARIANT>();
  for (size_t i = 0; i < shape.count(); ++i) take(data[i], i);
  return true;
}

// Puts `length` numbers into the cells of `area` from its cell (row, column), counted from 1, down the column
// or along the row. False when the host refuses a step.
bool WriteRun(IDispatch* area, size_t row, size_t column, const double* numbers, size_t length, bool down) {
  HeldObject first, run;
  if (CallMember(kGetMember, area, L"Item", first.out(),
                 {OwnedVariant::I4(static_cast<LONG>(column)), OwnedVariant::I4(static_cast<LONG>(row))}) != 0)
    return false;
  IDispatch* target = first.get();
  if (length > 1) {
    const LONG rows = static_cast<LONG>(down ? length : 1), columns = static_cast<LONG>(down ? 1 : length);
    if (CallMember(kGetMember, target, L"Resize", run.out(), {OwnedVariant::I4(columns), OwnedVariant::I4(rows)}) != 0)
      return false;
    target = run.get();
  }
  return CallMember(kPutMember, target, L"Value2", nullptr,
                    {NumbersToPut(numbers, down ? length : 1, down ? 1 : length)}) == 0;
}

// Writes the numbers of the area's cells whose texts read as numbers, and no other cell, so that every other
// cell keeps its value, type, format and the formatting of its characters (any write drops the latter). An
// area of such cells alone takes one write; otherwise each run of them down a column (along the row of a
// one-row area) takes one. False when the host refuses a write.
bool WriteAreaNumbers(IDispatch* area, const AreaNumbers& a) {
  if (!a.converting) return true;
  if (a.converting == a.converts.size())
    return CallMember(kPutMember, area, L"Value2", nullptr, {NumbersToPut(a.numbers.data(), a.rows, a.columns)}) == 0;
  const bool down = a.rows > 1;
  const size_t lines = down ? a.columns : 1, length = down ? a.rows : a.columns;
  for (size_t line = 0; line < lines; ++line) {
    const size_t base = line * length;
    for (size_t p = 0; p < length;) {
      if (!a.converts[base + p]) {
        ++p;
        continue;
      }
      const size_t start = p;
      while (p < length && a.converts[base + p]) ++p;
      const size_t row = down ? start + 1 : 1, column = down ? line + 1 : start + 1;
      if (!WriteRun(area, row, column, &a.numbers[base + start], p - start, down)) return false;
    }
  }
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
  NumberSeparators separators;
  if (const wchar_t* failed = ReadHostSeparators(separators)) {
    ShowBox(kErrorBox, failed);
    return -1;
  }
  // Rewriting each area's typed texts whole would change what was never text: a read through Value gives a
  // currency cell's number rounded to four decimals and every write drops the characters' formatting of a
  // text. So each area's cells are read through Value2 and only its number texts are written.
  for (long long i = 1; i <= count; ++i) {
    HeldObject area;
    if (CallMember(kGetMember, areas.get(), L"Item", area.out(), {OwnedVariant::I4(static_cast<LONG>(i))}) != 0) {
      ShowBox(kErrorBox, L"AreasItem");
      return -1;
    }
    AreaNumbers numbers;
    if (!ReadAreaNumbers(area.get(), separators, numbers)) {
      ShowBox(kErrorBox, L"FormulaLocalIn");
      return -1;
    }
    if (!WriteAreaNumbers(area.get(), numbers)) {
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
