// The menu command "XLL Поиск слагаемых": values of column A whose sum lies between B1 and B2 go into
// column C, each on the row of its value. The sheet is read and written through the object model; the
// search itself is the host-free unit of summand_search.h. All three boxes that the script can answer go
// through one timer and answer index.
#include <string>
#include <vector>

#include "commands/object_calls.h"
#include "commands/summand_search.h"
#include "common/safearray_access.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "host/xl_owners.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel;
using namespace korvel::xll;

namespace {

constexpr UINT kOkCancelQuestion = MB_OKCANCEL | MB_ICONQUESTION | MB_TOPMOST;  // 0x40021
constexpr LONG kSheetRows = 1048576;
constexpr LONG kUpward = -4162;  // the host's constant for End toward the top

const wchar_t kIntroduction[] =
    L"Поиск слагаемых под задаваемую сумму (в диапазоне мин-макс).\n"
    L"!Рачсет только по целым числам, дробная часть отбрасывается!\n\n"
    L"Исходный массив - столбец 'A:A'\n"
    L"Минимальная сумма - ячейка'В1'\n"
    L"Максимальная сумма - ячейка'В2'\n"
    L"Массив результатов - столбец 'С:С'\n\n"
    L"Все верно, начинаем?";
const wchar_t kNoExactSolution[] =
    L"Точное решение не найдено.\nВывести максимально приближенное (к минимальной сумме)?";
const wchar_t kDataError[] = L"Ошибка в данных";
const wchar_t kStoppedByUser[] = L"Поиск прерван пользователем";

int Stop(UINT type, const wchar_t* text) {
  ShowBox(type, text);
  return -1;
}

// Gives the array data back; a failure is reported and stops the command.
bool Release(korvel::SafeArrayLock& lock) {
  if (SUCCEEDED(lock.Unlock())) return true;
  ShowBox(kErrorBox, L"FAILED(SafeArrayUnaccessData)");
  return false;
}

int StopAndRelease(korvel::SafeArrayLock& lock, UINT type, const wchar_t* text) {
  ShowBox(type, text);
  Release(lock);
  return -1;
}

// The value of the range at `address` on the active sheet; false after the failing call's box.
bool ReadRange(const std::wstring& address, OwnedVariant& value) {
  OwnedVariant range;
  if (GetMember(pExcelDisp, L"Range", range, OwnedVariant::Text(address.c_str()))) {
    ShowBox(kErrorBox, L"Range: ");
    return false;
  }
  if (GetMember(ObjectOf(range), L"Value", value)) {
    ShowBox(kErrorBox, L"ValueGET: ");
    return false;
  }
  return true;
}

// The host's break: whether the user pressed Esc. The break is cleared as it is taken, since the search
// that asks ends for it; a host that cannot answer counts as no break.
bool UserPressedEsc() {
  XLOPER12 clear{};
  clear.xltype = xltypeBool;
  clear.val.xbool = FALSE;
  HostResult answer;
  if (Excel12X(xlAbort, answer.get(), true, nullptr, 1, &clear) != xlretSuccess) return false;
  return answer.kind() == xltypeBool && answer->val.xbool;
}

std::wstring RefusalText(const SummandSearch& search) {
  if (search.refusal == SummandRefusal::kStopped) return kStoppedByUser;
  if (search.refusal == SummandRefusal::kTableTooLarge)
    return std::wstring(kDataError) + L": сумм для поиска " + std::to_wstring(search.table_sums) +
           L", больше " + std::to_wstring(kMaxReducedSums);
  return kDataError;
}

int Run(wchar_t* scripted_answers) {
  TimedPrompts prompts(scripted_answers);
  if (IsDeclined(prompts.Ask(kOkCancelQuestion, kIntroduction))) return -1;

  OwnedVariant cells, end, row;
  if (GetMember(pExcelDisp, L"Cells", cells, OwnedVariant::I4(1), OwnedVariant::I4(kSheetRows)))
    return Stop(kErrorBox, L"pxlCells: ");
  if (GetMember(ObjectOf(cells), L"End", end, OwnedVariant::I4(kUpward))) return Stop(kErrorBox, L"pxlEnd: ");
  if (GetMember(ObjectOf(end), L"Row", row)) return Stop(kErrorBox, L"xlLastCell: ");
  double last_row = 0;
  if (!ToDouble(row, last_row) || !(last_row >= 1 && last_row <= kSheetRows)) return Stop(kWarningBox, kDataError);
  const std::wstring last = std::to_wstring(static_cast<long>(last_row));

  OwnedVariant values, low, high, output;
  if (!ReadRange(L"A1:A" + last, values) || !ReadRange(L"B1", low) || !ReadRange(L"B2", high)) return -1;
  double minimum = 0, maximum = 0;
  if (!ToDouble(low, minimum) || !ToDouble(high, maximum)) return Stop(kWarningBox, kDataError);
  if (GetMember(pExcelDisp, L"Range", output, OwnedVariant::Text((L"C1:C" + last).c_str())))
    return Stop(kErrorBox, L"Range: ");

  SAFEARRAY** slot = ArraySlot(&values, VT_VARIANT);
  if (!slot || !*slot) return Stop(kWarningBox, L"Нет массива");
  SAFEARRAY* array = *slot;
  if (SafeArrayGetDim(array) != 2) return Stop(kErrorBox, L"Массив не равный двум размерностям");
  korvel::SafeArrayLock lock(array);
  if (FAILED(lock.status())) return Stop(kErrorBox, L"FAILED(SafeArrayAccessData)");
  // Rows are the left dimension, whose bounds the descriptor keeps second; column A is the first column.
  const size_t rows = array->rgsabound[1].cElements;
  const size_t elements = rows * array->rgsabound[0].cElements;
  // Column A is read from the data: an answer without a column holds none of it.
  if (array->rgsabound[0].cElements == 0) return StopAndRelease(lock, kWarningBox, kDataError);
  VARIANT* data = lock.data<VARIANT>();
  std::vector<double> column(rows);
  for (size_t j = 0; j < rows; ++j)
    if (!ToDouble(data[j], column[j])) return StopAndRelease(lock, kWarningBox, kDataError);

  // The search may take minutes over a large table: it asks the host for the user's Esc meanwhile.
  const SummandSearch search = FindSummands(column, minimum, maximum, UserPressedEsc);
  if (search.refusal != SummandRefusal::kNone)
    return StopAndRelease(lock, kWarningBox, RefusalText(search).c_str());
  if (!search.within_bounds && IsDeclined(prompts.Ask(kOkCancelQuestion, kNoExactSolution))) {
    Release(lock);
    return -1;
  }
  for (size_t i = 0; i < elements; ++i) VariantClear(&data[i]);
  for (std::uint32_t chosen : search.rows) {
    VARIANT& cell = data[chosen - 1];
    cell.vt = VT_I8;
    cell.llVal = static_cast<LONGLONG>(column[chosen - 1]);
  }
  if (!Release(lock)) return -1;

  // Column C changes only now, once every check and answer has let the command go on.
  if (CallMember(ObjectOf(output), L"ClearContents")) return Stop(kErrorBox, L"ClearContents: ");
  if (PutMember(ObjectOf(output), L"Value", values)) return Stop(kErrorBox, L"ValuePUT: ");
  const std::wstring done = L"Решение найдено, выведено на лист элементов: " + std::to_wstring(search.rows.size());
  prompts.Ask(kInformationBox, done.c_str());
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonFindSummands(wchar_t* scripted_answers) {
  try {
    return Run(scripted_answers);
  } catch (...) {
    return -1;
  }
}
