#include "startup/com_server_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cwchar>

namespace korvel::xll {
namespace {

constexpr wchar_t kServerFileName[] = L"KorvelCOM(x64).dll";
constexpr WORD kServerResource = 105;

int RealWrite(int fd, const void* data, unsigned size) { return _write(fd, data, size); }
int RealClose(int fd) { return _close(fd); }
ScopedServerFileCallsForTesting::Write g_write = &RealWrite;
ScopedServerFileCallsForTesting::Close g_close = &RealClose;

}  // namespace

int FindServerResource(ServerBytes* out) {
  // The module that holds this very function: a renamed add-in finds its own resource, and another file
  // loaded under the add-in's usual name is never read.
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&FindServerResource), &module))
    return 1;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kServerResource), RT_RCDATA);
  if (!found) return 2;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return 3;
  const void* data = LockResource(loaded);
  if (!data) return 4;
  const DWORD size = SizeofResource(module, found);
  if (size == 0) return 5;
  out->data = data;
  out->size = size;
  return 0;
}

std::wstring ServerPathInTemporaryFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) return {};
  if (n + std::wcslen(kServerFileName) + 1 > MAX_PATH) return {};
  return std::wstring(folder, n) + kServerFileName;
}

bool RemoveOldServerFile(const std::wstring& path) {
  if (_waccess(path.c_str(), 0) != 0) return true;
  return _wremove(path.c_str()) == 0;
}

WriteResult WriteServerFile(const std::wstring& path, const ServerBytes& bytes) {
  const int fd = _wsopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _SH_DENYNO, _S_IWRITE);
  if (fd == -1) return WriteResult::kWriteFailed;
  const int written = g_write(fd, bytes.data, bytes.size);
  // A short write is a failure too: a cut server would be registered and then fail to load.
  if (written < 0 || static_cast<DWORD>(written) != bytes.size) {
    g_close(fd);
    _wremove(path.c_str());
    return WriteResult::kWriteFailed;
  }
  if (g_close(fd) != 0) {
    _wremove(path.c_str());
    return WriteResult::kCloseFailed;
  }
  return WriteResult::kWritten;
}

bool HasRegisteredMark(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) == FILE_ATTRIBUTE_HIDDEN;
}

bool SetRegisteredMark(const std::wstring& path) {
  return SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN) != FALSE;
}

ScopedServerFileCallsForTesting::ScopedServerFileCallsForTesting(Write write, Close close)
    : saved_write_(g_write), saved_close_(g_close) {
  if (write) g_write = write;
  if (close) g_close = close;
}

ScopedServerFileCallsForTesting::~ScopedServerFileCallsForTesting() {
  g_write = saved_write_;
  g_close = saved_close_;
}

}  // namespace korvel::xll
