#include "system_locale.h"

#include "import_hook.h"

namespace korvel::standin {
namespace {

int WINAPI HookedGetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buffer, int size) {
  return SystemLocale::Get().Answer(locale, type, buffer, size);
}

// The real call, whatever the module's import table now says.
int RealGetLocaleInfo(LCID locale, LCTYPE type, LPWSTR buffer, int size) {
  static auto fn = reinterpret_cast<int(WINAPI*)(LCID, LCTYPE, LPWSTR, int)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetLocaleInfoW")));
  return fn(locale, type, buffer, size);
}

bool IsUsersLocale(LCID locale) { return locale == LOCALE_USER_DEFAULT || locale == GetUserDefaultLCID(); }

}  // namespace

SystemLocale& SystemLocale::Get() {
  static SystemLocale locale;
  return locale;
}

int SystemLocale::Hook(HMODULE module) {
  return PatchImport(module, "kernel32.dll", "GetLocaleInfoW", reinterpret_cast<void*>(&HookedGetLocaleInfoW));
}

std::wstring SystemLocale::Setting(LCTYPE type) const {
  wchar_t buffer[128] = {};
  const int n = Answer(LOCALE_USER_DEFAULT, type, buffer, 128);
  return n > 0 ? std::wstring(buffer) : std::wstring();
}

int SystemLocale::Answer(LCID locale, LCTYPE type, wchar_t* buffer, int size) const {
  auto it = chosen_.find(type);
  if (it == chosen_.end() || !IsUsersLocale(locale)) return RealGetLocaleInfo(locale, type, buffer, size);
  const int needed = static_cast<int>(it->second.size()) + 1;
  if (size == 0) return needed;
  if (!buffer || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  it->second.copy(buffer, it->second.size());
  buffer[needed - 1] = L'\0';
  return needed;
}

}  // namespace korvel::standin
