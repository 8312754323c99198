#include "import_hook.h"

#include <shellapi.h>

#include <cstring>
#include <string>

namespace korvel::standin {
namespace {

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

int WINAPI HookedMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return UserInterface::Get().Box(owner, text, caption, type);
}

template <class Fn>
Fn RealShell(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), name)));
}

HINSTANCE WINAPI HookedShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT show) {
  ShellRun run{false, owner, Text(verb), Text(file), Text(parameters), Text(directory), show, 0};
  if (UserInterface::Get().shell_start() == ShellStart::kRealShell) {
    UserInterface::Get().Shell(run);
    static auto real = RealShell<HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)>("ShellExecuteW");
    return real(owner, verb, file, parameters, directory, show);
  }
  return reinterpret_cast<HINSTANCE>(UserInterface::Get().Shell(run));
}

BOOL WINAPI HookedShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!info) return FALSE;
  ShellRun run{true, info->hwnd, Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters),
               Text(info->lpDirectory), info->nShow, info->fMask};
  if (UserInterface::Get().shell_start() == ShellStart::kRealShell) {
    HANDLE none = nullptr;
    UserInterface::Get().ShellEx(run, &none);
    static auto real = RealShell<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>("ShellExecuteExW");
    return real(info);
  }
  HANDLE process = nullptr;
  BOOL ok = UserInterface::Get().ShellEx(run, &process);
  info->hProcess = process;
  info->hInstApp = reinterpret_cast<HINSTANCE>(ok ? 42 : SE_ERR_FNF);
  return ok;
}

// The helper program sits beside the host program.
std::wstring HelperPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"korvel_stand_in_exit.exe";
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
  start_ = ShellStart::kNothing;
  helper_exit_code_ = 0;
  helper_delay_ = 0;
  helpers_started_ = 0;
  on_box_ = nullptr;
}

void UserInterface::StartHelper(DWORD exit_code, DWORD delay_ms) {
  start_ = ShellStart::kHelper;
  helper_exit_code_ = exit_code;
  helper_delay_ = delay_ms;
}

HANDLE UserInterface::LaunchHelper() {
  const std::wstring exe = HelperPath();
  std::wstring command =
      L"\"" + exe + L"\" " + std::to_wstring(helper_exit_code_) + L" " + std::to_wstring(helper_delay_);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  ++helpers_started_;
  return process.hProcess;
}

INT_PTR UserInterface::Shell(const ShellRun& run) {
  shell_runs_.push_back(run);
  if (shell_result_ > 32 && start_ == ShellStart::kHelper)
    if (HANDLE process = LaunchHelper()) CloseHandle(process);
  return shell_result_;
}

BOOL UserInterface::ShellEx(const ShellRun& run, HANDLE* process) {
  shell_runs_.push_back(run);
  *process = nullptr;
  if (!shell_ex_result_ || start_ != ShellStart::kHelper) return shell_ex_result_;
  HANDLE started = LaunchHelper();
  if (!started) return FALSE;
  if (run.mask & SEE_MASK_NOCLOSEPROCESS)
    *process = started;
  else
    CloseHandle(started);
  return TRUE;
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
