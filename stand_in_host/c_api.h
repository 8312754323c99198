// The stand-in host's call entry: "MdCallBack12", exported by the test program that links this library.
// One handler per function number answers the add-in; every call is recorded with its arguments, a test
// can make any function return a code of its choice, and the memory that the host hands out is counted
// against what xlFree gives back.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/xl_types.h"

namespace korvel::standin {

using xll::XLOPER12;
using xll::XlArea;

// A value record as the host saw it during a call.
struct SeenValue {
  DWORD type = 0;  // the whole type word, flags included
  double num = 0;
  int integer = 0;  // int, bool and error kinds
  std::wstring text;
  std::vector<xll::XlArea> areas;
  const void* pointer = nullptr;  // the record's address
};

struct SeenCall {
  int function = 0;
  std::vector<SeenValue> args;
  bool with_result = false;
  int returned = 0;
};

// One xlfRegister as the host took it: its arguments (the add-in's path first) and its answer.
struct Registration {
  std::vector<SeenValue> args;
  bool registered = false;  // a register id was given; otherwise #VALUE!
  double id = 0;
  std::wstring procedure() const { return args.size() > 1 ? args[1].text : std::wstring(); }
};

// The host's records take one call at a time. A critical section rather than a runtime mutex: its set-up
// takes nothing from the runtime's heap, whose blocks tests count.
class HostLock {
 public:
  HostLock() { InitializeCriticalSection(&section_); }
  ~HostLock() { DeleteCriticalSection(&section_); }
  HostLock(const HostLock&) = delete;
  HostLock& operator=(const HostLock&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class CApi {
 public:
  using Handler = std::function<int(int count, XLOPER12** args, XLOPER12* result)>;

  static CApi& Get();

  // One place per host function: replaces the handler of `function`.
  void SetHandler(int function, Handler handler) { handlers_[function] = std::move(handler); }
  // Every later call of `function` returns `code` without doing anything; xlretSuccess removes the injection.
  void InjectReturn(int function, int code);
  // The `nth` call of `function` from now on (1 for the next) returns `code` without doing anything.
  void FailOnCall(int function, int nth, int code);
  void Reset();

  const std::vector<SeenCall>& calls() const { return calls_; }
  std::vector<SeenCall> CallsOf(int function) const;
  void ClearCalls() { calls_.clear(); }

  // Fills `result` with a string of host memory, to come back through xlFree.
  void HandOutString(XLOPER12* result, const std::wstring& text);
  // Counts `memory` (an array or area list a handler put into a result) as handed out; xlFree runs `release`.
  void HandOut(const void* memory, std::function<void()> release);
  // Host memory handed out and not yet given back; xlFree of memory that is not outstanding.
  size_t outstanding() const { return outstanding_.size(); }
  size_t bad_frees() const { return bad_frees_; }

  // How xlfSelection answers a selection of one area: with a one-area table (xltypeRef, the default) or with
  // xltypeSRef, as the host also answers; a selection of several areas always comes as a table.
  void set_single_area_selection_as_sref(bool sref) { selection_as_sref_ = sref; }

  // The host's window handle as xlGetHwnd gives it: the frame of the active workbook window.
  void set_main_window(std::function<HWND()> provider) { main_window_ = std::move(provider); }
  // Function numbers that the host does not serve, as the add-in called them.
  const std::vector<int>& unknown_functions() const { return unknown_; }
  void ForgetUnknownFunctions() { unknown_.clear(); }
  void set_add_in_path(const std::wstring& path) { add_in_path_ = path; }
  // The add-in's xlAutoFree12, to which results flagged xlbitDLLFree are handed back.
  void set_add_in_free(void(__stdcall* free_fn)(XLOPER12*)) { add_in_free_ = free_fn; }
  // What the host does with a result of the add-in: flagged xlbitDLLFree, it goes back through xlAutoFree12.
  void TakeResult(XLOPER12* result);
  size_t handed_back() const { return handed_back_; }

  // xlfRegister: the host binds the procedure in the module that the path names and gives a register id;
  // a procedure it cannot find, or one that a test refuses, gets #VALUE!.
  void RefuseRegistration(const std::wstring& procedure) { refused_.insert(procedure); }
  const std::vector<Registration>& registrations() const { return registrations_; }

  // The user's Esc as xlAbort sees it: after `polls` more calls of xlAbort that answer FALSE, a break is
  // pending (0: the next call finds it). xlAbort answers TRUE while a break is pending; its argument FALSE
  // also clears the break, while TRUE or none keeps it.
  void PressEscAfterPolls(int polls) { esc_after_polls_ = polls; }
  bool break_pending() const { return break_pending_; }

  int Call(int function, int count, XLOPER12** args, XLOPER12* result);

 private:
  CApi();
  void InstallDefaults();
  // Handler families, each in a file of its own.
  void InstallRegistration();
  void InstallWorkbookCommands();
  void InstallCellFunctions();
  void InstallSpecialCells();
  int Register(int count, XLOPER12** args, XLOPER12* result);
  int Free(int count, XLOPER12** args);
  int AnswerPlainly(int function, XLOPER12* result);
  int Abort(int count, XLOPER12** args, XLOPER12* result);

  std::map<int, Handler> handlers_;
  std::map<int, int> injected_;
  struct PlannedFailure {
    int remaining;  // calls until the failing one
    int code;
  };
  std::multimap<int, PlannedFailure> planned_;
  std::set<std::wstring> refused_;
  std::vector<Registration> registrations_;
  double next_register_id_ = 0;
  std::vector<SeenCall> calls_;
  std::set<const void*> outstanding_;
  std::map<const void*, std::function<void()>> releases_;
  size_t bad_frees_ = 0;
  bool selection_as_sref_ = false;
  size_t handed_back_ = 0;
  std::function<HWND()> main_window_;
  std::vector<int> unknown_;
  std::wstring add_in_path_;
  int esc_after_polls_ = -1;  // -1: the user presses nothing
  bool break_pending_ = false;
  void(__stdcall* add_in_free_)(XLOPER12*) = nullptr;
  // Thread-safe functions call the host from its calculation threads: its records take one at a time.
  HostLock lock_;
};

SeenValue See(const XLOPER12* record);

}  // namespace korvel::standin
