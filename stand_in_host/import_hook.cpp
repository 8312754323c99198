#include "import_hook.h"

#include <shellapi.h>

#include <cstring>

namespace korvel::standin {
namespace {

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

int WINAPI HookedMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return UserInterface::Get().Box(owner, text, caption, type);
}

HINSTANCE WINAPI HookedShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT show) {
  ShellRun run{false, owner, Text(verb), Text(file), Text(parameters), Text(directory), show, 0};
  return reinterpret_cast<HINSTANCE>(UserInterface::Get().Shell(run));
}

BOOL WINAPI HookedShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info) return FALSE;
  ShellRun run{true, info->hwnd, Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters),
               Text(info->lpDirectory), info->nShow, info->fMask};
  BOOL ok = UserInterface::Get().ShellEx(run);
  // No process was started: a caller that waits on it finds nothing to wait for.
  info->hProcess = nullptr;
  info->hInstApp = reinterpret_cast<HINSTANCE>(ok ? 42 : SE_ERR_FNF);
  return ok;
}

}  // namespace

UserInterface& UserInterface::Get() {
  static UserInterface ui;
  return ui;
}

void UserInterface::Reset() {
  boxes_.clear();
  shell_runs_.clear();
  answers_.clear();
  shell_result_ = 42;
  shell_ex_result_ = TRUE;
  on_box_ = nullptr;
}

int UserInterface::Box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  boxes_.push_back({owner, Text(text), Text(caption), type});
  if (on_box_) on_box_(boxes_.back());
  if (answers_.empty()) return IDOK;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

int UserInterface::Hook(HMODULE module) {
  int patched = 0;
  patched += PatchImport(module, "user32.dll", "MessageBoxW", reinterpret_cast<void*>(&HookedMessageBoxW));
  patched += PatchImport(module, "shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&HookedShellExecuteW));
  patched += PatchImport(module, "shell32.dll", "ShellExecuteExW", reinterpret_cast<void*>(&HookedShellExecuteExW));
  return patched;
}

bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  if (!base) return false;
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return false;
  bool found = false;
  for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
    if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (desc->OriginalFirstThunk ? desc->OriginalFirstThunk
                                                                                        : desc->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
      found = true;
    }
  }
  return found;
}

}  // namespace korvel::standin
