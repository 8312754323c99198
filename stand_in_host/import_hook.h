// The import hook that the stand-in host applies to the add-in after loading it: MessageBoxW, ShellExecuteW
// and ShellExecuteExW are recorded and answered by the test, so that nothing is shown or started.
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
  void Reset();
  // Runs when a box is shown, before it is answered: a test sees there what had happened by then.
  void set_on_box(std::function<void(const ShownBox&)> f) { on_box_ = std::move(f); }

  // Called by the hooks.
  int Box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
  INT_PTR Shell(const ShellRun& run) { shell_runs_.push_back(run); return shell_result_; }
  BOOL ShellEx(const ShellRun& run) { shell_runs_.push_back(run); return shell_ex_result_; }

 private:
  std::vector<ShownBox> boxes_;
  std::vector<ShellRun> shell_runs_;
  std::deque<int> answers_;
  INT_PTR shell_result_ = 42;
  BOOL shell_ex_result_ = TRUE;
  std::function<void(const ShownBox&)> on_box_;
};

// Replaces the import address of `function` from `dll` in `module`; false when the module does not import it.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace korvel::standin
