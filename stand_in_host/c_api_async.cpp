// xlAsyncReturn: the value of an asynchronous call, handed back with the call's handle (a big-data record).
#include "c_api.h"
#include "host_numbers.h"

namespace korvel::standin {

using namespace hostapi;

void CApi::InstallAsyncReturn() {
  handlers_[xlAsyncReturn] = [this](int count, XLOPER12** args, XLOPER12* result) {
    constexpr DWORD kBigData = xltypeStr | xltypeInt;
    if (count != 2 || !args[0] || !args[1] || (args[0]->xltype & ~(xlbitXLFree | xlbitDLLFree)) != kBigData)
      return xlretInvXloper;
    async_returns_.push_back({args[0], See(args[1])});
    if (result) {
      *result = XLOPER12{};
      result->xltype = xltypeBool;
      result->val.xbool = TRUE;
    }
    return xlretSuccess;
  };
}

}  // namespace korvel::standin
