// xlfRegister as the host answers it: the procedure is looked up in the module that the path names, as the
// host binds it, and gets a register id; otherwise the answer is #VALUE!, with success as the return code.
#include <string>

#include "c_api.h"
#include "host_numbers.h"

namespace korvel::standin {

using namespace hostapi;

namespace {

bool IsText(const XLOPER12* r) { return r && (r->xltype & ~(xlbitXLFree | xlbitDLLFree)) == xltypeStr && r->val.str; }

std::wstring TextOf(const XLOPER12* r) {
  return IsText(r) ? std::wstring(r->val.str + 1, static_cast<unsigned short>(r->val.str[0])) : std::wstring();
}

// Export names are bytes; a procedure name outside ASCII finds nothing.
bool Exported(const std::wstring& path, const std::wstring& procedure) {
  HMODULE module = GetModuleHandleW(path.c_str());
  if (!module || procedure.empty()) return false;
  std::string name;
  for (wchar_t c : procedure) {
    if (c > 0x7F) return false;
    name.push_back(static_cast<char>(c));
  }
  return GetProcAddress(module, name.c_str()) != nullptr;
}

}  // namespace

int CApi::Register(int count, XLOPER12** args, XLOPER12* result) {
  Registration seen;
  for (int i = 0; i < count; ++i) seen.args.push_back(See(args[i]));
  const bool well_formed = count >= 2 && IsText(args[0]) && IsText(args[1]);
  const std::wstring procedure = well_formed ? TextOf(args[1]) : std::wstring();
  seen.registered = well_formed && Exported(TextOf(args[0]), procedure) && !refused_.count(procedure);
  if (seen.registered) seen.id = ++next_register_id_ + 0.5;  // the host's ids are not small integers
  if (result) {
    *result = XLOPER12{};
    if (seen.registered) {
      result->xltype = xltypeNum;
      result->val.num = seen.id;
    } else {
      result->xltype = xltypeErr;
      result->val.err = 15;  // #VALUE!
    }
  }
  registrations_.push_back(std::move(seen));
  return xlretSuccess;
}

void CApi::InstallRegistration() {
  handlers_[xlfRegister] = [this](int count, XLOPER12** args, XLOPER12* result) {
    return Register(count, args, result);
  };
}

}  // namespace korvel::standin
