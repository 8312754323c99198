// The stand-in spreadsheet host as a whole: its call entry, its windows and object model, and the add-in
// loaded into it with the import hook applied.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "c_api.h"
#include "host_windows.h"
#include "import_hook.h"
#include "object_model/object_model.h"

namespace korvel::standin {

// How the host starts a test: with the workbook "Book1" in its window, or with only its empty frame (no
// workbook, ActiveWindow and ActiveWorkbook Nothing).
enum class HostStart { kOneWorkbook, kNoWorkbook };

class Host {
 public:
  static Host& Get();

  // Loads the add-in (once per process), applies the import hook and hands the host's pieces their links.
  HMODULE LoadAddIn(const std::wstring& path);
  // The add-in's core linked into this program: the program's own module plays the add-in, named `path`.
  HMODULE AdoptLinkedAddIn(const std::wstring& path);
  HMODULE add_in() const { return add_in_; }
  // Frees a loaded add-in file (the host unloading it); a later LoadAddIn loads it afresh.
  void UnloadAddIn();
  int hooked_imports() const { return hooked_; }

  // Fresh object model, windows and records for one test.
  void Reset(HostStart start = HostStart::kOneWorkbook);

  CApi& api() { return CApi::Get(); }
  UserInterface& ui() { return UserInterface::Get(); }
  ObjectModel& model() { return ObjectModel::Get(); }
  Application* application() { return model().application(); }
  HostWindows& windows() { return *windows_; }

  // An export of the add-in.
  template <class Fn>
  Fn Export(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(add_in_, name)));
  }
  template <class T>
  T* Data(const char* name) const {
    return reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(add_in_, name)));
  }

 private:
  Host();
  HMODULE Adopt(HMODULE module, const std::wstring& path);
  HMODULE add_in_ = nullptr;
  bool loaded_ = false;  // by LoadLibrary, as opposed to the program's own module
  int hooked_ = 0;
  std::unique_ptr<HostWindows> windows_;
};

}  // namespace korvel::standin
