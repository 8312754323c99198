// A cell calculation of the stand-in host: a test names the cell (or the cells of an array formula) and calls
// an export; while it runs, Application.Caller gives that cell's Range (or the range of cells) and xlfCaller its
// reference, and a function's result is taken as the host takes it (a record flagged xlbitDLLFree goes back
// through xlAutoFree12). Asynchronous functions get a handle and complete through xlAsyncReturn. Also the
// host's GET.WORKSPACE answers (xlfGetWorkspace).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "c_api.h"
#include "object_model/ranges.h"

namespace korvel::standin {

class Calculation {
 public:
  static Calculation& Get();
  void Reset();

  // What a function's cell showed: nothing for a null result, else the record as the host read it.
  struct CellResult {
    bool null = true;
    SeenValue value;
  };
  // Calculates `cells` ("B10", or "A1:B3" for an array formula) of `sheet` with `call`.
  CellResult Calculate(Worksheet* sheet, const std::wstring& cells, const std::function<XLOPER12*()>& call);
  // The same for an asynchronous function: `call` gets a fresh handle of the host's.
  void CalculateAsync(Worksheet* sheet, const std::wstring& cells, const std::function<void(XLOPER12*)>& call);
  bool calculating() const { return sheet_ != nullptr; }
  // The sheet of the cell being calculated, on which an xltypeSRef lies; null outside a calculation.
  Worksheet* sheet() const { return sheet_; }
  // The block of cells that the last array formula's Caller gave, kept for the test to look at afterwards.
  HostObject* last_block() const { return last_block_.get(); }

  // How xlfCaller answers during a calculation: the caller's one area as xltypeSRef, a multi-area xltypeRef of
  // host memory (the caller's area and one more), or a failure.
  enum class CallerAnswer { kSingleArea, kMultiArea, kFailure };
  void set_caller_answer(CallerAnswer answer) { caller_answer_ = answer; }

  // Completions that xlAsyncReturn received, in order.
  struct Completion {
    INT_PTR handle = 0;
    SeenValue value;
  };
  const std::vector<Completion>& completions() const { return completions_; }
  // The handle of the last asynchronous call started.
  INT_PTR last_handle() const { return next_handle_ - 1; }

  // How xlfGetWorkspace(2) answers: the host version as a string of host memory (the Application's Version),
  // or, to try the add-in, a number or an error value.
  enum class WorkspaceAnswer { kText, kNumber, kError };
  void set_workspace_answer(WorkspaceAnswer answer) { workspace_answer_ = answer; }

  // Members and functions of the host that answer from here.
  HRESULT GiveCaller(HostObject::Call& call);
  int AnswerCaller(int count, XLOPER12** args, XLOPER12* result);
  int CompleteAsync(int count, XLOPER12** args, XLOPER12* result);
  int AnswerWorkspace(int count, XLOPER12** args, XLOPER12* result);

 private:
  Calculation() = default;
  bool Begin(Worksheet* sheet, const std::wstring& cells);
  void End();

  Worksheet* sheet_ = nullptr;
  LONG row_ = 0, column_ = 0, rows_ = 0, columns_ = 0;
  korvel::ComPtr<HostObject> block_;
  korvel::ComPtr<HostObject> last_block_;
  CallerAnswer caller_answer_ = CallerAnswer::kSingleArea;
  WorkspaceAnswer workspace_answer_ = WorkspaceAnswer::kText;
  std::vector<Completion> completions_;
  std::vector<INT_PTR> pending_;
  INT_PTR next_handle_ = 0x1000;
};

// Installs the handlers of xlfCaller, xlAsyncReturn and xlfGetWorkspace and resets what they answer; the call
// entry does so whenever it is reset.
void InstallCalculationHandlers(CApi& api);

}  // namespace korvel::standin
