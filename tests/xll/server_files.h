// Files of the add-in's server installation as the tests see them: the build's server, the copy in a test's
// temporary folder, and a copy the test keeps loaded so that nobody can replace it.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace korvel::test {

inline std::wstring WindowsPath(const std::wstring& unix_path) {
  std::wstring out = L"Z:" + unix_path;
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

inline std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return {};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The server this build made, read from its own file: what resource 105 must hold.
inline const std::string& BuildServerBytes() {
  static const std::string bytes = FileBytes(WindowsPath(KORVEL_COM_DLL));
  return bytes;
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A library the test holds loaded: the file cannot be deleted or replaced while it lives.
class LoadedFile {
 public:
  explicit LoadedFile(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
  ~LoadedFile() {
    if (module_) FreeLibrary(module_);
  }
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;
  HMODULE module() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace korvel::test
