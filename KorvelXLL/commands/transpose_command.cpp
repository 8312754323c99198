// The menu command "XLL Транспонировать": the selection's values, recalculated, transposed in memory by the
// same core as the server's Transpose and written into the swapped shape from the same top-left cell.
#include <string>

#include "commands/transpose_command.h"

#include "commands/object_calls.h"
#include "common/array_reshape.h"
#include "common/safearray_access.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel;
using namespace korvel::xll;

namespace {

const wchar_t kQuestion[] =
    L"Транспонирование будет произведено 'на месте'.\nДанные будут рассчитаны и сохранены в значениях.\n"
    L"Эту команду нельзя отменить.\nПродолжаем?";
const wchar_t kSelectRange[] = L"Выделите диапазон!";
// The write failed after the selection was cleared, and its values could not go back either.
const wchar_t kValuesLost[] = L"ValuePUT: \nЗначения выделенного диапазона не удалось вернуть на место";

ScopedTransposeBackForTesting::Transpose g_transpose_back = &TransposeInPlace;

int Stop(UINT type, const wchar_t* text) {
  ShowBox(type, text);
  return -1;
}

const wchar_t* TransposeFailure(TransposeStep step) {
  switch (step) {
    case TransposeStep::kShape: return L"Массив не равный двум размерностям";
    case TransposeStep::kAccess: return L"FAILED(SafeArrayAccessData)";
    case TransposeStep::kCopy: return L"Недостаточно памяти для копии массива";
    default: return L"FAILED(SafeArrayUnaccessData)";
  }
}

OwnedVariant UI8(ULONGLONG v) {
  OwnedVariant o;
  o.vt = VT_UI8;
  o.ullVal = v;
  return o;
}

int Run(wchar_t* scripted_answers) {
  const ScriptedAnswers script(scripted_answers);
  if (!ConfirmCommand(script, kQuestion)) return -1;
  OwnedVariant ignored;
  if (GetMember(pExcelDisp, L"Calculate", ignored)) return Stop(kErrorBox, L"Calculate: ");
  const std::clock_t start = std::clock();

  OwnedVariant selection, areas, area_count, values, target;
  if (GetMember(pExcelDisp, L"Selection", selection) || !ObjectOf(selection)) return Stop(kErrorBox, L"Selection: ");
  IDispatch* source = ObjectOf(selection);
  // Value reads one area while ClearContents empties them all: several areas are refused before any change.
  if (GetMember(source, L"Areas", areas)) return Stop(kErrorBox, L"Areas: ");
  double count = 0;
  if (GetMember(ObjectOf(areas), L"Count", area_count) || !ToDouble(area_count, count))
    return Stop(kErrorBox, L"Areas.Count: ");
  if (count != 1) return Stop(kWarningBox, kSelectRange);
  if (GetMember(source, L"Value", values)) return Stop(kErrorBox, L"ValueGET: ");

  SAFEARRAY** slot = ArraySlot(&values);
  if (!slot || !*slot) return Stop(kWarningBox, kSelectRange);
  SAFEARRAY* array = *slot;
  if (SafeArrayGetDim(array) != 2) return Stop(kErrorBox, L"Массив не равный двум размерностям");
  const ULONGLONG rows = array->rgsabound[1].cElements, columns = array->rgsabound[0].cElements;
  TransposeStep step = TransposeStep::kNone;
  if (FAILED(TransposeInPlace(array, &step))) return Stop(kErrorBox, TransposeFailure(step));

  // Resize takes (RowSize, ColumnSize) = (columns, rows); AutoWrap wants the last argument first.
  if (GetMember(source, L"Resize", target, UI8(rows), UI8(columns))) return Stop(kErrorBox, L"pxlResize: ");
  if (CallMember(source, L"ClearContents")) return Stop(kErrorBox, L"ClearContents: ");
  if (PutMember(ObjectOf(target), L"Value", values)) {
    // The selection is already cleared: its values go back before the report, so that nothing is lost, and
    // the report says when they could not.
    const bool restored = SUCCEEDED(g_transpose_back(array, nullptr)) && !PutMember(source, L"Value", values);
    return Stop(kErrorBox, restored ? L"ValuePUT: " : kValuesLost);
  }
  if (GetMember(ObjectOf(target), L"Select", ignored)) return Stop(kErrorBox, L"Select: ");
  TimingNotice(script, 2, start);
  return 0;
}

}  // namespace

namespace korvel::xll {

ScopedTransposeBackForTesting::ScopedTransposeBackForTesting(Transpose transpose) : saved_(g_transpose_back) {
  g_transpose_back = transpose;
}

ScopedTransposeBackForTesting::~ScopedTransposeBackForTesting() { g_transpose_back = saved_; }

}  // namespace korvel::xll

extern "C" int __stdcall XLLbuttonTranspose(wchar_t* scripted_answers) {
  try {
    return Run(scripted_answers);
  } catch (...) {
    return -1;
  }
}
