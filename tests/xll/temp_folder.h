// A temporary folder of a test's own, set as the process's TMP and TEMP.
#pragma once

#include <string>

namespace korvel::test {

// A folder of this test's own as TMP and TEMP of the process (Wine ignores the Unix values, and
// GetTempPathW follows what _wputenv_s sets); the old values and no folder are left afterwards.
class ScopedTempFolder {
 public:
  ScopedTempFolder();
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
  // Without a trailing backslash.
  const std::wstring& path() const { return path_; }
  // Points TMP and TEMP somewhere else (which need not exist); the folder itself stays this test's.
  static void PointTempAt(const std::wstring& folder);

 private:
  std::wstring path_;
  std::wstring saved_tmp_, saved_temp_;
};

}  // namespace korvel::test
