#include "file_attributes.h"

#include <cwctype>

#include "import_hook.h"

namespace korvel::standin {
namespace {

DWORD WINAPI HookedGetFileAttributesW(LPCWSTR path) { return FileAttributes::Get().Read(path); }
BOOL WINAPI HookedSetFileAttributesW(LPCWSTR path, DWORD attributes) {
  return FileAttributes::Get().Write(path, attributes);
}

// The real calls, whatever the module's import table now says.
DWORD RealGet(const wchar_t* path) {
  static auto fn = reinterpret_cast<DWORD(WINAPI*)(LPCWSTR)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFileAttributesW")));
  return fn(path);
}
BOOL RealSet(const wchar_t* path, DWORD attributes) {
  static auto fn = reinterpret_cast<BOOL(WINAPI*)(LPCWSTR, DWORD)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetFileAttributesW")));
  return fn(path, attributes);
}

}  // namespace

FileAttributes& FileAttributes::Get() {
  static FileAttributes attributes;
  return attributes;
}

int FileAttributes::Hook(HMODULE module) {
  int patched = 0;
  patched +=
      PatchImport(module, "kernel32.dll", "GetFileAttributesW", reinterpret_cast<void*>(&HookedGetFileAttributesW));
  patched +=
      PatchImport(module, "kernel32.dll", "SetFileAttributesW", reinterpret_cast<void*>(&HookedSetFileAttributesW));
  return patched;
}

std::wstring FileAttributes::Key(const wchar_t* path) {
  wchar_t full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
  std::wstring key = n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : std::wstring(path);
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
  return key;
}

DWORD FileAttributes::Read(const wchar_t* path) {
  const DWORD real = RealGet(path);
  if (!path) return real;
  auto it = set_.find(Key(path));
  if (it == set_.end()) return real;
  constexpr DWORD kUnsure = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
  if (real != INVALID_FILE_ATTRIBUTES && (real & ~kUnsure) == (it->second & ~kUnsure)) return it->second;
  // Deleted, rewritten or changed by someone else: what the file system says holds from now on.
  set_.erase(it);
  return real;
}

BOOL FileAttributes::Write(const wchar_t* path, DWORD attributes) {
  const BOOL ok = RealSet(path, attributes);
  if (ok && path) set_[Key(path)] = attributes;
  return ok;
}

}  // namespace korvel::standin
