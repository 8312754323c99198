#include "temp_folder.h"

#include <windows.h>
#include <stdlib.h>

#include <filesystem>

namespace korvel::test {
namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[32768];
  const DWORD n = GetEnvironmentVariableW(name, value, 32768);
  return n > 0 && n < 32768 ? std::wstring(value, n) : std::wstring();
}

}  // namespace

ScopedTempFolder::ScopedTempFolder() : saved_tmp_(Environment(L"TMP")), saved_temp_(Environment(L"TEMP")) {
  static int made = 0;
  wchar_t base[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, base);
  path_ = std::wstring(base, n) + L"korvel-xll-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++made);
  CreateDirectoryW(path_.c_str(), nullptr);
  PointTempAt(path_);
}

ScopedTempFolder::~ScopedTempFolder() {
  _wputenv_s(L"TMP", saved_tmp_.c_str());
  _wputenv_s(L"TEMP", saved_temp_.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

void ScopedTempFolder::PointTempAt(const std::wstring& folder) {
  _wputenv_s(L"TMP", folder.c_str());
  _wputenv_s(L"TEMP", folder.c_str());
}

}  // namespace korvel::test
