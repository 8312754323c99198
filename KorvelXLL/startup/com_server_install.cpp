// The server's installation at start-up and its unregistration at removal. Start-up writes the file,
// registers it for the current user and marks it; the removal writes it again and unregisters it. Both go by
// Regsvr32's exit code within a bound: a failed registration is tried again by the next open, and a removal
// that has not ended with 0 is never taken for done, so it cannot overtake a new registration.
#include <io.h>
#include <stdio.h>

#include <new>

#include "host/host_state.h"
#include "startup/com_server_install.h"
#include "startup/regsvr32_run.h"
#include "startup/startup_steps.h"

namespace korvel::xll {

std::wstring ServerTempPath;
std::wstring ServerRegisterArgs;
std::wstring ServerUnregisterArgs;
ServerBytes KeptServerBytes;

namespace {

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

int Extract() {
  ServerBytes bytes;
  if (int code = FindServerResource(&bytes)) return code;
  KeptServerBytes = bytes;
  const std::wstring path = ServerPathInTemporaryFolder();
  if (path.empty()) return 6;
  ServerTempPath = path;
  ServerRegisterArgs = L"/s /n /i " + Quoted(path);
  ServerUnregisterArgs = L"/s /u /n /i " + Quoted(path);

  if (RemoveOldServerFile(path)) {
    switch (WriteServerFile(path, bytes)) {
      case WriteResult::kWriteFailed: return 7;
      case WriteResult::kCloseFailed: return 8;
      case WriteResult::kWritten: break;
    }
    ++StartupCounters[kServerWritten];
  }
  // A file that stays in place (another process has it loaded) and carries the mark was registered by
  // this add-in before.
  if (HasRegisteredMark(path)) {
    ++StartupCounters[kServerRegistered];
    ++StartupCounters[kServerHidden];
    return 0;
  }
  if (RunRegsvr32(ServerRegisterArgs) != Regsvr32Outcome::kSucceeded) return 0;
  ++StartupCounters[kServerRegistered];
  if (SetRegisteredMark(path)) ++StartupCounters[kServerHidden];
  return 0;
}

void Unregister() {
  const std::wstring& path = ServerTempPath;
  if (path.empty() || !KeptServerBytes.data) return;
  if (!HasRegisteredMark(path)) return;
  if (_waccess(path.c_str(), 0) != 0 || _wremove(path.c_str()) != 0) return;
  if (WriteServerFile(path, KeptServerBytes) != WriteResult::kWritten) {
    // The registered file is gone and its keys lead nowhere: the next open must write and register it
    // again, or the server would stay missing for good.
    StartupCounters[kServerRegistered] = 0;
    return;
  }
  if (RunRegsvr32(ServerUnregisterArgs) == Regsvr32Outcome::kSucceeded) StartupCounters[kServerRegistered] = 0;
}

}  // namespace

int ExtractComServer() {
  try {
    return Extract();
  } catch (const std::bad_alloc&) {
    return 7;  // nothing was written that could be relied on
  }
}

void UnregisterComServer() {
  try {
    Unregister();
  } catch (const std::bad_alloc&) {
  }
}

void RestoreServerInstallLoadState() {
  ServerTempPath.clear();
  ServerRegisterArgs.clear();
  ServerUnregisterArgs.clear();
  KeptServerBytes = ServerBytes{};
  Regsvr32WaitLimit = kRegsvr32WaitLimit;
}

}  // namespace korvel::xll
