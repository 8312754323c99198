#include "c_api.h"

#include <cstring>
#include <mutex>

#include "calculation.h"
#include "host_numbers.h"

namespace korvel::standin {

using namespace hostapi;

SeenValue See(const XLOPER12* record) {
  SeenValue v;
  if (!record) return v;
  v.pointer = record;
  v.type = record->xltype;
  switch (record->xltype & ~(xlbitXLFree | xlbitDLLFree)) {
    case xltypeNum: v.num = record->val.num; break;
    case xltypeStr:
      if (record->val.str) v.text.assign(record->val.str + 1, static_cast<unsigned short>(record->val.str[0]));
      break;
    case xltypeBool: v.integer = record->val.xbool; break;
    case xltypeErr: v.integer = record->val.err; break;
    case xltypeInt: v.integer = record->val.w; break;
    case xltypeSRef: v.areas.push_back(record->val.sref.ref); break;
    case xltypeRef:
      if (record->val.mref.lpmref)
        for (WORD i = 0; i < record->val.mref.lpmref->count; ++i) v.areas.push_back(record->val.mref.lpmref->reftbl[i]);
      break;
    default: break;
  }
  return v;
}

CApi& CApi::Get() {
  static CApi api;
  return api;
}

CApi::CApi() { InstallDefaults(); }

void CApi::Reset() {
  handlers_.clear();
  injected_.clear();
  planned_.clear();
  calls_.clear();
  unknown_.clear();
  refused_.clear();
  registrations_.clear();
  // Each test counts its own: memory still out from an earlier one is that one's fault, not this one's.
  outstanding_.clear();
  bad_frees_ = 0;
  handed_back_ = 0;
  selection_as_sref_ = false;
  esc_after_polls_ = -1;
  break_pending_ = false;
  InstallDefaults();
}

void CApi::InjectReturn(int function, int code) {
  if (code == xlretSuccess)
    injected_.erase(function);
  else
    injected_[function] = code;
}

void CApi::FailOnCall(int function, int nth, int code) {
  if (nth >= 1) planned_.emplace(function, PlannedFailure{nth, code});
}

std::vector<SeenCall> CApi::CallsOf(int function) const {
  std::vector<SeenCall> out;
  for (const SeenCall& c : calls_)
    if (c.function == function) out.push_back(c);
  return out;
}

void CApi::HandOutString(XLOPER12* result, const std::wstring& text) {
  const size_t n = text.size() > 32767 ? 32767 : text.size();
  auto* buffer = new wchar_t[n + 2];
  buffer[0] = static_cast<wchar_t>(n);
  std::memcpy(buffer + 1, text.data(), n * sizeof(wchar_t));
  buffer[n + 1] = 0;
  result->val.str = buffer;
  result->xltype = xltypeStr;
  outstanding_.insert(buffer);
}

void CApi::HandOut(const void* memory, std::function<void()> release) {
  outstanding_.insert(memory);
  releases_[memory] = std::move(release);
}

int CApi::Free(int count, XLOPER12** args) {
  for (int i = 0; i < count; ++i) {
    XLOPER12* r = args[i];
    if (!r) continue;
    const DWORD kind = r->xltype & ~(xlbitXLFree | xlbitDLLFree);
    const void* memory = nullptr;
    if (kind == xltypeStr) memory = r->val.str;
    if (kind == xltypeMulti) memory = r->val.array.lparray;
    if (kind == xltypeRef) memory = r->val.mref.lpmref;
    if (!memory) continue;
    auto it = outstanding_.find(memory);
    if (it == outstanding_.end()) {
      ++bad_frees_;  // never handed out, or given back twice
      continue;
    }
    outstanding_.erase(it);
    if (auto release = releases_.find(memory); release != releases_.end()) {
      release->second();
      releases_.erase(release);
    } else if (kind == xltypeStr) {
      delete[] r->val.str;
    }
  }
  return xlretSuccess;
}

void CApi::TakeResult(XLOPER12* result) {
  if (result && (result->xltype & xlbitDLLFree) && add_in_free_) {
    {
      std::lock_guard<HostLock> hold(lock_);
      ++handed_back_;
    }
    add_in_free_(result);
  }
}

int CApi::AnswerPlainly(int function, XLOPER12* result) {
  // A known function without a handler of its own succeeds; a command's result is TRUE, as the host gives.
  if (result) {
    *result = XLOPER12{};
    if (function & 0x8000) {
      result->xltype = xltypeBool;
      result->val.xbool = TRUE;
    } else {
      result->xltype = xltypeNil;
    }
  }
  return xlretSuccess;
}

int CApi::Abort(int count, XLOPER12** args, XLOPER12* result) {
  // The one optional argument, retain, is a boolean; a missing one counts as TRUE.
  if (count > 1) return xlretInvCount;
  bool retain = true;
  if (count == 1 && args[0]) {
    const DWORD kind = args[0]->xltype & ~(xlbitXLFree | xlbitDLLFree);
    if (kind == xltypeBool)
      retain = args[0]->val.xbool != 0;
    else if (kind != xltypeMissing)
      return xlretInvXloper;
  }
  if (!break_pending_ && esc_after_polls_ >= 0 && esc_after_polls_-- == 0) break_pending_ = true;
  const bool pressed = break_pending_;
  if (!retain) break_pending_ = false;
  if (result) {
    *result = XLOPER12{};
    result->xltype = xltypeBool;
    result->val.xbool = pressed ? TRUE : FALSE;
  }
  return xlretSuccess;
}

void CApi::InstallDefaults() {
  handlers_[xlFree] = [this](int count, XLOPER12** args, XLOPER12*) { return Free(count, args); };
  handlers_[xlAbort] = [this](int count, XLOPER12** args, XLOPER12* result) { return Abort(count, args, result); };
  handlers_[xlGetHwnd] = [this](int, XLOPER12**, XLOPER12* result) {
    if (result) {
      // The host gives only the low 32 bits of its window handle.
      result->xltype = xltypeInt;
      result->val.w = static_cast<int>(reinterpret_cast<INT_PTR>(main_window_ ? main_window_() : nullptr));
    }
    return xlretSuccess;
  };
  handlers_[xlGetName] = [this](int, XLOPER12**, XLOPER12* result) {
    if (result) HandOutString(result, add_in_path_);
    return xlretSuccess;
  };
  InstallRegistration();
  InstallWorkbookCommands();
  InstallCellFunctions();
  InstallSpecialCells();
  InstallCalculationHandlers(*this);
}

int CApi::Call(int function, int count, XLOPER12** args, XLOPER12* result) {
  std::lock_guard<HostLock> hold(lock_);
  SeenCall seen;
  seen.function = function;
  seen.with_result = result != nullptr;
  for (int i = 0; i < count; ++i) seen.args.push_back(See(args ? args[i] : nullptr));
  int rc = xlretSuccess;
  bool planned_failure = false;
  for (auto [it, end] = planned_.equal_range(function); it != end;) {
    if (--it->second.remaining == 0) {
      rc = it->second.code;
      planned_failure = true;
      it = planned_.erase(it);
    } else {
      ++it;
    }
  }
  if (!FunctionName(function)) {
    // A number the host does not serve: the host's answer, and a fault of the test that made the call.
    rc = xlretInvXlfn;
    unknown_.push_back(function);
  } else if (planned_failure) {
    // rc holds the planned code; the function does nothing.
  } else if (auto it = injected_.find(function); it != injected_.end()) {
    rc = it->second;
  } else if (auto h = handlers_.find(function); h != handlers_.end()) {
    rc = h->second(count, args, result);
  } else {
    rc = AnswerPlainly(function, result);
  }
  seen.returned = rc;
  calls_.push_back(std::move(seen));
  return rc;
}

}  // namespace korvel::standin

extern "C" __declspec(dllexport) int __stdcall MdCallBack12(int xlfn, int count, korvel::xll::XLOPER12** args,
                                                           korvel::xll::XLOPER12* result) {
  try {
    return korvel::standin::CApi::Get().Call(xlfn, count, args, result);
  } catch (...) {
    return korvel::standin::hostapi::xlretFailed;
  }
}
