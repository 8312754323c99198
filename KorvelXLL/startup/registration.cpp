#include "startup/registration.h"

#include "host/host_call.h"
#include "host/xl_owners.h"

namespace korvel::xll {

bool RegisterFunction(const wchar_t* procedure, const wchar_t* type_text, const wchar_t* function_text,
                      const wchar_t* argument_text, int macro_type, const wchar_t* category, const wchar_t*,
                      const wchar_t* help_topic, const wchar_t* function_help, const wchar_t* argument_help1,
                      const wchar_t* argument_help2, const wchar_t* argument_help3) {
  // A row without the add-in's path would ask the host to bind the name in some other module: it is not sent.
  HostResult path;
  if (Excel12(xlGetName, path.get(), 0) != xlretSuccess) return false;
  path.TakenFromHost();
  if (path.kind() != xltypeStr || path.Text().empty()) return false;

  const wchar_t* texts[] = {procedure, type_text,      function_text,  argument_text,  category,
                            L"",       help_topic,     function_help,  argument_help1, argument_help2,
                            argument_help3};
  OwnedXlRecord fields[11];
  for (size_t i = 0; i < 11; ++i) {
    fields[i].reset(NewXLStr(texts[i]));
    if (!fields[i]) return false;
  }
  OwnedXlRecord macro = NewXLInt(macro_type);
  if (!macro) return false;

  // The path goes back to the host as it came, without the mark that tells the add-in to hand it back.
  XLOPER12 path_argument = path.AsArgument();
  HostResult id;
  const int rc = Excel12(xlfRegister, id.get(), 13, &path_argument, fields[0].get(), fields[1].get(),
                         fields[2].get(), fields[3].get(), macro.get(), fields[4].get(), fields[5].get(),
                         fields[6].get(), fields[7].get(), fields[8].get(), fields[9].get(), fields[10].get());
  if (rc != xlretSuccess) return false;
  id.TakenFromHost();
  // The host answers a refused registration with an error value in place of the register id.
  return id.kind() == xltypeNum;
}

}  // namespace korvel::xll
