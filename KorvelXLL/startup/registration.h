// Registration of the add-in's worksheet functions and commands with the host.
#pragma once

#include <string>
#include <vector>

namespace korvel::xll {

// Registers one procedure of this library under its own path; true when the host gave a register id. The
// shortcut is not used: the host always receives an empty shortcut text. Shows no message.
bool RegisterFunction(const wchar_t* procedure, const wchar_t* type_text, const wchar_t* function_text,
                      const wchar_t* argument_text, int macro_type, const wchar_t* category,
                      const wchar_t* shortcut, const wchar_t* help_topic, const wchar_t* function_help,
                      const wchar_t* argument_help1, const wchar_t* argument_help2,
                      const wchar_t* argument_help3);

// The procedures that the last registration pass could not register (refused by the host, or not sent
// because the host did not give the add-in's path), in pass order. The About log shows them.
const std::vector<std::wstring>& RefusedRegistrations();
// Puts the pass's record back to its load state: no pass, nothing refused.
void ForgetRegistrationPass();

}  // namespace korvel::xll
