// The host's workbook commands and document information: xlcNew, xlcActivate, xlcClose and
// xlfGetDocument (type 88, the active workbook's name, in host memory). A command that cannot be carried
// out returns xlretFailed, as the host's command equivalents do.
#include "c_api.h"
#include "host_numbers.h"
#include "object_model/object_model.h"

namespace korvel::standin {

using namespace hostapi;

namespace {

Application* App() { return ObjectModel::Get().application(); }

DWORD Kind(const XLOPER12* r) { return r ? r->xltype & ~(xlbitXLFree | xlbitDLLFree) : 0; }

// A logical or number argument, as the host coerces it; false when it is neither.
bool ReadLogical(const XLOPER12* r, bool& value) {
  switch (Kind(r)) {
    case xltypeBool: value = r->val.xbool != 0; return true;
    case xltypeNum: value = r->val.num != 0; return true;
    case xltypeInt: value = r->val.w != 0; return true;
    default: return false;
  }
}

void CommandDone(XLOPER12* result) {
  if (!result) return;
  *result = XLOPER12{};
  result->xltype = xltypeBool;
  result->val.xbool = TRUE;
}

void ErrorValue(XLOPER12* result, int code) {
  if (!result) return;
  *result = XLOPER12{};
  result->xltype = xltypeErr;
  result->val.err = code;
}

}  // namespace

void CApi::InstallWorkbookCommands() {
  handlers_[xlcNew] = [](int, XLOPER12**, XLOPER12* result) {
    App()->NewWorkbook();
    CommandDone(result);
    return xlretSuccess;
  };
  handlers_[xlcActivate] = [](int count, XLOPER12** args, XLOPER12* result) {
    if (count < 1 || Kind(args[0]) != xltypeStr || !args[0]->val.str) return xlretFailed;
    const std::wstring name(args[0]->val.str + 1, static_cast<unsigned short>(args[0]->val.str[0]));
    if (!App()->ActivateWindowNamed(name)) return xlretFailed;
    CommandDone(result);
    return xlretSuccess;
  };
  handlers_[xlcClose] = [](int count, XLOPER12** args, XLOPER12* result) {
    // Without the save argument the host would ask the user: no test may leave that to a box.
    bool save = false;
    if (count < 1 || !ReadLogical(args[0], save)) return xlretFailed;
    if (!App()->CloseActiveWorkbook(save)) return xlretFailed;
    CommandDone(result);
    return xlretSuccess;
  };
  handlers_[xlfGetDocument] = [this](int count, XLOPER12** args, XLOPER12* result) {
    double type = 0;
    if (count >= 1 && Kind(args[0]) == xltypeNum) type = args[0]->val.num;
    if (count >= 1 && Kind(args[0]) == xltypeInt) type = args[0]->val.w;
    if (!result) return xlretSuccess;
    if (type != 88) {
      ErrorValue(result, 15);  // #VALUE!: a type this host does not serve
      return xlretSuccess;
    }
    Workbook* book = App()->active_workbook();
    if (!book) {
      ErrorValue(result, 42);  // #N/A
      return xlretSuccess;
    }
    const OwnedVariant& name = book->Value(L"Name");
    HandOutString(result, std::wstring(name.bstrVal, SysStringLen(name.bstrVal)));
    return xlretSuccess;
  };
}

}  // namespace korvel::standin
