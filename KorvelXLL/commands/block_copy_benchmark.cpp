// Two exported commands that time reading a large block of cells and writing it back unchanged: through the
// C API (XLLbuttonGetArreyXLS) and through the object model (XLLbuttonGetArreyCOM).
#include <ctime>
#include <memory>
#include <string>

#include "commands/benchmark_settings.h"
#include "commands/object_calls.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "host/xl_owners.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr XlColumn kLastSheetColumn = 16383;
const wchar_t kQuestion[] = L"Запускаем?";

int Stop(const std::wstring& text) {
  ShowBox(kErrorBox, text.c_str());
  return -1;
}

unsigned long Ms(std::clock_t from, std::clock_t to) { return static_cast<unsigned long>(ElapsedMilliseconds(from, to)); }

void ShowTimes(const ScriptedAnswers& script, std::clock_t t0, std::clock_t t1, std::clock_t t2, std::clock_t t3) {
  if (!TimingWanted(script, 2)) return;
  const std::wstring text = L"m1: " + std::to_wstring(Ms(t0, t1)) + L" m2: " + std::to_wstring(Ms(t1, t2)) +
                            L" m3: " + std::to_wstring(Ms(t2, t3)) + L" m: " + std::to_wstring(Ms(t0, t3));
  ShowBox(kInformationBox, text.c_str());
}

int CopyThroughCApi(wchar_t* scripted_answers) {
  const ScriptedAnswers script(scripted_answers);
  if (!ConfirmCommand(script, kQuestion)) return -1;
  const std::clock_t t0 = std::clock();
  auto block = std::make_unique<XLOPER12>();
  block->xltype = xltypeSRef;
  block->val.sref.count = 1;
  block->val.sref.ref = XlArea{0, g_benchmark_sizes.xls_block_rows - 1, 0, kLastSheetColumn};
  HostResult values;
  // A failed coerce leaves the record unfilled: setting the block to it would clear the block.
  int rc = Excel12(xlCoerce, values.get(), 1, block.get());
  if (rc != xlretSuccess) return Stop(L"xlCoerce: " + std::to_wstring(rc));
  values.TakenFromHost();
  const std::clock_t t1 = std::clock();
  const std::clock_t t2 = std::clock();
  XLOPER12 filled = values.AsArgument();
  rc = Excel12(xlSet, nullptr, 2, block.get(), &filled);
  if (rc != xlretSuccess) return Stop(L"xlSet: " + std::to_wstring(rc));
  FreeXLOper(values.get());
  block.reset();
  const std::clock_t t3 = std::clock();
  ShowTimes(script, t0, t1, t2, t3);
  return 0;
}

int CopyThroughObjectModel(wchar_t* scripted_answers) {
  const ScriptedAnswers script(scripted_answers);
  if (!ConfirmCommand(script, kQuestion)) return -1;
  const std::wstring address = L"A1:xfd" + std::to_wstring(g_benchmark_sizes.com_block_rows);
  const OwnedVariant address_arg = OwnedVariant::Text(address.c_str());
  const std::clock_t t0 = std::clock();
  OwnedVariant sheet, source, values, target;
  if (GetMember(pExcelDisp, L"ActiveSheet", sheet)) return Stop(L"ActiveSheet: ");
  if (GetMember(ObjectOf(sheet), L"Range", source, address_arg)) return Stop(L"Range: ");
  if (GetMember(ObjectOf(source), L"Value", values)) return Stop(L"ValueGET: ");
  const std::clock_t t1 = std::clock();
  const std::clock_t t2 = std::clock();
  if (GetMember(ObjectOf(sheet), L"Range", target, address_arg)) return Stop(L"Range: ");
  if (PutMember(ObjectOf(target), L"Value", values)) return Stop(L"Value: ");
  const std::clock_t t3 = std::clock();
  ShowTimes(script, t0, t1, t2, t3);
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonGetArreyXLS(wchar_t* scripted_answers) {
  try {
    return CopyThroughCApi(scripted_answers);
  } catch (...) {
    return -1;
  }
}

extern "C" int __stdcall XLLbuttonGetArreyCOM(wchar_t* scripted_answers) {
  try {
    return CopyThroughObjectModel(scripted_answers);
  } catch (...) {
    return -1;
  }
}
