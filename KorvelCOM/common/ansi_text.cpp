#include "common/ansi_text.h"

#include <oleauto.h>

#include <climits>
#include <cwchar>
#include <new>

namespace korvel {

std::string ToAnsi(const wchar_t* text) { return text ? ToAnsi(text, std::wcslen(text)) : std::string(); }

std::string ToAnsi(const wchar_t* text, size_t length) {
  if (!text || !length) return std::string();
  if (length > INT_MAX) throw std::bad_alloc();
  int n = static_cast<int>(length);
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  if (bytes) WideCharToMultiByte(CP_ACP, 0, text, n, out.data(), bytes, nullptr, nullptr);
  return out;
}

BSTR AnsiToBstr(const char* bytes, size_t length) {
  if (length > INT_MAX) throw std::bad_alloc();
  int n = static_cast<int>(length);
  int units = n ? MultiByteToWideChar(CP_ACP, 0, bytes, n, nullptr, 0) : 0;
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(units));
  if (!out) throw std::bad_alloc();
  if (units) MultiByteToWideChar(CP_ACP, 0, bytes, n, out, units);
  return out;
}

std::wstring UpToNul(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

}  // namespace korvel
