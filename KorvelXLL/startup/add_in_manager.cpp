// The add-in manager's question for the add-in's display name.
#include <string>

#include "functions/result_records.h"
#include "host/host_state.h"
#include "host/xl_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// Action 1, as the integer 1 or the number 1.0.
bool AsksForName(const XLOPER12* action) {
  if (!action) return false;
  switch (action->xltype & ~(xlbitXLFree | xlbitDLLFree)) {
    case xltypeInt: return action->val.w == 1;
    case xltypeNum: return action->val.num == 1.0;
    default: return false;
  }
}

}  // namespace

extern "C" XLOPER12* __stdcall xlAddInManagerInfo12(XLOPER12* action) {
  try {
    if (!AsksForName(action)) return NewErrorResult(xlerrValue);
    std::wstring name = std::wstring(ProductTitle) + L"(x64)";
    return NewXLStrFromWString(name);
  } catch (...) {
    return nullptr;
  }
}
