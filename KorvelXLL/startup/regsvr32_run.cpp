#include "startup/regsvr32_run.h"

#include <shellapi.h>

#include <memory>

namespace korvel::xll {

DWORD Regsvr32WaitLimit = kRegsvr32WaitLimit;

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace

Regsvr32Outcome RunRegsvr32(const std::wstring& arguments) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = L"Regsvr32";
  info.lpParameters = arguments.c_str();
  info.nShow = SW_SHOW;
  if (!ShellExecuteExW(&info)) return Regsvr32Outcome::kNotStarted;
  if (!info.hProcess) return Regsvr32Outcome::kNoProcess;
  UniqueHandle process(info.hProcess);
  // The host waits with start-up, so the wait is bounded: a Regsvr32 that hangs costs one try, not the host.
  if (WaitForSingleObject(process.get(), Regsvr32WaitLimit) != WAIT_OBJECT_0) return Regsvr32Outcome::kTimedOut;
  DWORD code = 1;
  if (!GetExitCodeProcess(process.get(), &code)) return Regsvr32Outcome::kFailed;
  return code == 0 ? Regsvr32Outcome::kSucceeded : Regsvr32Outcome::kFailed;
}

}  // namespace korvel::xll
