// Owner of the stdio stream through which the register classes read and write number files.
#pragma once

#include <cstdio>
#include <string>

namespace korvel {

class NumberFile {
 public:
  NumberFile(const std::wstring& name, const wchar_t* mode) : f_(_wfopen(name.c_str(), mode)) {}
  ~NumberFile() { if (f_) std::fclose(f_); }
  NumberFile(const NumberFile&) = delete;
  NumberFile& operator=(const NumberFile&) = delete;
  FILE* get() const { return f_; }
  // Closes now; false when the last buffered bytes could not be written.
  bool Close() {
    FILE* f = f_;
    f_ = nullptr;
    return std::fclose(f) == 0;
  }

 private:
  FILE* f_;
};

}  // namespace korvel
