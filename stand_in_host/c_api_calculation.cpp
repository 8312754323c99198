// The host's C API functions of a cell calculation: xlfCaller, xlAsyncReturn and xlfGetWorkspace.
#include <algorithm>
#include <new>

#include "calculation.h"
#include "host_numbers.h"
#include "object_model/object_model.h"

namespace korvel::standin {

using namespace hostapi;

int Calculation::AnswerCaller(int count, XLOPER12**, XLOPER12* result) {
  if (count != 0) return xlretInvCount;
  if (!sheet_ || caller_answer_ == CallerAnswer::kFailure) return xlretFailed;
  if (!result) return xlretSuccess;
  const XlArea area{row_ - 1, row_ - 1 + rows_ - 1, column_ - 1, column_ - 1 + columns_ - 1};
  *result = XLOPER12{};
  if (caller_answer_ == CallerAnswer::kSingleArea) {
    result->xltype = xltypeSRef;
    result->val.sref.count = 1;
    result->val.sref.ref = area;
    return xlretSuccess;
  }
  // Two areas: the caller's and the cell right of it, as a list of the host's memory.
  const size_t bytes = offsetof(xll::XlAreaList, reftbl) + 2 * sizeof(XlArea);
  auto* list = static_cast<xll::XlAreaList*>(::operator new(bytes));
  list->count = 2;
  list->reftbl[0] = area;
  list->reftbl[1] = XlArea{area.rwFirst, area.rwFirst, area.colLast + 1, area.colLast + 1};
  result->xltype = xltypeRef;
  result->val.mref.lpmref = list;
  result->val.mref.idSheet = sheet_->cells().id();
  CApi::Get().HandOut(list, [list] { ::operator delete(list); });
  return xlretSuccess;
}

int Calculation::CompleteAsync(int count, XLOPER12** args, XLOPER12* result) {
  if (count != 2) return xlretInvCount;
  const XLOPER12* handle = args[0];
  // Only a handle of a call that the host started and that has not completed yet.
  if (!handle || (handle->xltype & ~(xlbitXLFree | xlbitDLLFree)) != (xltypeStr | xltypeInt)) return xlretInvXloper;
  const auto id = reinterpret_cast<INT_PTR>(handle->val.bigdata.h.hdata);
  auto it = std::find(pending_.begin(), pending_.end(), id);
  if (it == pending_.end()) return xlretFailed;
  pending_.erase(it);
  completions_.push_back({id, See(args[1])});
  if (result) {
    *result = XLOPER12{};
    result->xltype = xltypeBool;
    result->val.xbool = TRUE;
  }
  return xlretSuccess;
}

int Calculation::AnswerWorkspace(int count, XLOPER12** args, XLOPER12* result) {
  if (count != 1 || !args[0]) return xlretInvCount;
  const XLOPER12* which = args[0];
  const DWORD kind = which->xltype & ~(xlbitXLFree | xlbitDLLFree);
  const double number = kind == xltypeNum ? which->val.num : kind == xltypeInt ? which->val.w : 0;
  // The stand-in knows one type number of GET.WORKSPACE: 2, the host's version.
  if (number != 2) return xlretFailed;
  if (!result) return xlretSuccess;
  *result = XLOPER12{};
  switch (workspace_answer_) {
    case WorkspaceAnswer::kText: {
      const OwnedVariant& version = ObjectModel::Get().application()->Value(L"Version");
      CApi::Get().HandOutString(result, version.vt == VT_BSTR ? std::wstring(version.bstrVal, SysStringLen(version.bstrVal))
                                                              : std::wstring());
      break;
    }
    case WorkspaceAnswer::kNumber:
      result->xltype = xltypeNum;
      result->val.num = 16;
      break;
    case WorkspaceAnswer::kError:
      result->xltype = xltypeErr;
      result->val.err = 15;  // #VALUE!
      break;
  }
  return xlretSuccess;
}

void InstallCalculationHandlers(CApi& api) {
  Calculation& calculation = Calculation::Get();
  calculation.Reset();
  api.SetHandler(xlfCaller, [&calculation](int count, XLOPER12** args, XLOPER12* result) {
    return calculation.AnswerCaller(count, args, result);
  });
  api.SetHandler(xlAsyncReturn, [&calculation](int count, XLOPER12** args, XLOPER12* result) {
    return calculation.CompleteAsync(count, args, result);
  });
  api.SetHandler(xlfGetWorkspace, [&calculation](int count, XLOPER12** args, XLOPER12* result) {
    return calculation.AnswerWorkspace(count, args, result);
  });
}

}  // namespace korvel::standin
