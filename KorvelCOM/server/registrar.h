// A registrar for registry scripts in the classic .rgs format: root keys, nested key blocks, default and
// named values ("val"), and the NoRemove, ForceRemove and Delete marks. One registrar runs every script
// of the server, for registration and for removal, against whatever key stands for the classes root.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace korvel {

class RegistryReplacements {
 public:
  void Add(std::wstring name, std::wstring value);
  // Case-insensitive, as the registrar matches %NAME% markers.
  const std::wstring* Find(const std::wstring& name) const;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> items_;
};

enum class ScriptAction { Register, Unregister };

// Runs script text. `classes_root` is the key that the script's HKCR/HKEY_CLASSES_ROOT stands for
// (HKEY_CLASSES_ROOT machine-wide, the current user's Software\Classes per user).
HRESULT RunRegistryScript(const std::wstring& script, const RegistryReplacements& replacements,
                          ScriptAction action, HKEY classes_root);

// Loads a resource of type "REGISTRY" from `module` and runs it.
HRESULT RunRegistryScriptResource(HMODULE module, UINT resource_id, const RegistryReplacements& replacements,
                                  ScriptAction action, HKEY classes_root);

// "{xxxxxxxx-xxxx-...}" in lower case, the form that registry scripts and class keys use.
std::wstring GuidRegistryText(const GUID& guid);

}  // namespace korvel
