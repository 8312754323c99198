#include "host.h"

#include <utility>
#include "com_creation.h"
#include "file_attributes.h"
#include "system_locale.h"

namespace korvel::standin {

Host& Host::Get() {
  static Host host;
  return host;
}

Host::Host() { Reset(); }

void Host::Reset(HostStart start) {
  windows_.reset();
  CApi::Get().Reset();
  UserInterface::Get().Reset();
  ComCreation::Get().Reset();
  FileAttributes::Get().Reset();
  SystemLocale::Get().Reset();
  ObjectModel::Get().Reset(start == HostStart::kOneWorkbook);
  windows_ = std::make_unique<HostWindows>(application());
  CApi::Get().set_main_window([this] { return windows_->main(); });
}

HMODULE Host::LoadAddIn(const std::wstring& path) {
  if (add_in_) return add_in_;
  HMODULE loaded = LoadLibraryW(path.c_str());
  if (!loaded) return nullptr;
  loaded_ = true;
  return Adopt(loaded, path);
}

void Host::UnloadAddIn() {
  if (!add_in_ || !loaded_) return;
  CApi::Get().set_add_in_free(nullptr);
  FreeLibrary(std::exchange(add_in_, nullptr));
  loaded_ = false;
  hooked_ = 0;
}

HMODULE Host::AdoptLinkedAddIn(const std::wstring& path) {
  if (add_in_) return add_in_;
  return Adopt(GetModuleHandleW(nullptr), path);
}

HMODULE Host::Adopt(HMODULE module, const std::wstring& path) {
  add_in_ = module;
  // Before the add-in runs any code of its own beyond its static initialisation.
  hooked_ = UserInterface::Get().Hook(add_in_) + ComCreation::Get().Hook(add_in_) +
            FileAttributes::Get().Hook(add_in_) + SystemLocale::Get().Hook(add_in_);
  CApi::Get().set_add_in_path(path);
  CApi::Get().set_add_in_free(Export<void(__stdcall*)(XLOPER12*)>("xlAutoFree12"));
  return add_in_;
}

}  // namespace korvel::standin
