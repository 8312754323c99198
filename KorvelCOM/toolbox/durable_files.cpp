#include "toolbox/durable_files.h"

#include <objbase.h>

#include <cstdio>

namespace korvel {

bool FlushToDisk(HANDLE file) { return FlushFileBuffers(file) != FALSE; }

std::optional<std::wstring> PartialPathBeside(const std::wstring& target) {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return std::nullopt;
  wchar_t unique[16];
  std::swprintf(unique, 16, L"%08lx%04x", static_cast<unsigned long>(guid.Data1), guid.Data2);
  const std::wstring suffix = std::wstring(L"KorvelCOM-partial-") + unique + L".tmp";
  std::wstring named = target + L"." + suffix;
  if (named.size() < MAX_PATH) return named;
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  return folder + suffix;
}

bool ReplacesAFile(const std::wstring& target) {
  return GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FlushClosedFile(const std::wstring& path, const FlushFile& flush) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = flush(file);
  CloseHandle(file);
  return flushed;
}

bool PutInPlace(const std::wstring& partial, const std::wstring& target) {
  return MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace korvel
