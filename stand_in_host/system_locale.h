// Kernel32's GetLocaleInfoW as the add-in sees it: the user's locale settings that a test chose, where the
// Wine process has one fixed locale. The host reads typed numbers with these separators while its
// UseSystemSeparators is true, so both the add-in and the stand-in's typing ask here. A setting the test did
// not choose comes from the real call, but for the two separators: the stand-in's user keeps a Russian
// system's (a decimal comma, digits grouped by a no-break space), whatever the Wine process runs under.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace korvel::standin {

class SystemLocale {
 public:
  static SystemLocale& Get();
  // Patches the import of `module`; gives how many it found.
  int Hook(HMODULE module);
  SystemLocale() { Reset(); }
  void Reset() { chosen_ = {{LOCALE_SDECIMAL, L","}, {LOCALE_STHOUSAND, L"\u00A0"}}; }

  // The user's setting `type` (LOCALE_SDECIMAL, LOCALE_STHOUSAND, ...) reads `value` from now on.
  void Choose(LCTYPE type, const std::wstring& value) { chosen_[type] = value; }
  // The setting as GetLocaleInfoW of the user's locale gives it.
  std::wstring Setting(LCTYPE type) const;

  // What the hooked call does, with GetLocaleInfoW's contract: the characters written with the final null,
  // the size needed when `size` is 0, and 0 with ERROR_INSUFFICIENT_BUFFER when they do not fit.
  int Answer(LCID locale, LCTYPE type, wchar_t* buffer, int size) const;

 private:
  std::map<LCTYPE, std::wstring> chosen_;
};

}  // namespace korvel::standin
