// Kernel32's GetFileAttributesW and SetFileAttributesW as the add-in sees them: attributes read back exactly
// as they were set. Wine keeps a hidden file's archive bit (hidden reads back 0x22), so a mark of "exactly
// hidden" could never be seen without this. What a test or the add-in set is remembered per file; it holds
// while the file system still agrees with it but for the archive bit, and is forgotten once the file is
// deleted or rewritten (a new file reads back as Wine writes it).
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace korvel::standin {

class FileAttributes {
 public:
  static FileAttributes& Get();
  // Patches the two imports of `module`; gives how many it found.
  int Hook(HMODULE module);
  void Reset() { set_.clear(); }

  // What the hooked calls do; a test may call them too.
  DWORD Read(const wchar_t* path);
  BOOL Write(const wchar_t* path, DWORD attributes);

 private:
  static std::wstring Key(const wchar_t* path);
  std::map<std::wstring, DWORD> set_;
};

}  // namespace korvel::standin
