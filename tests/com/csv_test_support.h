// Shared helpers of the CSV tests: files in a scratch folder, and BSTR results back as ANSI bytes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/com_owners.h"
#include "test_support.h"

namespace korvel::test {

// The BSTR's characters in the ANSI code page, zero units included.
inline std::string AnsiBytes(BSTR text) {
  int units = static_cast<int>(SysStringLen(text));
  if (!units) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, units, out.data(), n, nullptr, nullptr);
  return out;
}

// Rows the independent way: each up to and including its line feed; the last may lack one.
inline std::vector<std::string> SplitAtLineFeeds(const std::string& text) {
  std::vector<std::string> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
    rows.push_back(text.substr(start, end - start));
    start = end;
  }
  return rows;
}

// Deletes a scratch folder and the files in it.
inline void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}

inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  return names;
}

}  // namespace korvel::test
