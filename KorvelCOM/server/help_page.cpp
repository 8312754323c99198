#include "server/help_page.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cwchar>

namespace korvel {
namespace {

#ifdef _WIN64
constexpr wchar_t kModuleName[] = L"KorvelCOM(x64).dll";
#else
constexpr wchar_t kModuleName[] = L"KorvelCOM(x86).dll";
#endif
constexpr wchar_t kPageName[] = L"KorvelCOMHelp.htm";
constexpr UINT kHelpResource = 202;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { if (fd_ >= 0) _close(fd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { int fd = fd_; fd_ = -1; return fd; }

 private:
  int fd_;
};

}  // namespace

HRESULT ShowHelpPage() {
  // The page is found in the module of the build's own file name; a renamed server has no help.
  HMODULE module = GetModuleHandleW(kModuleName);
  if (!module) return E_UNEXPECTED;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kHelpResource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  DWORD size = found ? SizeofResource(module, found) : 0;
  if (!bytes || size == 0) return E_UNEXPECTED;

  wchar_t path[MAX_PATH];
  DWORD folder = GetTempPathW(MAX_PATH, path);
  if (folder == 0 || folder >= MAX_PATH || folder + std::wcslen(kPageName) >= MAX_PATH) return E_UNEXPECTED;
  wcscat(path, kPageName);

  // Truncated first: an older, longer page would otherwise keep its tail after the new page's end.
  Descriptor fd(_wopen(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IWRITE));
  if (fd.get() < 0) return E_UNEXPECTED;
  if (_write(fd.get(), bytes, size) < 0) return E_UNEXPECTED;
  if (_close(fd.release()) != 0) return E_UNEXPECTED;

  ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOW);
  return S_OK;
}

}  // namespace korvel
