// The import hook that the stand-in host applies to the add-in after loading it: MessageBoxW, ShellExecuteW
// and ShellExecuteExW are recorded and answered by the test, so that nothing is shown, and nothing is started
// unless the test asks for the host's helper program (or, in the end-to-end checks only, the real shell).
// The ole32 and kernel32 calls that the hook also takes are in com_creation.h, file_attributes.h and
// system_locale.h.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace korvel::standin {

struct ShownBox {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

struct ShellRun {
  bool extended;  // ShellExecuteExW
  HWND owner;
  std::wstring verb;
  std::wstring file;
  std::wstring parameters;
  std::wstring directory;
  int show;
  ULONG mask;
};

// What the shell calls start.
enum class ShellStart {
  kNothing,    // recorded only; ShellExecuteExW hands back no process
  kHelper,     // the host's helper program, which exits with the chosen code after the chosen delay
  kRealShell,  // passed through (end-to-end checks only)
};

class UserInterface {
 public:
  static UserInterface& Get();

  // Patches the three imports of `module`; gives how many it found and patched.
  int Hook(HMODULE module);

  const std::vector<ShownBox>& boxes() const { return boxes_; }
  const std::vector<ShellRun>& shell_runs() const { return shell_runs_; }
  // Answers of the coming boxes, in order; IDOK when none is queued.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  // What ShellExecuteW returns (above 32: success) and whether ShellExecuteExW succeeds.
  void set_shell_result(INT_PTR result) { shell_result_ = result; }
  void set_shell_ex_result(BOOL ok) { shell_ex_result_ = ok; }
  // The coming successful shell calls start the helper program, which exits with `exit_code` after
  // `delay_ms`; ShellExecuteExW hands back its process when asked for it.
  void StartHelper(DWORD exit_code, DWORD delay_ms = 0);
  void PassToRealShell() { start_ = ShellStart::kRealShell; }
  ShellStart shell_start() const { return start_; }
  int helpers_started() const { return helpers_started_; }
  void Reset();
  // Runs when a box is shown, before it is answered: a test sees there what had happened by then.
  void set_on_box(std::function<void(const ShownBox&)> f) { on_box_ = std::move(f); }

  // Called by the hooks.
  int Box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
  INT_PTR Shell(const ShellRun& run);
  // Gives the process that was started when it was asked for, else null.
  BOOL ShellEx(const ShellRun& run, HANDLE* process);

 private:
  std::vector<ShownBox> boxes_;
  std::vector<ShellRun> shell_runs_;
  std::deque<int> answers_;
  INT_PTR shell_result_ = 42;
  BOOL shell_ex_result_ = TRUE;
  ShellStart start_ = ShellStart::kNothing;
  DWORD helper_exit_code_ = 0;
  DWORD helper_delay_ = 0;
  int helpers_started_ = 0;
  std::function<void(const ShownBox&)> on_box_;
  HANDLE LaunchHelper();
};

// Replaces the import address of `function` from `dll` in `module`; false when the module does not import it.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace korvel::standin
