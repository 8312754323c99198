// The COM server's file in the temporary folder: the bytes of resource 105 of the add-in's own module, the
// path they go to, writing them, and the mark (attributes exactly FILE_ATTRIBUTE_HIDDEN) that says this
// add-in registered the file.
#pragma once

#include <windows.h>

#include <string>

namespace korvel::xll {

struct ServerBytes {
  const void* data = nullptr;
  DWORD size = 0;
};

// Resource 105 (RT_RCDATA) of the module that holds this code, whatever its file is called: 0 with the
// bytes, or the code of the step that failed (1 no module, 2 no resource, 3 not loaded, 4 not locked, 5 empty).
int FindServerResource(ServerBytes* out);

// The temporary folder (with its trailing backslash) followed by "KorvelCOM(x64).dll"; empty when the two
// do not fit in 260 units with the terminator, so that no cut name is ever used.
std::wstring ServerPathInTemporaryFolder();

// True when nothing is at `path` or what is there could be deleted; false when a file stays (most often
// because a process has the server loaded).
bool RemoveOldServerFile(const std::wstring& path);

enum class WriteResult { kWritten, kWriteFailed, kCloseFailed };
// Creates the file and writes every byte in one write. A file that cannot be created, a failed or short
// write and a failed close leave no file behind.
WriteResult WriteServerFile(const std::wstring& path, const ServerBytes& bytes);

// The mark: the attributes are exactly FILE_ATTRIBUTE_HIDDEN.
bool HasRegisteredMark(const std::wstring& path);
bool SetRegisteredMark(const std::wstring& path);

// Test seam: the two calls that finish the file, so that a short write and a failed close can be seen (the
// file system here never gives them). Restores the real calls when it goes out of scope.
class ScopedServerFileCallsForTesting {
 public:
  using Write = int (*)(int fd, const void* data, unsigned size);
  using Close = int (*)(int fd);
  ScopedServerFileCallsForTesting(Write write, Close close);
  ~ScopedServerFileCallsForTesting();
  ScopedServerFileCallsForTesting(const ScopedServerFileCallsForTesting&) = delete;
  ScopedServerFileCallsForTesting& operator=(const ScopedServerFileCallsForTesting&) = delete;

 private:
  Write saved_write_;
  Close saved_close_;
};

}  // namespace korvel::xll
